// banner_test.cpp (POSIX) - what a till's log says about the library at initQX: the soname
// the loader knows it by, the version the build gave it, and the settings search's
// locations by their POSIX names.
#include <climits>
#include <cstdlib>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using BannerTest = ApiTest;

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

TEST_F(BannerTest, NamesTheSonameItsVersionAndThePosixLocations) {
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    const std::string dir = programDirectory();
    // The soname names the file the build versioned: the banner's version is the file's.
    EXPECT_EQ(realPath(dir + "libqxlogics.so.1"), dir + "libqxlogics.so." QX_PROJECT_VERSION);
    const std::string search = "CQXLogics::getIniFileSettings: ";
    for (const std::string& line :
         {std::string("Library Name: libqxlogics.so.1"), "Library Path: " + dir,
          std::string("Library Version: " QX_PROJECT_VERSION ".0"),
          search + "Third settings file location (the library directory): " + dir + "qxlogics.ini",
          search + "Fourth settings file location (the system settings directory): "
                   "/etc/qxlogics/qxlogics.ini"})
        EXPECT_EQ(logCount("qxlogic", "##", line), 1) << line << " in:\n" << logSince("qxlogic");
}

}  // namespace
}  // namespace qxtest

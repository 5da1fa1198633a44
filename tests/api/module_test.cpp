// module_test.cpp - what the loaded module shows an application: the 29
// plain export names and nothing of the library's internals.
#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using ModuleTest = ApiTest;

TEST_F(ModuleTest, ExportsEveryFunctionByItsPlainName) {
#define QXT_EXPECT_EXPORTED(name) \
    EXPECT_NE(findLibrarySymbol(#name), nullptr) << #name; ++count;
    int count = 0;
    QXT_EXPORT_NAMES(QXT_EXPECT_EXPORTED)
#undef QXT_EXPECT_EXPORTED
    EXPECT_EQ(count, 29);
}

TEST_F(ModuleTest, KeepsItsInternalsHidden) {
    for (const char* internal : {"g_theLogics", "g_bApiInitiated", "g_link",
                                 "_Z8WriteLogPKcii", "_Z13TranslateTextPKc"}) {
        EXPECT_EQ(findLibrarySymbol(internal), nullptr) << internal;
    }
}

}  // namespace
}  // namespace qxtest

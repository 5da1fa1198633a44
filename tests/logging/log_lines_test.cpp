// log_lines_test.cpp - the layout of log lines: markers of every kind, the
// switches, the error file's prefix, texts with '%', the two-file form and
// the choice of the log directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "logging/log.h"
#include "logging/log_switches.h"
#include "tests/logging/log_fixture.h"

namespace qxtest {
namespace {

using LogLines = LogTest;

TEST_F(LogLines, EveryKindWritesItsMarkerAfterTheTimeStamp) {
    for (int kind = CrToApi; kind <= Info; ++kind) {
        WriteLog("kind " + std::to_string(kind), kind, ApiLog);
    }
    EXPECT_EQ(contentOf("qxapi_Fri.log"),
              "w48 14:03:07.250 => kind 0\n"
              "w48 14:03:07.250 <= kind 1\n"
              "w48 14:03:07.250 -> kind 2\n"
              "w48 14:03:07.250 <- kind 3\n"
              "w48 14:03:07.250 == kind 4\n"
              "w48 14:03:07.250 !! kind 5\n"
              "w48 14:03:07.250 !! kind 6\n"
              "w48 14:03:07.250 ## kind 7\n");
}

TEST_F(LogLines, TimeFieldsArePaddedToTwoAndThreeDigits) {
    clock.set(localTimeOf(2026, 1, 5, 9, 5, 3, 7));  // Monday of week 01
    WriteLog("early", Info, LogicLog);
    EXPECT_EQ(contentOf("qxlogic_Mon.log"), "w01 09:05:03.007 ## early\n");
}

TEST_F(LogLines, ErrorFileLinesBeginWithDateAndWeekday) {
    WriteLog2("CQXLogics::dispense(): not possible", Error, LogicLog, ErrorLog);
    EXPECT_EQ(contentOf("qxerror_Dec.log"),
              "2026-12-04 Friw48 14:03:07.250 !! CQXLogics::dispense(): not possible\n");
    EXPECT_EQ(contentOf("qxlogic_Fri.log"),
              "w48 14:03:07.250 !! CQXLogics::dispense(): not possible\n");
}

TEST_F(LogLines, SwitchedOffKindsWriteNothingButErrorsAndInfoAlwaysDo) {
    allLogSwitches(false);
    for (int kind = CrToApi; kind <= Info; ++kind) {
        WriteLog("kind " + std::to_string(kind), kind, ApiLog);
    }
    EXPECT_EQ(contentOf("qxapi_Fri.log"),
              "w48 14:03:07.250 !! kind 5\n"
              "w48 14:03:07.250 !! kind 6\n"
              "w48 14:03:07.250 ## kind 7\n");
}

TEST_F(LogLines, EachSwitchGovernsOnlyItsOwnKind) {
    struct Case {
        std::atomic<bool>* flag;
        int kind;
    } cases[] = {{&g_LogCRToCAPI, CrToApi},
                 {&g_LogCAPIToCR, ApiToCr},
                 {&g_LogCAPIToCom, ApiToCom},
                 {&g_LogComToCAPI, ComToApi},
                 {&g_LogDebug, Debug}};
    for (const Case& c : cases) {
        *c.flag = false;
        for (int kind = CrToApi; kind <= Debug; ++kind) WriteLog("x", kind, LogicLog);
        *c.flag = true;
    }
    // Five rounds of five kinds, each round missing exactly its own kind.
    std::string text = contentOf("qxlogic_Fri.log");
    for (const char* marker : {" => ", " <= ", " -> ", " <- ", " == "}) {
        std::size_t count = 0;
        for (std::size_t at = text.find(marker); at != std::string::npos;
             at = text.find(marker, at + 1))
            ++count;
        EXPECT_EQ(count, 4u) << marker;
    }
}

TEST_F(LogLines, UnknownKindsAndFilesWriteNothing) {
    WriteLog("bad kind", 8, ApiLog);
    WriteLog("bad kind", -1, LogicLog);
    WriteLog("bad file", Error, 3);
    WriteLog("bad file", Error, -1);
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "");
    EXPECT_EQ(contentOf("qxlogic_Fri.log"), "");
    EXPECT_EQ(contentOf("qxerror_Dec.log"), "");
}

TEST_F(LogLines, PercentSignsAreWrittenAsTheyAre) {
    WriteLog("100% sure: %s %d %n", Debug, ApiLog);
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "w48 14:03:07.250 == 100% sure: %s %d %n\n");
}

TEST_F(LogLines, LinesAreOnDiskAsSoonAsWritten) {
    WriteLog("first", Info, ApiLog);
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "w48 14:03:07.250 ## first\n");
    WriteLog("second", Info, ApiLog);
    EXPECT_EQ(contentOf("qxapi_Fri.log"),
              "w48 14:03:07.250 ## first\nw48 14:03:07.250 ## second\n");
}

TEST_F(LogLines, LogfileNamesTheDirectoryWhenQxlogsIsUnset) {
    std::string other = makeTempDir("logfile");
    unsetEnv("QXLOGS");
    setEnv("LOGFILE", other);
    resetLogFilesForTesting();
    WriteLog("to LOGFILE", Info, ApiLog);
    unsetEnv("LOGFILE");
    setEnv("QXLOGS", dir);
    EXPECT_EQ(logText(other + qxplat::pathSeparator() + "qxapi_Fri.log"),
              "w48 14:03:07.250 ## to LOGFILE\n");
}

TEST_F(LogLines, QxlogsWinsOverLogfile) {
    std::string other = makeTempDir("logfile");
    setEnv("LOGFILE", other);
    resetLogFilesForTesting();
    WriteLog("to QXLOGS", Info, ApiLog);
    unsetEnv("LOGFILE");
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "w48 14:03:07.250 ## to QXLOGS\n");
    EXPECT_FALSE(std::filesystem::exists(other + qxplat::pathSeparator() + "qxapi_Fri.log"));
}

TEST_F(LogLines, WithoutEitherVariableTheDefaultDirectoryIsMadeAndUsed) {
    unsetEnv("QXLOGS");
    unsetEnv("LOGFILE");
    setEnv("XDG_STATE_HOME", dir);  // POSIX: the user's own folder, here
    resetLogFilesForTesting();
    std::string marker = "default directory " + dir;  // unique to this run
    WriteLog(marker, Info, ErrorLog);
    setEnv("QXLOGS", dir);
    std::string text = logText(qxplat::makeDefaultLogDirectory() + qxplat::pathSeparator() +
                               "qxerror_Dec.log");
    unsetEnv("XDG_STATE_HOME");
    EXPECT_NE(text.find(marker), std::string::npos);
}

TEST_F(LogLines, LinesAreDroppedWhileTheDirectoryCannotBeMadeAndRetriedNextDay) {
    std::string missing = dir + qxplat::pathSeparator() + "no" + qxplat::pathSeparator() + "such";
    setEnv("QXLOGS", missing);
    resetLogFilesForTesting();
    WriteLog("dropped", Error, ApiLog);  // must not crash or report
    EXPECT_FALSE(std::filesystem::exists(missing));

    std::filesystem::create_directories(dir + qxplat::pathSeparator() + "no");
    WriteLog("still dropped the same day", Error, ApiLog);
    EXPECT_FALSE(std::filesystem::exists(missing));

    clock.set(localTimeOf(2026, 12, 5, 0, 0, 1, 0));
    WriteLog("next day", Error, ApiLog);
    EXPECT_EQ(logText(missing + qxplat::pathSeparator() + "qxapi_Sat.log"),
              "w48 00:00:01.000 !! next day\n");
}

}  // namespace
}  // namespace qxtest

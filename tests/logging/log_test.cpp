// log_test.cpp - log lines as written to the files, the choice of the log
// directory, and which files the logger writes as the clock moves.
#include <functional>

#include "logging/log_calendar.h"
#include "logging/log_shapes.h"
#include "tests/logging/log_fixture.h"

namespace qxtest {

using LogLines = LogTest;

// Each kind's marker; a switch silences its kind only (each is off in rows of its
// own); Error, Failure and Info are always written; unknown kinds and files never.
TEST_F(LogLines, KindsToMarkersUnderTheSwitches) {
    std::atomic<bool>* switches[] = {&g_LogCRToCAPI, &g_LogCAPIToCR, &g_LogCAPIToCom,
                                     &g_LogComToCAPI, &g_LogDebug};  // by kind
    const std::pair<int, const char*> cases[] = {
        {0x00, "=> 0|<= 1|-> 2|<- 3|== 4|!! 5|!! 6|## 7|"},  // bit k: kind k switched off
        {0x15, "<= 1|<- 3|!! 5|!! 6|## 7|"},
        {0x06, "=> 0|<- 3|== 4|!! 5|!! 6|## 7|"},
        {0x18, "=> 0|<= 1|-> 2|!! 5|!! 6|## 7|"},
        {0x1F, "!! 5|!! 6|## 7|"},
    };
    for (const auto& [off, lines] : cases) {
        dir = useFreshLogDir("kinds");
        for (int k = 0; k < 5; ++k) *switches[k] = (off >> k & 1) == 0;
        for (int kind = -1; kind <= 8; ++kind) WriteLog(std::to_string(kind), kind, ApiLog);
        EXPECT_EQ(linesOf("qxapi_Fri.log"), lines) << off;
    }
    WriteLog("bad file", Error, 3);
    WriteLog("bad file", Error, -1);
    EXPECT_EQ(contentOf("qxlogic_Fri.log") + contentOf("qxerror_Dec.log"), "");
}

// Each shape of the library's own lines: its marker and the files it goes to.
// logTracef formats, the others write a '%' as it is; a switched-off kind writes
// nothing.
TEST_F(LogLines, EachShapeHasItsKindAndFiles) {
    const std::string rule(62, '=');
    const std::tuple<std::function<void()>, const char*, std::string, const char*> cases[] = {
        // shape, then the lines of qxapi, qxlogic and qxerror
        {[] { logOpening("open 100%d"); }, "", "=> open 100%d|", ""},
        {[] { logTrace("trace %s"); }, "", "== trace %s|", ""},
        {[] { logTracef("trace %s", "x"); }, "", "== trace x|", ""},
        {[] { logError("error"); }, "", "!! error|", "!! error|"},
        {[] { logFailure("failure"); }, "", "!! failure|", "!! failure|"},
        {[] { logInfo("info"); }, "", "## info|", ""},
        {[] { logBanner("banner", ApiLog); }, "## banner|", "", ""},
        {[] { logBannerRule(LogicLog); }, "", "## " + rule + "|", ""},
        {[] { g_LogDebug = false; logTrace("off"); logTracef("off %d", 1); }, "", "", ""},
        {[] { g_LogCRToCAPI = false; logOpening("off"); }, "", "", ""},
    };
    int row = 0;
    for (const auto& [shape, api, logic, error] : cases) {
        dir = useFreshLogDir("shapes" + std::to_string(++row));
        shape();
        EXPECT_EQ(linesOf("qxapi_Fri.log"), api) << row;
        EXPECT_EQ(linesOf("qxlogic_Fri.log"), logic) << row;
        EXPECT_EQ(linesOf("qxerror_Dec.log"), error) << row;
    }
}

// The names in the file names; "???" for a value a broken clock might give.
TEST(LogCalendar, NamesWithinTheirTablesOnly) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {-1, "???", "???"}, {0, "Sun", "???"}, {1, "Mon", "Jan"},
        {6, "Sat", "Jun"},  {7, "???", "Jul"}, {12, "???", "Dec"}, {13, "???", "???"}};
    for (const auto& [value, weekday, month] : cases) {
        qxplat::LocalTime time = localTimeOf(2026, 12, 4);
        time.weekday = time.month = value;
        EXPECT_STREQ(qxlog::weekdayName(time), weekday) << value;
        EXPECT_STREQ(qxlog::monthName(time), month) << value;
    }
}

// A text too long for the first formatting pass is formatted again, whole.
TEST(StrFormat, LongTextsComeOutWhole) {
    for (std::size_t length : {253u, 254u, 1000u}) {
        const std::string text(length, 'x');
        EXPECT_EQ(strformat("%s|%d", text.c_str(), 7), text + "|7") << length;
    }
}

// QXLOGS, else LOGFILE (an empty value counts as unset), else the default;
// while the directory cannot be made lines are dropped, until the next day.
TEST_F(LogLines, TheLogDirectoryIsChosenFromTheEnvironment) {
    const std::string other = makeTempDir("logfile");
    setEnv("XDG_STATE_HOME", dir);  // POSIX: the user's own folder, here
    const std::string fallback = qxplat::makeDefaultLogDirectory();
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {dir.c_str(), other.c_str(), dir},  // null: unset
        {nullptr, other.c_str(), other},
        {"", other.c_str(), other},
        {nullptr, nullptr, fallback},
        {"", "", fallback}};
    int row = 0;
    for (const auto& [qxlogs, logfile, expected] : cases) {
        qxlogs ? setEnv("QXLOGS", qxlogs) : unsetEnv("QXLOGS");
        logfile ? setEnv("LOGFILE", logfile) : unsetEnv("LOGFILE");
        resetLogFilesForTesting();
        const std::string marker = "row " + std::to_string(++row) + " of " + dir;
        WriteLog(marker, Info, ApiLog);
        const std::string text = logText(expected + qxplat::pathSeparator() + "qxapi_Fri.log");
        EXPECT_NE(text.find(marker), std::string::npos) << marker;
    }
    unsetEnv("LOGFILE");
    unsetEnv("XDG_STATE_HOME");
    const std::string missing = pathOf("no") + qxplat::pathSeparator() + "such";
    setEnv("QXLOGS", missing);
    resetLogFilesForTesting();
    WriteLog("dropped", Error, ApiLog);  // must not crash or report
    std::filesystem::create_directories(pathOf("no"));
    WriteLog("still dropped the same day", Error, ApiLog);
    EXPECT_FALSE(std::filesystem::exists(missing));
    setClock(localTimeOf(2026, 12, 5, 0, 0, 1, 0));
    WriteLog("next day", Error, ApiLog);
    EXPECT_EQ(logText(missing + qxplat::pathSeparator() + "qxapi_Sat.log"),
              "w48 00:00:01.000 !! next day\n");
}

using LogRotation = LogTest;

// Weekday and month files named in English; the week as "%W" counts it, the time
// padded, the error file's date in front, a '%' in the text written as it is.
TEST_F(LogRotation, FilesAreNamedByWeekdayAndMonth) {
    const std::tuple<int, int, const char*, const char*, int> cases[] = {
        {1, 4, "Sun", "Jan", 0},   {2, 2, "Mon", "Feb", 5},   {3, 3, "Tue", "Mar", 9},
        {4, 1, "Wed", "Apr", 13},  {5, 7, "Thu", "May", 18},  {6, 5, "Fri", "Jun", 22},
        {7, 4, "Sat", "Jul", 26},  {8, 1, "Sat", "Aug", 30},  {9, 1, "Tue", "Sep", 35},
        {10, 1, "Thu", "Oct", 39}, {11, 2, "Mon", "Nov", 44}, {12, 4, "Fri", "Dec", 48}};
    for (const auto& [month, day, weekday, name, week] : cases) {
        setClock(localTimeOf(2026, month, day, 9, 5, 3, 7));
        const std::string text = std::string(name) + " 100% %s %n";
        WriteLog2(text, Info, ApiLog, ErrorLog);
        const std::string line = strformat("w%02d 09:05:03.007 ## ", week) + text + "\n";
        EXPECT_EQ(contentOf(std::string("qxapi_") + weekday + ".log"), line);
        EXPECT_EQ(contentOf(std::string("qxerror_") + name + ".log"),
                  strformat("2026-%02d-%02d %s", month, day, weekday) + line);
    }
}

// A file left from before is started afresh when it is of an earlier week
// (weekday files) or year (month files), and appended to otherwise.
TEST_F(LogRotation, ExistingFilesAreStartedAfreshOrAppendedTo) {
    const std::tuple<const char*, int, const char*, bool> cases[] = {
        {"qxlogic_Fri.log", LogicLog, "w47 09:00:00.000 ## last week\n", true},
        {"qxapi_Fri.log", ApiLog, "w48 09:00:00.000 ## earlier today\n", false},
        {"qxapi_Fri.log", ApiLog, "notes by hand\n", false},
        {"qxerror_Dec.log", ErrorLog, "2025-12-05 Friw48 09:00:00.000 ## last year\n", true},
        {"qxerror_Dec.log", ErrorLog, "2026-12-01 Tuew48 09:00:00.000 ## earlier\n", false},
    };
    for (const auto& [file, log, before, afresh] : cases) {
        resetLogFilesForTesting();
        writeFile(pathOf(file), before);
        WriteLog("line", Info, log);
        EXPECT_EQ(contentOf(file), std::string(afresh ? "" : before) +
                                       (log == ErrorLog ? "2026-12-04 Fri" : "") +
                                       "w48 14:03:07.250 ## line\n")
            << before;
    }
}

// At the first line written after midnight (a switched-off one reads no clock) the
// day's files are closed and marked read-only; writable again a week later.
TEST_F(LogRotation, AtMidnightThePreviousDaysFilesAreClosedAndMarkedReadOnly) {
    setClock(localTimeOf(2026, 12, 3, 23, 59, 59, 999));
    WriteLog("thursday", Info, ApiLog);
    WriteLog2("thursday error", Error, LogicLog, ErrorLog);
    int reads = 0;
    qxplat::setLocalClockForTesting([&reads] {
        ++reads;
        return localTimeOf(2026, 12, 4, 0, 0, 0, 0);
    });
    g_LogDebug = false;
    WriteLog("off", Debug, ApiLog);
    WriteLogf(Debug, ApiLog, "off %s", "too");
    EXPECT_EQ(reads, 0);
    WriteLog("friday", Info, ApiLog);
    EXPECT_EQ(reads, 1);
    WriteLog("friday error", Error, ErrorLog);
    EXPECT_EQ(contentOf("qxapi_Thu.log"), "w48 23:59:59.999 ## thursday\n");
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "w48 00:00:00.000 ## friday\n");
    EXPECT_FALSE(writable("qxapi_Thu.log"));
    EXPECT_FALSE(writable("qxlogic_Thu.log"));
    EXPECT_EQ(contentOf("qxerror_Dec.log"),  // the month file of both days
              "2026-12-03 Thuw48 23:59:59.999 !! thursday error\n"
              "2026-12-04 Friw48 00:00:00.000 !! friday error\n");
    setClock(localTimeOf(2026, 12, 10, 10));  // Thursday of the next week
    WriteLog("new thursday", Info, ApiLog);
    EXPECT_TRUE(writable("qxapi_Thu.log"));
    EXPECT_EQ(contentOf("qxapi_Thu.log"), "w49 10:00:00.000 ## new thursday\n");
    EXPECT_FALSE(writable("qxapi_Fri.log"));
}

}  // namespace qxtest

// log_rotation_test.cpp - which files the logger writes, driven through
// the clock seam: weekday and month file names, the start-of-period check
// and the move to the next day's files at midnight.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "logging/log.h"
#include "logging/log_calendar.h"
#include "logging/strformat.h"
#include "tests/logging/log_fixture.h"

namespace qxtest {
namespace {

using LogRotation = LogTest;

TEST_F(LogRotation, WeekdayFilesAreNamedInEnglish) {
    const char* names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (int i = 0; i < 7; ++i) {
        qxplat::LocalTime day = i == 0 ? localTimeOf(2026, 11, 30, 10) : localTimeOf(2026, 12, i, 10);
        clock.set(day);
        WriteLog(names[i], Info, ApiLog);
        WriteLog(names[i], Info, LogicLog);
        std::string expected = "w48 10:00:00.000 ## " + std::string(names[i]) + "\n";
        EXPECT_EQ(contentOf(std::string("qxapi_") + names[i] + ".log"), expected);
        EXPECT_EQ(contentOf(std::string("qxlogic_") + names[i] + ".log"), expected);
    }
}

TEST_F(LogRotation, ErrorFilesAreNamedByMonth) {
    const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 1; month <= 12; ++month) {
        clock.set(localTimeOf(2026, month, 15, 8));
        WriteLog(names[month - 1], Error, ErrorLog);
        std::string text = contentOf(std::string("qxerror_") + names[month - 1] + ".log");
        EXPECT_EQ(text.substr(0, 10), strformat("2026-%02d-15", month)) << names[month - 1];
        EXPECT_NE(text.find(std::string("!! ") + names[month - 1] + "\n"), std::string::npos);
    }
}

TEST_F(LogRotation, WeekNumberMatchesTheCLibrarysPercentW) {
    // Every day of a leap year and of the years around it, Monday first.
    for (int year : {2023, 2024, 2026}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 28; day += 3) {
                qxplat::LocalTime local = localTimeOf(year, month, day);
                std::tm tm{};
                tm.tm_year = year - 1900;
                tm.tm_mon = month - 1;
                tm.tm_mday = day;
                tm.tm_wday = local.weekday;
                tm.tm_yday = local.yearDay;
                char text[8];
                std::strftime(text, sizeof text, "%W", &tm);
                EXPECT_EQ(qxlog::weekNumber(local), std::stoi(text))
                    << year << "-" << month << "-" << day;
            }
        }
    }
}

// A file left from before is started afresh when it is of an earlier week
// (weekday files) or year (month files), and appended to otherwise.
TEST_F(LogRotation, ExistingFilesAreStartedAfreshOrAppendedTo) {
    const struct {
        const char* file;
        int kind;
        int log;
        const char* before;
        const char* after;
    } cases[] = {
        {"qxlogic_Fri.log", Debug, LogicLog, "w47 09:00:00.000 == last week\n",
         "w48 14:03:07.250 == line\n"},
        {"qxapi_Fri.log", Debug, ApiLog, "w48 09:00:00.000 == earlier today\n",
         "w48 09:00:00.000 == earlier today\nw48 14:03:07.250 == line\n"},
        {"qxerror_Dec.log", Error, ErrorLog, "2025-12-05 Friw48 09:00:00.000 !! last year\n",
         "2026-12-04 Friw48 14:03:07.250 !! line\n"},
        {"qxerror_Dec.log", Error, ErrorLog, "2026-12-01 Tuew48 09:00:00.000 !! earlier\n",
         "2026-12-01 Tuew48 09:00:00.000 !! earlier\n2026-12-04 Friw48 14:03:07.250 !! line\n"},
        {"qxapi_Fri.log", Info, ApiLog, "notes by hand\n",
         "notes by hand\nw48 14:03:07.250 ## line\n"},
        {"qxerror_Dec.log", Info, ErrorLog, "w12 not a year\n",
         "w12 not a year\n2026-12-04 Friw48 14:03:07.250 ## line\n"},
    };
    for (const auto& c : cases) {
        resetLogFilesForTesting();
        writeFile(pathOf(c.file), c.before);
        WriteLog("line", c.kind, c.log);
        EXPECT_EQ(contentOf(c.file), c.after) << c.before;
    }
}

TEST_F(LogRotation, AtMidnightThePreviousDaysFilesAreClosedAndMarkedReadOnly) {
    clock.set(localTimeOf(2026, 12, 3, 23, 59, 59, 999));
    WriteLog("thursday", Info, ApiLog);
    WriteLog2("thursday error", Error, LogicLog, ErrorLog);
    clock.set(localTimeOf(2026, 12, 4, 0, 0, 0, 0));
    WriteLog("friday", Info, ApiLog);

    EXPECT_EQ(contentOf("qxapi_Thu.log"), "w48 23:59:59.999 ## thursday\n");
    EXPECT_EQ(contentOf("qxapi_Fri.log"), "w48 00:00:00.000 ## friday\n");
    EXPECT_FALSE(writable("qxapi_Thu.log"));
    EXPECT_FALSE(writable("qxlogic_Thu.log"));
    EXPECT_TRUE(writable("qxapi_Fri.log"));
    EXPECT_TRUE(exists("qxlogic_Fri.log"));  // the day's three files are open

    // The month file of both days is the same one, open and writable again.
    WriteLog("friday error", Error, ErrorLog);
    EXPECT_TRUE(writable("qxerror_Dec.log"));
    EXPECT_EQ(contentOf("qxerror_Dec.log"),
              "2026-12-03 Thuw48 23:59:59.999 !! thursday error\n"
              "2026-12-04 Friw48 00:00:00.000 !! friday error\n");
}

// A switched-off kind costs no look at the clock; the date change waits
// for the next line that is written.
TEST_F(LogRotation, ASwitchedOffLineReadsNoClockAndTheNextWrittenLineRotates) {
    WriteLog("friday", Info, ApiLog);
    int reads = 0;
    qxplat::setLocalClockForTesting([&reads] {
        ++reads;
        return localTimeOf(2026, 12, 5, 0, 0, 1, 0);
    });
    g_LogDebug = false;
    WriteLog("off", Debug, ApiLog);
    WriteLogf(Debug, ApiLog, "off %s", "too");
    EXPECT_EQ(reads, 0);
    WriteLog("saturday", Info, ApiLog);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(contentOf("qxapi_Sat.log"), "w48 00:00:01.000 ## saturday\n");
    EXPECT_FALSE(writable("qxapi_Fri.log"));
}

TEST_F(LogRotation, AReadOnlyFileIsWrittenAgainWhenItsWeekdayComesRound) {
    clock.set(localTimeOf(2026, 12, 3, 10));
    WriteLog("old thursday", Info, ApiLog);
    clock.set(localTimeOf(2026, 12, 4, 10));
    WriteLog("friday", Info, ApiLog);
    ASSERT_FALSE(writable("qxapi_Thu.log"));

    clock.set(localTimeOf(2026, 12, 10, 10));  // Thursday of the next week
    WriteLog("new thursday", Info, ApiLog);
    EXPECT_TRUE(writable("qxapi_Thu.log"));
    EXPECT_EQ(contentOf("qxapi_Thu.log"), "w49 10:00:00.000 ## new thursday\n");
    EXPECT_FALSE(writable("qxapi_Fri.log"));
}

}  // namespace
}  // namespace qxtest

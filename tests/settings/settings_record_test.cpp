// settings_record_test.cpp - the settings record: defaults, settings
// strings applied by NewSettings with their log lines, temporary changes
// and their restoring, and the mirrors and log switches that follow.
#include <gtest/gtest.h>

#include "core/cash_steps.h"
#include "core/qxlogics.h"
#include "logging/log_switches.h"
#include "settings/settings.h"
#include "settings/settings_mirrors.h"
#include "tests/support/internal_env.h"

namespace {

using qxtest::logLinesContaining;

class SettingsRecord : public ::testing::Test {
protected:
    void SetUp() override { qxtest::useFreshLogDir("settings_record"); }
    CQXSettings record;
};

TEST_F(SettingsRecord, StartsWithTheDefaultsAndIgnoresUnknownIds) {
    const int expected[kSettingCount] = {0, 60, 4900, 0, 0, 0, 10, 2, 0,
                                         0, 1, 0,    1, 1, 1, 1, 1, 1};
    for (int id = 0; id < kIntSettingCount; ++id) EXPECT_EQ(record.GetInt(id), expected[id]);
    for (int id = kIntSettingCount; id < kSettingCount; ++id)
        EXPECT_EQ(record.GetBool(id), expected[id] != 0);
    EXPECT_EQ(record.GetInt(LogDebug), 0);      // a boolean id read as integer
    EXPECT_FALSE(record.GetBool(StatusOkTimeout));
    record.SetInt(99, 5);
    record.SetBool(StatusOkTimeout, false);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 10);
    EXPECT_EQ(record.GetDurationType(), 0);
}

TEST_F(SettingsRecord, ValueTextsAreReadByTheNumberRules) {
    record.NewSettings("StatusOkTimeout:0;PayOutOkCheck:00;ChangeOkCheck:abc;"
                       "RegretOkCheck:-5;AskPayOutAmountLimit:15xyz;CurrencyDecimals:",
                       0);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 0);
    EXPECT_EQ(record.GetInt(PayOutOkCheck), 0);
    EXPECT_TRUE(record.RestorePending(PayOutOkCheck));
    EXPECT_EQ(record.GetInt(ChangeOkCheck), 0);
    EXPECT_FALSE(record.RestorePending(ChangeOkCheck));
    EXPECT_EQ(record.GetInt(RegretOkCheck), 0);
    EXPECT_FALSE(record.RestorePending(RegretOkCheck));
    EXPECT_EQ(record.GetInt(AskPayOutAmountLimit), 15);
    EXPECT_EQ(record.GetInt(CurrencyDecimals), 2);  // key at the very end
    EXPECT_FALSE(record.RestorePending(CurrencyDecimals));
}

TEST_F(SettingsRecord, EmptyValueBeforeSemicolonTakesTheRestOfTheString) {
    record.NewSettings("StatusOkTimeout:;ChangeOkCheck:1", 0);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 10);
    EXPECT_EQ(record.GetInt(ChangeOkCheck), 1);
    EXPECT_EQ(logLinesContaining("qxlogic", "Setting new StatusOkTimeout").size(), 0u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXSettings::NewSettings: Setting new "
                                            "ChangeOkCheck: 1").size(), 1u);
}

TEST_F(SettingsRecord, BooleanLineLogsTheNumberGiven) {
    record.SetBool(LogDebug, false);
    record.NewSettings("LogDebug:5", 0);
    EXPECT_TRUE(record.GetBool(LogDebug));
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXSettings::NewSettings: Setting new "
                                            "LogDebug: 5").size(), 1u);
}

TEST_F(SettingsRecord, AStatusOkTimeoutBeyondADayIsClampedAndSaysSo) {
    record.NewSettings("StatusOkTimeout:99999999999", 0);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 86400);
    EXPECT_EQ(logLinesContaining("qxerror", "CQXSettings::NewSettings: StatusOkTimeout "
                                            "99999999999 is above the largest, 86400 "
                                            "seconds: clamped").size(), 1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "Setting new StatusOkTimeout: 86400").size(), 1u);
    // The milliseconds of the wait: no overflow into a wait of no time.
    char message[QX_BUFFER_CAPACITY];
    g_theLogics.changeSettings("StatusOkTimeout:2147484", 0, message);
    EXPECT_EQ(statusOkTimeoutMs(), 86400000);
    g_theLogics.changeSettings("StatusOkTimeout:10", 0, message);
}

TEST_F(SettingsRecord, TwoTemporaryChangesRestoreTheFirstChangesValues) {
    record.NewSettings("StatusOkTimeout:20;ChangeOkCheck:1", 1);
    record.NewSettings("StatusOkTimeout:30", 1);
    EXPECT_EQ(record.GetDurationType(), 1);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 30);
    record.RestoreSettings();
    EXPECT_EQ(record.GetDurationType(), 0);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 20);  // saved by the second change
    EXPECT_EQ(record.GetInt(ChangeOkCheck), 0);
    for (int id = 0; id < kSettingCount; ++id) EXPECT_FALSE(record.RestorePending(id));
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXSettings::RestoreSettings: Restored "
                                            "StatusOkTimeout: 20").size(), 1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXSettings::RestoreSettings: Restored "
                                            "ChangeOkCheck: 0").size(), 1u);
}

TEST_F(SettingsRecord, LastingChangeClearsPendingMarks) {
    record.NewSettings("StatusOkTimeout:20", 1);
    record.NewSettings("NoSuchKey:1", 0);
    EXPECT_EQ(record.GetDurationType(), 0);
    EXPECT_FALSE(record.RestorePending(StatusOkTimeout));
    record.RestoreSettings();
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 20);
}

TEST_F(SettingsRecord, BooleanRestoreLogsZeroOrOne) {
    record.NewSettings("LogCAPIToCom:0", 1);
    EXPECT_FALSE(record.GetBool(LogCAPIToCom));
    EXPECT_EQ(record.SavedValue(LogCAPIToCom), 1);
    record.RestoreSettings();
    EXPECT_TRUE(record.GetBool(LogCAPIToCom));
    EXPECT_EQ(logLinesContaining("qxlogic", "Restored LogCAPIToCom: 1").size(), 1u);
}

// The core's side: mirrors and log switches follow the changes.
class CoreSettingsChange : public ::testing::Test {
protected:
    void SetUp() override { qxtest::useFreshLogDir("settings_change"); }
    void TearDown() override {
        char message[QX_BUFFER_CAPACITY];
        logics.changeSettings("LogDebug:1;LegacySystem:0;AutoDisable:0;"
                              "CurrencyDecimals:2;LoggSendEvents:1",
                              0, message);
    }
    CQXLogics logics;
};

TEST_F(CoreSettingsChange, ChangeRefreshesMirrorsAndSwitchesAndSaysDone) {
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(logics.changeSettings("LogDebug:0;CurrencyDecimals:3;LegacySystem:1;"
                                    "AutoDisable:1;LoggSendEvents:0",
                                    0, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_FALSE(g_LogDebug.load());
    EXPECT_EQ(g_CurrencyDecimals.load(), 3);
    EXPECT_EQ(g_LegacySystem.load(), 1);
    EXPECT_EQ(g_AutoDisable.load(), 1);
    EXPECT_EQ(g_LoggSendEvents.load(), 0);
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::changeSettings(\"LogDebug:0;")
                  .size(),
              1u);
}

TEST_F(CoreSettingsChange, RestoreLeavesLegacyAndAutoDisableMirrors) {
    char message[QX_BUFFER_CAPACITY];
    logics.changeSettings("LegacySystem:1;AutoDisable:1;CurrencyDecimals:0", 1, message);
    logics.restoreIfTemporary();
    EXPECT_EQ(logics.Settings().GetInt(LegacySystem), 0);
    EXPECT_EQ(g_LegacySystem.load(), 1);
    EXPECT_EQ(g_AutoDisable.load(), 1);
    EXPECT_EQ(g_CurrencyDecimals.load(), 2);
    // Nothing temporary any more: a second call restores nothing.
    logics.changeSettings("CurrencyDecimals:4", 0, message);
    logics.restoreIfTemporary();
    EXPECT_EQ(g_CurrencyDecimals.load(), 4);
}

}  // namespace

// callback_mix_test.cpp - the callback mix is what the callback benchmark
// says it feeds: well-formed "a" and "b" reports that reach every kind of
// application event, repeats that are dropped, a peer that reads the same
// fields, and logging that the switch scope really turns off.
#include <gtest/gtest.h>

#include <string>

#include "bench/callback_mix.h"
#include "bench/event_counter.h"
#include "bench/log_switch_scope.h"
#include "core/device_model.h"
#include "events/callback_handler.h"
#include "events/event_delivery.h"
#include "events/parsers.h"
#include "events/receivers.h"
#include "logging/log_switches.h"
#include "tests/support/internal_env.h"
#include "tests/support/test_env.h"

namespace {

struct Fields {
    std::string command, extInfo;
    int amount = 0, status = 0, mode = 0;
};

Fields parsed(const std::string& text) {
    Fields f;
    EXPECT_EQ(formatCallbackArg(text, f.command, f.amount, f.status, f.mode, f.extInfo), 0)
        << text;
    return f;
}

// One cycle of the mix through the handler, from a fresh device model.
void feedOneCycle() {
    g_eventDelivery.start();
    std::vector<std::string> texts = qxbench::callbackMix();
    for (std::string& text : texts) callbackfunc(&text[0]);
    ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(5000));
}

class CallbackMixTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("bench_mix");
        resetDeviceModelForTesting();
    }
    void TearDown() override { clearReceivers(); }
};

TEST_F(CallbackMixTest, EveryTextIsAStatusReportAndTheCycleHasNoRepeatAtItsSeam) {
    const auto& mix = qxbench::callbackMix();
    ASSERT_GE(mix.size(), 10u);
    int repeats = 0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const Fields f = parsed(mix[i]);
        EXPECT_TRUE(f.command == "a" || f.command == "b") << mix[i];
        if (i > 0 && mix[i] == mix[i - 1]) ++repeats;
    }
    EXPECT_GE(repeats, 3);
    EXPECT_NE(mix.front(), mix.back());
}

TEST_F(CallbackMixTest, ThePeerReadsTheFieldsTheHandlerReads) {
    for (const std::string& text : qxbench::callbackMix()) {
        const Fields f = parsed(text);
        const long expected = f.amount + f.status + f.mode +
                              static_cast<long>(f.extInfo.size()) + f.command[0];
        EXPECT_EQ(qxbench::splitWithStrtol(text), expected) << text;
    }
}

TEST_F(CallbackMixTest, OneCycleReachesTheApplicationAsEachKindOfEvent) {
    ASSERT_TRUE(qxbench::registerEventCounter());
    qxbench::resetEventCounts();
    feedOneCycle();
    const qxbench::EventCounts counts = qxbench::eventCounts();
    // Repeated texts are dropped; of the "b" texts only the error report
    // changes the status triple, so it alone adds a status event.
    EXPECT_EQ(counts.status, 10);
    EXPECT_EQ(counts.error, 1);
    EXPECT_EQ(counts.cashLevel, 3);
    EXPECT_EQ(counts.cashSession, 3);
}

TEST_F(CallbackMixTest, SwitchedOffTheCycleLogsOnlyTheDevicesErrorAndTheSwitchesComeBack) {
    {
        qxbench::LogSwitchScope off(false);
        feedOneCycle();
    }
    EXPECT_TRUE(qxtest::logLinesContaining("qxlogic", "a0000000031").empty());
    EXPECT_FALSE(qxtest::logLinesContaining("qxerror", "ErrorEvent").empty());
    EXPECT_TRUE(g_LogComToCAPI && g_LogCAPIToCR && g_LogDebug);

    resetDeviceModelForTesting();
    {
        qxbench::LogSwitchScope on(true);
        feedOneCycle();
    }
    EXPECT_FALSE(qxtest::logLinesContaining("qxlogic", "a0000000031").empty());
}

}  // namespace

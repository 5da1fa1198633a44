// till_day_test.cpp - a till's day through the stand-in control object
// against the simulator: consecutive sales however a deposit ends, a
// deposit the till abandons, a session the device closed, a jam cleared in
// a deposit, the pause, asynchronous dispenses, the cash counts, the
// standard's smaller rules, and a day's soak of 200 sales reconciled to
// the cent after each.  It has a control object of its own and registers
// the service object itself.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <type_traits>

#include "tests/opos/control_object.h"
#include "tests/opos/field.h"
#include "tests/opos/opos_numbers.h"

using namespace qxopos_test;

namespace {

const char kDevice[] = "QXCashChanger";
const int kWaitMs = 5000;
// This service object's DirectIOEvents.
const long kEventDepositRepaid = 10, kEventUncountedReturned = 11, kEventPayinStopped = 12;

long long deviceValue() { return simEntry<long long (*)()>("qxsim_total_value")(); }
long long cashBox() { return simEntry<long long (*)()>("qxsim_cash_box")(); }
int insert(int amount) { return simEntry<int (*)(int)>("qxsim_insert")(amount); }
void setOption(const char* name, int value) {
    simEntry<int (*)(const char*, int)>("qxsim_set_option")(name, value);
}
void overrideAnswer(char letter, const char* answer, int times) {
    simEntry<void (*)(char, const char*, int)>("qxsim_override_answer")(letter, answer, times);
}

// The device's cash and cash box against what the till was told.
struct Books {
    long long value = deviceValue(), box = cashBox();
    void expectMoved(long long booked, long long paidOut, const std::string& sale) const {
        EXPECT_EQ(cashBox() - box, booked) << sale << ": cash box";
        EXPECT_EQ(deviceValue() - value, booked - paidOut) << sale << ": device's cash";
    }
};

class TillDay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(runRegsvr32(serviceObjectFolder() + "qxopos.dll", false), 0u);
        s_sink.reset(new EventSink());
        std::string error;
        s_so = ServiceObject::create(kDevice, error);
        ASSERT_TRUE(s_so) << error;
        ASSERT_EQ(openClaimEnable(*s_so), SUCCESS);
    }
    static void TearDownTestSuite() {
        if (s_so) s_so->call(L"CloseService");
        s_so.reset();
        // The sink stays: the service object's event thread, told to end,
        // may still be delivering to it.
        runRegsvr32(serviceObjectFolder() + "qxopos.dll", true);
    }
    void SetUp() override {
        ASSERT_TRUE(s_so) << "no service object";
        so().setNumber(PIDXChan_RealTimeDataEnabled, 1);
        so().setNumber(PIDXChan_AsyncMode, 0);
        so().call(L"ClearInput");  // data events the last test left queued
        sink().clear();
    }

    static long openClaimEnable(ServiceObject& object) {
        long result = object.open("CashChanger", kDevice, s_sink.get());
        if (result == SUCCESS) result = object.call(L"ClaimDevice", 1000);
        if (result == SUCCESS) object.setNumber(PIDX_DeviceEnabled, 1);
        return result == SUCCESS ? object.number(PIDX_ResultCode) : result;
    }
    static ServiceObject& so() { return *s_so; }
    static EventSink& sink() { return *s_sink; }

    bool waitFor(ReceivedEvent::Kind kind, long number) {
        return sink().pumpUntil([=] { return sink().count(kind, number) > 0; }, kWaitMs);
    }
    // The data of this service object's DirectIOEvent once it came; -1 when it did not.
    long directIOData(long number) {
        if (!waitFor(ReceivedEvent::DirectIO, number)) return -1;
        for (const ReceivedEvent& event : sink().events())
            if (event.kind == ReceivedEvent::DirectIO && event.number == number) return event.data;
        return -1;
    }
    // Inserts and waits until the real-time DepositAmount shows the total.
    void pay(int amount, long total) {
        ASSERT_EQ(insert(amount), 0) << "pay-in is off";
        EXPECT_TRUE(sink().pumpUntil(
            [&] { return so().number(PIDXChan_DepositAmount) == total; }, kWaitMs))
            << "DepositAmount " << so().number(PIDXChan_DepositAmount) << ", paid " << total;
    }
    void startDeposit(int amount) {
        ASSERT_EQ(so().call(L"BeginDeposit"), SUCCESS)
            << "extended " << so().number(PIDX_ResultCodeExtended);
        pay(amount, amount);
    }
    // Fixes and ends it; the DepositAmount the till was told.
    long endDeposit(long how) {
        EXPECT_EQ(so().call(L"FixDeposit"), SUCCESS);
        const long told = so().number(PIDXChan_DepositAmount);
        EXPECT_EQ(so().call(L"EndDeposit", how), SUCCESS);
        return told;
    }
    void reenable() {
        so().setNumber(PIDX_DeviceEnabled, 1);
        ASSERT_EQ(so().number(PIDX_ResultCode), SUCCESS);
    }

    static SinkHolder s_sink;
    static std::unique_ptr<ServiceObject> s_so;
};
SinkHolder TillDay::s_sink;
std::unique_ptr<ServiceObject> TillDay::s_so;

// How a sale ends: what the till does after fixing the deposit, and what
// it paid out.
struct Ending {
    const char* name;
    long endDeposit;
    long change;        // DispenseChange's amount; 0: none called
    long changeResult;  // what DispenseChange answers
};

}  // namespace

TEST_F(TillDay, EverySaleEndingLeavesTheNextSaleReady) {
    const Ending endings[] = {
        {"NOCHANGE", DEPOSIT_NOCHANGE, 0, SUCCESS},
        {"CHANGE, change paid", DEPOSIT_CHANGE, 730, SUCCESS},
        {"CHANGE, no change due", DEPOSIT_CHANGE, 0, SUCCESS},
        {"REPAY", DEPOSIT_REPAY, 0, SUCCESS},
        {"CHANGE, the change refused", DEPOSIT_CHANGE, 90000000, E_EXTENDED},
        {"NOCHANGE again", DEPOSIT_NOCHANGE, 0, SUCCESS},
    };
    for (const Ending& ending : endings) {
        const Books books;
        startDeposit(2000);
        if (HasFatalFailure()) return;
        const long told = endDeposit(ending.endDeposit);
        EXPECT_EQ(told, 2000) << ending.name;
        if (ending.change) {
            EXPECT_EQ(so().call(L"DispenseChange", ending.change), ending.changeResult);
        }
        const long paidOut = ending.changeResult == SUCCESS ? ending.change : 0;
        books.expectMoved(ending.endDeposit == DEPOSIT_REPAY ? 0 : told, paidOut, ending.name);
    }
    ASSERT_EQ(so().call(L"BeginDeposit"), SUCCESS) << "after the last sale";
    EXPECT_EQ(endDeposit(DEPOSIT_REPAY), 0);
}

// Disable and release end a deposit as REPAY and say so; a repay the
// device refuses leaves the cash to be returned before the next deposit,
// never booked with it.
TEST_F(TillDay, AnAbandonedDepositIsRepaidNeverBookedWithTheNext) {
    struct Abandon {
        const char* name;
        bool repayRefused;
        std::function<void()> leave, comeBack;
    };
    const Abandon ways[] = {
        {"disable", false, [] { so().setNumber(PIDX_DeviceEnabled, 0); }, [this] { reenable(); }},
        {"release", false, [] { so().call(L"ReleaseDevice"); },
         [this] {
             ASSERT_EQ(so().call(L"ClaimDevice", 1000), SUCCESS);
             reenable();
         }},
        {"close", false, [] { so().call(L"CloseService"); },
         [] { ASSERT_EQ(openClaimEnable(so()), SUCCESS); }},
        {"disable, repay refused", true, [] { so().setNumber(PIDX_DeviceEnabled, 0); },
         [this] { reenable(); }},
    };
    // Holds the simulator across the close, so that its cash stays to be counted.
    const std::unique_ptr<std::remove_pointer<HMODULE>::type, BOOL(WINAPI*)(HMODULE)> simulator(
        LoadLibraryA(loadedDeviceLibrary().c_str()), FreeLibrary);
    ASSERT_TRUE(simulator);
    for (const Abandon& way : ways) {
        const Books books;
        sink().clear();
        startDeposit(1000);
        if (way.repayRefused) overrideAnswer('e', "002", 1);
        way.leave();
        EXPECT_EQ(so().number(PIDX_DeviceEnabled), 0) << way.name;
        if (way.repayRefused) {
            EXPECT_EQ(deviceValue() - books.value, 1000) << way.name << ": held";
        } else {
            books.expectMoved(0, 0, way.name);
            if (std::string(way.name) != "close") {  // closing drops the events still queued
                EXPECT_EQ(directIOData(kEventDepositRepaid), 1000) << way.name;
            }
        }
        way.comeBack();
        startDeposit(500);
        if (HasFatalFailure()) return;
        if (way.repayRefused) {
            EXPECT_EQ(directIOData(kEventUncountedReturned), 1000);
        }
        EXPECT_EQ(endDeposit(DEPOSIT_NOCHANGE), 500) << way.name;
        books.expectMoved(500, 0, way.name);
    }
}

// A device that restarted has closed the session: the service object
// answers OFFLINE while DeviceEnabled reads true, and enabling again logs
// in again.
TEST_F(TillDay, AClosedSessionAnswersOfflineAndEnablingReconnects) {
    // The last sale's reports first: a restart in a cash move would leave
    // the driver waiting for its end.
    ASSERT_EQ(simEntry<int (*)(int)>("qxsim_wait_idle")(kWaitMs), 0);
    simEntry<void (*)()>("qxsim_reset")();
    EXPECT_EQ(so().call(L"BeginDeposit"), E_OFFLINE);
    EXPECT_EQ(so().number(PIDX_DeviceEnabled), 1);
    reenable();
    const Books books;
    startDeposit(1000);
    EXPECT_EQ(endDeposit(DEPOSIT_NOCHANGE), 1000);
    books.expectMoved(1000, 0, "after the reconnect");
}

TEST_F(TillDay, AJamClearedInADepositLetsTheDepositGoOn) {
    struct Clearing {
        const char* name;
        std::function<void()> clear;
        bool tillRestarts;  // the till switches pay-in on again with PauseDeposit(RESTART)
    };
    const Clearing clearings[] = {
        {"DirectIO reset",
         [] {
             long data = 0;
             std::string text;
             EXPECT_EQ(so().directIO(1, data, text), SUCCESS) << text;
         },
         false},
        {"cleared by itself, pay-in off",
         [] {
             setOption("error_code", 0);
             // Idle, pay-in off, 10.00 paid in.
             simEntry<void (*)(const char*)>("qxsim_inject_callback")("a0000100031");
         },
         true},
    };
    for (const Clearing& clearing : clearings) {
        const Books books;
        sink().clear();
        startDeposit(1000);
        setOption("error_code", 1);
        ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAM)) << clearing.name;
        EXPECT_EQ(so().number(PIDXChan_DepositStatus), DEPOSIT_JAM);
        clearing.clear();
        ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAMOK)) << clearing.name;
        if (clearing.tillRestarts) {
            EXPECT_GE(directIOData(kEventPayinStopped), 0) << "no word that pay-in stopped";
            EXPECT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), SUCCESS) << clearing.name;
        }
        EXPECT_EQ(so().number(PIDXChan_DepositStatus), 4 /* COUNT */) << clearing.name;
        pay(500, 1500);
        EXPECT_EQ(so().call(L"PauseDeposit", DEPOSIT_PAUSE), SUCCESS) << clearing.name;
        EXPECT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), SUCCESS) << clearing.name;
        EXPECT_EQ(endDeposit(DEPOSIT_NOCHANGE), 1500) << clearing.name;
        books.expectMoved(1500, 0, clearing.name);
    }
}

TEST_F(TillDay, PauseFixesDepositAmount) {
    so().setNumber(PIDXChan_RealTimeDataEnabled, 0);
    ASSERT_EQ(so().call(L"BeginDeposit"), SUCCESS);
    so().setNumber(PIDX_DataEventEnabled, 1);
    ASSERT_EQ(insert(1000), 0);
    ASSERT_TRUE(waitFor(ReceivedEvent::Data, 0));
    EXPECT_EQ(so().number(PIDXChan_DepositAmount), 0) << "not real time";
    ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_PAUSE), SUCCESS);
    EXPECT_EQ(so().number(PIDXChan_DepositAmount), 1000);
    ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), SUCCESS);
    EXPECT_EQ(endDeposit(DEPOSIT_REPAY), 1000);
}

// With AsyncMode the dispense returns at once; the device answers the ask
// "Busy" a few times, so the payment is still under way for the calls
// that follow.
TEST_F(TillDay, AsynchronousDispensesReportTheirEnd) {
    struct Payment {
        const char* name;
        std::function<long()> start;
        long paid, result, extended;
    };
    const Payment payments[] = {
        {"DispenseChange", [] { return so().call(L"DispenseChange", 730); }, 730, SUCCESS, 0},
        {"DispenseCash", [] { return so().call(L"DispenseCash", std::string("20:1,50:2;500:1")); },
         620, SUCCESS, 0},
        {"over-dispense", [] { return so().call(L"DispenseChange", 90000000); }, 0, E_EXTENDED,
         ECHAN_OVERDISPENSE},
    };
    so().setNumber(PIDXChan_AsyncMode, 1);
    ASSERT_EQ(so().number(PIDX_ResultCode), SUCCESS);
    ASSERT_EQ(so().number(PIDXChan_AsyncMode), 1);
    for (const Payment& payment : payments) {
        const Books books;
        sink().clear();
        const long outputId = so().number(PIDX_OutputID);
        overrideAnswer('d', "001", 4);
        ASSERT_EQ(payment.start(), SUCCESS) << payment.name;
        EXPECT_EQ(so().number(PIDX_OutputID), outputId + 1) << payment.name;
        EXPECT_EQ(so().call(L"BeginDeposit"), E_BUSY) << payment.name;
        std::string counts;
        bool discrepancy = false;
        EXPECT_EQ(so().readCashCounts(counts, discrepancy), E_BUSY) << payment.name;
        ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_ASYNC)) << payment.name;
        EXPECT_EQ(so().number(PIDXChan_AsyncResultCode), payment.result) << payment.name;
        EXPECT_EQ(so().number(PIDXChan_AsyncResultCodeExtended), payment.extended);
        books.expectMoved(0, payment.paid, payment.name);
    }
}

// The device reports a denomination's count when it crosses a mark: the
// 10.00 notes falling to their low mark give their count.
TEST_F(TillDay, CashCountsFromTheLevelReports) {
    simEntry<int (*)(int, int)>("qxsim_set_level")(1000, 6);
    const Books books;
    EXPECT_EQ(so().call(L"DispenseCash", std::string(";1000:1")), SUCCESS);
    books.expectMoved(0, 1000, "DispenseCash");
    ASSERT_TRUE(sink().pumpUntil([] { return simEntry<int (*)(int)>("qxsim_level")(1000) == 5; },
                                 kWaitMs));
    sink().pump(200);
    std::string counts;
    bool discrepancy = false;
    ASSERT_EQ(so().readCashCounts(counts, discrepancy), SUCCESS);
    const std::string list = so().text(PIDXChan_CurrencyCashList);
    const std::string form = std::regex_replace(list, std::regex("(\\d+)"), "$1:\\d+");
    EXPECT_TRUE(std::regex_match(counts, std::regex(form))) << counts << " for " << list;
    EXPECT_NE(counts.find(",1000:5,"), std::string::npos) << counts;
    EXPECT_TRUE(discrepancy) << "the other denominations were never reported";

    const std::pair<const char*, long> adjustments[] = {
        {"1:10,2:10;500:3", SUCCESS}, {"", E_ILLEGAL}, {"3:1", E_ILLEGAL}, {"500:x", E_ILLEGAL}};
    for (const auto& [text, result] : adjustments)
        EXPECT_EQ(so().call(L"AdjustCashCounts", std::string(text)), result) << text;
    EXPECT_EQ(so().call(L"DispenseCash", std::string("7:1")), E_ILLEGAL);
    books.expectMoved(0, 1000, "AdjustCashCounts changes nothing");
}

TEST_F(TillDay, TheStandardsSmallerRules) {
    EXPECT_EQ(so().call(L"DispenseChange", 0), E_ILLEGAL);

    std::string xml = "HoursPoweredCount";
    EXPECT_EQ(so().retrieveStatistics(xml), SUCCESS);
    EXPECT_NE(xml.find("<Name>HoursPoweredCount</Name><Value></Value>"), std::string::npos)
        << xml;
    const std::pair<const wchar_t*, const char*> unknown[] = {
        {L"ResetStatistics", "HoursPoweredCount"}, {L"UpdateStatistics", "ModelName=x"}};
    for (const auto& [method, argument] : unknown) {
        EXPECT_EQ(so().call(method, std::string(argument)), E_EXTENDED) << argument;
        EXPECT_EQ(so().number(PIDX_ResultCodeExtended), ESTATS_ERROR) << argument;
    }

    // A second control object of this process opens the same device; only
    // the claim is exclusive.
    std::string error;
    auto second = ServiceObject::create(kDevice, error);
    ASSERT_TRUE(second) << error;
    ASSERT_EQ(second->open("CashChanger", kDevice, &sink()), SUCCESS)
        << "open result " << second->call(L"GetOpenResult");
    EXPECT_EQ(second->call(L"ClaimDevice", 0), E_TIMEOUT);
    EXPECT_EQ(second->call(L"CloseService"), SUCCESS);
    second.reset();
    startDeposit(200);
    EXPECT_EQ(endDeposit(DEPOSIT_REPAY), 200) << "the first goes on";
}

// 200 sales, every way a sale ends, each reconciled to the cent.
TEST_F(TillDay, ADaysSoak) {
    enum Kind { NoChange, Change, ChangeAsync, NoChangeDue, Repay, Paused, Jam, Disabled, Kinds };
    long long booked = 0, paidOut = 0;
    const Books day;
    for (int sale = 0; sale < 200; ++sale) {
        const Kind kind = static_cast<Kind>(sale % Kinds);
        const std::string name = "sale " + std::to_string(sale) + " kind " + std::to_string(kind);
        SCOPED_TRACE(name);
        const int amount = 500 + (sale * 370) % 4500;
        const long change = 10 + (sale * 130) % 490;
        const Books books;
        sink().clear();
        startDeposit(amount);
        if (HasFatalFailure()) return;
        long told = amount, saleBooked = amount, salePaid = 0;
        switch (kind) {
        case Paused:
            ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_PAUSE), SUCCESS) << name;
            EXPECT_EQ(so().number(PIDXChan_DepositAmount), amount) << name;
            ASSERT_EQ(so().call(L"PauseDeposit", DEPOSIT_RESTART), SUCCESS) << name;
            pay(200, amount + 200);
            told = endDeposit(DEPOSIT_NOCHANGE);
            saleBooked = amount + 200;
            break;
        case Jam: {
            setOption("error_code", sale % 2 + 1);
            ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAM)) << name;
            long data = 0;
            std::string text;
            ASSERT_EQ(so().directIO(1, data, text), SUCCESS) << name << text;
            ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_JAMOK)) << name;
            pay(100, amount + 100);
            told = endDeposit(DEPOSIT_CHANGE);
            saleBooked = amount + 100;
            ASSERT_EQ(so().call(L"DispenseChange", change), SUCCESS) << name;
            salePaid = change;
            break;
        }
        case Disabled:
            so().setNumber(PIDX_DeviceEnabled, 0);
            EXPECT_EQ(directIOData(kEventDepositRepaid), amount) << name;
            reenable();
            told = saleBooked = 0;
            break;
        case Repay:
            told = endDeposit(DEPOSIT_REPAY);
            saleBooked = 0;
            break;
        case NoChange: told = endDeposit(DEPOSIT_NOCHANGE); break;
        case NoChangeDue: told = endDeposit(DEPOSIT_CHANGE); break;
        case Change:
        case ChangeAsync:
            told = endDeposit(DEPOSIT_CHANGE);
            so().setNumber(PIDXChan_AsyncMode, kind == ChangeAsync);
            ASSERT_EQ(so().call(L"DispenseChange", change), SUCCESS) << name;
            if (kind == ChangeAsync) {
                ASSERT_TRUE(waitFor(ReceivedEvent::StatusUpdate, CHAN_STATUS_ASYNC)) << name;
                ASSERT_EQ(so().number(PIDXChan_AsyncResultCode), SUCCESS) << name;
                so().setNumber(PIDXChan_AsyncMode, 0);
            }
            salePaid = change;
            break;
        case Kinds: break;
        }
        if (kind != Disabled) {
            EXPECT_EQ(told, saleBooked + (kind == Repay ? amount : 0)) << name;
        }
        books.expectMoved(saleBooked, salePaid, name);
        booked += saleBooked;
        paidOut += salePaid;
        if (HasFailure()) return;
    }
    day.expectMoved(booked, paidOut, "the day");
}

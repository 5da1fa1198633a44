// soak_test.cpp - many sale cycles through the exports against the
// simulator, with seeded random faults: busy spells, refused answers, jams,
// malformed and lost reports and queue floods.  After every cycle the
// device's cash matches what the operations that returned OK moved and the
// information queues hold what the posted events announced; afterwards the
// library still answers and its memory has not grown.
//
//   QX_SOAK_SEED     replay a run (the seed is printed at the start)
//   QX_SOAK_CYCLES   cycle count; the long form is 20000
//   QX_SOAK_SECONDS  time budget, checked after every cycle
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/api_loader.h"
#include "tests/support/event_window.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

enum class Fault { None, Busy, Override, Jam, Malformed, LostReport, Flood };

// A device answer the simulator is told to give, as the caller sees it.
struct AnswerFault {
    const char* answer;
    short code;
    const char* message;
};
const AnswerFault kAnswers[] = {{"001", QX_STATUS_BUSY, "Busy"},
                                {"002", QX_STATUS_ERROR, "Error"},
                                {"003", QX_STATUS_CLOSED, "Closed"},
                                {"00X", QX_STATUS_SEND_FAILED, "Send failed"},
                                {"9", QX_STATUS_SEND_FAILED, "Send failed"}};

// Texts the callback parser must refuse, leaving the model in error.
const std::vector<std::string> kMalformed = {
    "a0000", "aXXXXXXXX01", "a-000000131", "x123", std::string("\x80\xff\xfe\x01\x02 bin", 9),
    "z" + std::string(4000, 'q')};

using Call = std::function<short(char*)>;

class SoakTill {
public:
    SoakTill(const QxExports& qx, const SimControl& sim, unsigned seed)
        : m_qx(qx), m_sim(sim), m_random(seed) {}

    std::map<std::string, int> tally;
    int sale = 0;

    void open() {
        ASSERT_NE(m_window.handle(), nullptr);
        // Reports take a real line's time, as on the wire.
        ASSERT_EQ(m_sim.qxsim_set_option("ms_per_char", 1), 0);
        expectOk([&](char* m) { return m_qx.registerHwndQX(m_window.handle(), m); });
        expectOk([&](char* m) { return m_qx.initQX("Type:RS232;Name:COM1", "", m); });
        expectOk([&](char* m) { return m_qx.loginQX(1, 1, m); });
        settle();
        for (int d : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1})
            m_stock.emplace_back(d, m_sim.qxsim_level(d));
        m_expected = m_sim.qxsim_total_value();
        verify();
    }

    void cycle() {
        ++sale;
        const Fault fault = pickFault();
        if (fault == Fault::Jam || fault == Fault::Malformed) breakAndRecover(fault);
        if (fault == Fault::Flood) flood();
        switch (pick(6)) {
        case 0: saleCycle(fault); break;
        case 1: payoutCycle(fault); break;
        case 2: regretCycle(fault); break;
        case 3: changeCycle(fault); break;
        case 4: refundCycle(fault); break;
        default: depositCycle(fault); break;
        }
        if (pick(100) < 2) shiftChange();
        verify();
    }

    // The library still answers: a query and an orderly close.
    void close() {
        int open = -1;
        expectOk([&](char* m) { return m_qx.isOpenQX(&open, m); });
        EXPECT_EQ(open, 1);
        shiftChange();
        expectOk([&](char* m) { return m_qx.logoutQX(m); });
        m_sim.qxsim_wait_idle(5000);
        expectOk([&](char* m) { return m_qx.exitQX(m); });
    }

private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(m_random); }
    Fault pickFault() {
        static const Fault kFaults[] = {Fault::None,     Fault::None,      Fault::None,
                                        Fault::None,     Fault::Busy,      Fault::Busy,
                                        Fault::Override, Fault::Jam,       Fault::Malformed,
                                        Fault::LostReport, Fault::Flood};
        return kFaults[pick(sizeof kFaults / sizeof kFaults[0])];
    }

    short call(const Call& op, std::string* message = nullptr) {
        char text[QX_BUFFER_CAPACITY] = "";
        const short code = op(text);
        if (message) *message = text;
        return code;
    }
    void expectOk(const Call& op) {
        std::string message;
        EXPECT_EQ(call(op, &message), QX_STATUS_OK) << "sale " << sale << ": " << message;
    }

    // Waits for every report, then reads the events they caused.
    void settle(std::vector<long long>* errorCodes = nullptr) {
        EXPECT_EQ(m_sim.qxsim_wait_idle(10000), 0) << "device never went idle";
        absorb(errorCodes);
    }
    void absorb(std::vector<long long>* errorCodes = nullptr) {
        for (const PostedEvent& event : m_window.drain()) {
            switch (event.kind) {
            case EventKind::Status:
                m_status = static_cast<int>(event.wParam % 100);
                m_amount = static_cast<int>(event.lParam);
                break;
            case EventKind::Error:
                if (errorCodes) errorCodes->push_back(event.lParam);
                queue(m_errors, "Error Code " + std::to_string(event.lParam));
                break;
            case EventKind::CashLevel:
                queue(m_levels, m_floodTexts.empty() ? "" : m_floodTexts.front());
                if (!m_floodTexts.empty()) m_floodTexts.pop_front();
                break;
            case EventKind::CashSession:
                queue(m_sessions, std::string("BO/WDBO/RFCR/WDCR/RFQuaxV").substr(
                                      static_cast<std::size_t>(event.wParam % 5) * 5, 5));
                break;
            case EventKind::Other: ADD_FAILURE() << "unknown message in sale " << sale; break;
            }
        }
    }
    // A queue keeps 100 texts; the event of a dropped one is still posted.
    void queue(std::deque<std::string>& texts, const std::string& text) {
        if (texts.size() < 100) texts.push_back(text);
        else ++m_refused;
    }

    // The cash adds up, the queues give what the events announced oldest
    // first and are empty after, and the stock is topped up again.
    void verify() {
        settle();
        EXPECT_EQ(m_sim.qxsim_total_value(), m_expected) << "cash unaccounted in sale " << sale;
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events in sale " << sale;
        char text[QX_BUFFER_CAPACITY], ext[QX_BUFFER_CAPACITY];
        for (; !m_errors.empty(); m_errors.pop_front()) {
            EXPECT_EQ(m_qx.getErrorInfoQX(text, ext), QX_STATUS_OK);
            EXPECT_EQ(text, m_errors.front());
        }
        for (; !m_levels.empty(); m_levels.pop_front()) {
            EXPECT_EQ(m_qx.getCashLevelInfoQX(ext), QX_STATUS_OK);
            const std::string expected = m_levels.front();
            EXPECT_EQ(std::string(ext).substr(0, expected.empty() ? 0 : 99), expected);
            EXPECT_GE(std::string(ext).size(), 16u) << ext;
        }
        for (; !m_sessions.empty(); m_sessions.pop_front()) {
            EXPECT_EQ(m_qx.getCashSessionInfoQX(ext), QX_STATUS_OK);
            EXPECT_EQ(std::string(ext).substr(0, 5), m_sessions.front());
        }
        EXPECT_EQ(m_qx.getErrorInfoQX(text, ext), QX_STATUS_OK);
        EXPECT_STREQ(text, "") << "error queue holds more than was announced";
        EXPECT_EQ(m_qx.getCashLevelInfoQX(ext), QX_STATUS_OK);
        EXPECT_STREQ(ext, "") << "cash-level queue holds more than was announced";
        EXPECT_EQ(m_qx.getCashSessionInfoQX(ext), QX_STATUS_OK);
        EXPECT_STREQ(ext, "") << "cash-session queue holds more than was announced";
        for (const auto& entry : m_stock) {
            const int now = m_sim.qxsim_level(entry.first);
            m_sim.qxsim_set_level(entry.first, entry.second);
            m_expected += static_cast<long long>(entry.second - now) * entry.first;
        }
    }

    int paidIn() const {
        int sum = 0;
        for (int item : m_items) sum += item;
        return sum;
    }
    int commandCount() const {
        char none[1];
        return m_sim.qxsim_commands(none, 1);
    }

    // A jam or a malformed report: operations are refused before any
    // command goes out, and reset (sent even in error) recovers.
    void breakAndRecover(Fault fault) {
        std::vector<long long> codes;
        if (fault == Fault::Jam) {
            const int code = 1 + pick(6);
            ASSERT_EQ(m_sim.qxsim_set_option("error_code", code), 0);
            settle(&codes);
            EXPECT_EQ(codes, std::vector<long long>{code}) << "error event of the jam";
        } else {
            m_sim.qxsim_inject_callback(kMalformed[static_cast<std::size_t>(pick(6))].c_str());
            settle();
        }
        const int before = commandCount();
        std::string message;
        EXPECT_EQ(call([&](char* m) { return m_qx.enablePayinQX(m); }, &message), QX_STATUS_ERROR);
        EXPECT_EQ(message, "QuaxVault has error(s)");
        int rest = -1;
        EXPECT_EQ(call([&](char* m) { return m_qx.dispenseQX(100, "x", &rest, m); }), QX_STATUS_ERROR);
        EXPECT_EQ(commandCount(), before) << "a command went out while in error";
        recover();
        ++tally[fault == Fault::Jam ? "jam" : "malformed text"];
    }
    void recover() {
        expectOk([&](char* m) { return m_qx.resetQX(m); });
        settle();
        EXPECT_EQ(m_status, 3) << "status after reset";
    }

    // More cash-level reports than a queue holds: all are posted, the
    // first hundred are kept in order.
    void flood() {
        const int count = 101 + pick(10);
        const std::string head = "b" + std::string(8 - std::to_string(m_amount).size(), '0') +
                                 std::to_string(m_amount) + std::to_string(m_status) + "1";
        for (int i = 0; i < count; ++i) {
            std::string level = (i < 9 ? "0" : "") + std::to_string(i + 1) + " 20";
            level.resize(16, ' ');
            m_floodTexts.push_back(level);
            m_sim.qxsim_inject_callback((head + level).c_str());
        }
        const int refusedBefore = m_refused;
        settle();
        EXPECT_EQ(m_refused - refusedBefore, count - 100);
        EXPECT_TRUE(m_floodTexts.empty()) << m_floodTexts.size() << " reports never posted";
        m_floodTexts.clear();
        ++tally["flood"];
    }

    // The customer pays item by item; a lost report is healed by the next,
    // which carries the whole paid-in amount.
    void payIn(int count, Fault fault) {
        expectOk([&](char* m) { return m_qx.enablePayinQX(m); });
        settle();
        static const int kItems[] = {10000, 5000, 2000, 1000, 500, 200, 100, 50};
        const bool lose = fault == Fault::LostReport;
        for (int i = 0; i < count || (lose && i < 2); ++i) {
            if (lose && i == 0) {
                ASSERT_EQ(m_sim.qxsim_set_option("drop_callbacks", 1), 0);
            }
            const int item = kItems[pick(8)];
            ASSERT_EQ(m_sim.qxsim_insert(item), 0) << "pay-in not enabled in sale " << sale;
            m_items.push_back(item);
            m_expected += item;
            settle();
        }
        if (lose) ++tally["lost report"];
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events";
    }
    void disablePayin() {
        expectOk([&](char* m) { return m_qx.disablePayinQX(m); });
        settle();
    }

    // The cycle's cash operation under its fault (once refused, then
    // again); a success or a time-out after the hand-over moved `out`,
    // unless the device reported a failed payout (error 12).
    void operation(char letter, const Call& op, long long out, Fault fault) {
        if (fault == Fault::Override) {
            const AnswerFault& answer = kAnswers[pick(5)];
            m_sim.qxsim_override_answer(letter, answer.answer, 1);
            std::string message;
            EXPECT_EQ(call(op, &message), answer.code) << letter << " answered " << answer.answer;
            EXPECT_EQ(message, answer.message);
            settle();
            ++tally["refused answer"];
        }
        if (fault == Fault::Busy) {
            ASSERT_EQ(m_sim.qxsim_set_option("busy_for_ms", 20 + pick(80)), 0);
            for (int i = 0; i < 1000 && m_status != 1; ++i) {
                absorb();
                if (m_status != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            EXPECT_EQ(m_status, 1) << "busy report never arrived";
            ++tally["busy spell"];
        }
        const int before = commandCount();
        std::string message;
        const short code = call(op, &message);
        std::vector<long long> errorCodes;
        settle(&errorCodes);
        bool sent = code == QX_STATUS_OK;
        if (code == QX_STATUS_TIMEOUT) {
            sent = commandCount() > before;
            ++tally["timed out after hand-over"];
        }
        if (!sent) {
            ADD_FAILURE() << letter << " failed in sale " << sale << ": " << code << " " << message;
            return;
        }
        for (long long error : errorCodes) {
            if (error != 12) continue;
            ++tally["payout failed"];
            recover();
            return;
        }
        m_expected -= out;
        m_afterOperation();
    }

    void saleCycle(Fault fault) {
        payIn(1 + pick(3), fault);
        const int due = pick(paidIn() + 1);
        int rest = -1;
        m_afterOperation = [&] { m_items.clear(); };
        operation('f', [&](char* m) { return m_qx.amountDueQX(due, "sale", &rest, m); },
                  paidIn() - due, fault);
        disablePayin();
    }
    void payoutCycle(Fault fault) {
        payIn(1 + pick(2), fault);
        const int change = pick(5000);
        const int in = paidIn();
        int rest = -1;
        m_afterOperation = [&] { m_items.clear(); };
        operation('f', [&](char* m) { return m_qx.payout2QX(change, in, "payout", &rest, m); },
                  change, fault);
        disablePayin();
    }
    void regretCycle(Fault fault) {
        payIn(2 + pick(2), fault);
        m_afterOperation = [&] { m_items.pop_back(); };
        operation('e', [&](char* m) { return m_qx.regretQX(0, m); }, m_items.back(), fault);
        m_afterOperation = [&] { m_items.clear(); };
        operation('e', [&](char* m) { return m_qx.regretQX(1, m); }, paidIn(), Fault::None);
        disablePayin();
    }
    void changeCycle(Fault fault) {
        payIn(1 + pick(3), fault);
        m_afterOperation = [&] { m_items.clear(); };
        operation('e', [&](char* m) { return m_qx.changeQX(m); }, paidIn(), fault);
        disablePayin();
    }
    // A refund from the drawer; asking first lets a large one go out
    // without a second question.
    void refundCycle(Fault fault) {
        const int amount = pick(20000);
        int rest = -1;
        if (amount >= 4900) {
            expectOk([&](char* m) { return m_qx.askPayout2QX(amount, &rest, m); });
            EXPECT_EQ(rest, 0);
            settle();
        }
        m_afterOperation = [] {};
        operation('c', [&](char* m) { return m_qx.dispenseQX(amount, "refund", &rest, m); },
                  amount, fault);
    }
    // The paid-in cash is booked with pay-in disabled, then perhaps some
    // cash back.
    void depositCycle(Fault fault) {
        payIn(1 + pick(3), fault);
        disablePayin();
        m_afterOperation = [&] { m_items.clear(); };
        operation('f', [&](char* m) { return m_qx.depositQX("deposit", m); }, 0, fault);
        const int cashBack = pick(2) ? 0 : pick(3000);
        int rest = -1;
        m_afterOperation = [] {};
        operation('c', [&](char* m) { return m_qx.dispenseQX(cashBack, "back", &rest, m); },
                  cashBack, Fault::None);
    }

    // The shift ends (the device reports its session totals) and the next
    // begins on a fresh device, booked as a refill.
    void shiftChange() {
        expectOk([&](char* m) { return m_qx.logoutQX(m); });
        settle();
        const long long before = m_sim.qxsim_total_value();
        m_sim.qxsim_reset();
        ASSERT_EQ(m_sim.qxsim_set_option("ms_per_char", 1), 0);
        m_expected += m_sim.qxsim_total_value() - before;
        expectOk([&](char* m) { return m_qx.loginQX(1, 1, m); });
        settle();
        ++tally["shift change"];
    }

    const QxExports& m_qx;
    const SimControl& m_sim;
    std::mt19937 m_random;
    EventWindow m_window;
    long long m_expected = 0;
    std::vector<int> m_items;  // the customer's, oldest first
    int m_amount = 0, m_status = -1, m_refused = 0;
    std::function<void()> m_afterOperation;
    std::vector<std::pair<int, int>> m_stock;  // denomination, starting count
    std::deque<std::string> m_errors, m_levels, m_sessions, m_floodTexts;
};

TEST(SoakTest, SaleCyclesUnderRandomFaultsKeepEveryAmountAccountedFor) {
    if (!apiLoaded()) {
        setEnv("QXLOGS", makeTempDir("soak_logs"));
        setEnv("QXCONFIG", makeTempDir("soak_config"));
    }
    std::string error;
    const LoadedApi* api = loadApi(error);
    ASSERT_NE(api, nullptr) << error;
    api->sim.qxsim_reset();
    // Wine and the sanitizers run a shorter short form.
    const bool slow = onWindows() || sanitizerBuild() || underValgrind();
    const auto seed = static_cast<unsigned>(envNumber(
        "QX_SOAK_SEED", std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff));
    const long cycles = envNumber("QX_SOAK_CYCLES", onWindows() ? 40 : slow ? 80 : 100);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(envNumber("QX_SOAK_SECONDS", 60));
    std::printf("[ soak     ] QX_SOAK_SEED=%u QX_SOAK_CYCLES=%ld\n", seed, cycles);

    SoakTill till(api->qx, api->sim, seed);
    ASSERT_NO_FATAL_FAILURE(till.open());
    // Resident memory may settle in the first quarter, then stays flat.
    const bool watchMemory = !slow;
    long resident = -1;
    for (long done = 0; done < cycles && std::chrono::steady_clock::now() < deadline; ++done) {
        if (done == cycles / 4 && watchMemory) resident = residentKiB();
        till.cycle();
        if (::testing::Test::HasFailure()) {
            FAIL() << "stopped in sale " << till.sale << "; replay with QX_SOAK_SEED=" << seed;
        }
    }
    till.close();
    if (resident >= 0) {
        EXPECT_LT(residentKiB() - resident, 2048) << "resident memory grew";
    }
    for (const auto& entry : till.tally)
        std::printf("[ soak     ]   %-26s %d\n", entry.first.c_str(), entry.second);
    EXPECT_GT(till.sale, 0);
    api->sim.qxsim_reset();
}

}  // namespace
}  // namespace qxtest

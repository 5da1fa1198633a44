// soak_till.h - the till that the soak drives: it calls the exports
// against the simulator, reads every event the library posts to its
// window, and keeps the ledger, the paid-out list copy and the queue
// expectations up to date.  The sale cycles and their faults are in
// soak_cycles.h; this file holds the plumbing and the checks made after
// every cycle.
//
// The rules the till relies on (what moved, what was refused) are those of
// the exports: a cash operation that returned OK moved its cash; one that
// failed before or at the hand-over of its command moved nothing; one
// that timed out after the hand-over moved its cash.  Either moved nothing
// when the device reported a failed payout (error 12) for it.
#ifndef QX_SOAK_TILL_H
#define QX_SOAK_TILL_H

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/soak/soak_ledger.h"
#include "tests/support/api_loader.h"
#include "tests/support/event_window.h"

namespace qxtest {

enum class Fault {
    None, Busy, Override, Jam, Malformed, DropInsertReport, DropEnableReport, Flood, Limit,
    SlowDrop
};

// How a device answer the simulator is told to give reaches the caller.
struct AnswerFault {
    const char* answer;
    short code;
    const char* message;
};
inline const std::vector<AnswerFault>& answerFaults() {
    static const std::vector<AnswerFault> faults = {
        {"001", QX_STATUS_BUSY, "Busy"},       {"002", QX_STATUS_ERROR, "Error"},
        {"003", QX_STATUS_CLOSED, "Closed"},   {"00X", QX_STATUS_SEND_FAILED, "Send failed"},
        {"9", QX_STATUS_SEND_FAILED, "Send failed"}};
    return faults;
}

// Texts the callback parser must refuse; each leaves the device model in
// its error status until the next good report.
inline std::vector<std::string> malformedTexts() {
    return {"a0000",
            "aXXXXXXXX01",
            "a-000000131",
            "x123",
            std::string("\x80\xff\xfe\x01\x02 binary", 12),
            "z" + std::string(4000, 'q'),
            "a" + std::string(4000, 'Z')};
}

struct OpResult {
    short code = -1;
    std::string message;
};

class SoakTill {
public:
    using Call = std::function<short(char*)>;
    static constexpr const char* kPort = "Type:RS232;Name:COM1";

    SoakTill(const QxExports& qx, const SimControl& sim, unsigned seed, int slowFaults)
        : m_qx(qx), m_sim(sim), m_random(seed), m_slowFaultsLeft(slowFaults) {}

    std::map<std::string, int> tally;  // faults and outcomes, for the summary
    CashLedger ledger;
    PaidOutShadow paidOut;
    QueueShadow queues;

    // Registers the window, initiates with the limit on, logs in; keeps
    // the device's starting stock as the refill target.
    void open(int busyMs) {
        ASSERT_NE(m_window.handle(), nullptr);
        m_busyMs = busyMs;
        paceLikeALine();
        expectOk("registerHwndQX", [&](char* m) { return m_qx.registerHwndQX(m_window.handle(), m); });
        const std::string settings = "PayOutAmountPerTimeLimitAmount:" +
                                     std::to_string(PaidOutShadow::kOpenLimit) +
                                     ";PayOutAmountPerTimeLimitSeconds:864000";
        expectOk("initQX", [&](char* m) { return m_qx.initQX(kPort, settings.c_str(), m); });
        expectOk("loginQX", [&](char* m) { return m_qx.loginQX(1, 1, m); });
        settle();
        for (int denomination : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20,
                                 10, 5, 2, 1}) {
            m_stock.emplace_back(denomination, m_sim.qxsim_level(denomination));
        }
        ledger.initialTotal = m_sim.qxsim_total_value();
        verifySettled();
    }

    void cycle();  // soak_cycles.h

    // The operator's shift ends and the next begins: the device reports
    // the session's totals at logout.
    void shiftChange() {
        expectOk("logoutQX", [&](char* m) { return m_qx.logoutQX(m); });
        settle();
        expectSessionTotal(2, ledger.sessionPaidOut, "CR/WD");
        expectSessionTotal(3, ledger.sessionBooked, "CR/RF");
        ledger.sessionPaidOut = ledger.sessionBooked = 0;
        m_sessionEvents.clear();
        freshDevice();
        expectOk("loginQX", [&](char* m) { return m_qx.loginQX(1, 1, m); });
        settle();
        ++tally["shift change"];
    }

    // After a cycle: the device is idle, the money adds up, the queues hold
    // what the events announced, and the stock is topped up again.
    void verifySettled() {
        settle();
        EXPECT_EQ(m_sim.qxsim_total_value(), ledger.expectedTotal())
            << "money unaccounted for in sale " << m_saleNumber;
        EXPECT_EQ(m_seenAmount, ledger.customerPaidIn())
            << "paid-in amount of the events in sale " << m_saleNumber;
        fetchQueues();
        refill();
    }

    // The paid-out list: a limit one below its sum plus the next amount
    // refuses that amount, a limit of exactly that sum lets it pass.
    bool limitProbe(long long net, const Call& op) {
        if (paidOut.sum + net - 1 < 1) return false;
        setLimit(paidOut.sum + net - 1);
        const OpResult refused = call(op);
        EXPECT_EQ(refused.code, QX_STATUS_LIMIT_EXCEEDED) << refused.message;
        EXPECT_EQ(refused.message, "Payout larger than allowed limit per time unit");
        settle();
        setLimit(paidOut.sum + net);
        ++tally["limit probe"];
        return true;
    }

    void setLimit(long long limit) {
        const std::string text = "PayOutAmountPerTimeLimitAmount:" + std::to_string(limit);
        expectOk("changeSettingsQX",
                 [&](char* m) { return m_qx.changeSettingsQX(text.c_str(), 0, m); });
        paidOut.limit = limit;
    }

    // The library still answers after the soak: a query, a clean sale and
    // an orderly close.
    void close() {
        int open = -1;
        expectOk("isOpenQX", [&](char* m) { return m_qx.isOpenQX(&open, m); });
        EXPECT_EQ(open, 1);
        int level = -1;
        char commands[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
        expectOk("infoQX",
                 [&](char* m) { return m_qx.infoQX(&level, commands, master, info, m); });
        EXPECT_EQ(level, 1);
        shiftChange();
        expectOk("logoutQX", [&](char* m) { return m_qx.logoutQX(m); });
        m_sim.qxsim_wait_idle(5000);
        expectOk("exitQX", [&](char* m) { return m_qx.exitQX(m); });
    }

    int saleNumber() const { return m_saleNumber; }

private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(m_random); }
    bool chance(int percent) { return pick(100) < percent; }

    OpResult call(const Call& op) {
        char message[QX_BUFFER_CAPACITY] = "";
        OpResult result;
        result.code = op(message);
        result.message = message;
        return result;
    }

    void expectOk(const char* what, const Call& op) {
        const OpResult result = call(op);
        EXPECT_EQ(result.code, QX_STATUS_OK)
            << what << " in sale " << m_saleNumber << ": " << result.message;
    }

    // Waits until the device has delivered every report, then reads the
    // events they caused.  Error codes of error events are collected.
    void settle(std::vector<long long>* errorCodes = nullptr) {
        EXPECT_EQ(m_sim.qxsim_wait_idle(10000), 0) << "device never went idle";
        absorb(m_window.drain(), errorCodes);
    }

    // A busy spell reaches the library through the callback thread; the
    // operation that should wait it out must not start before.
    void awaitBusyReport() {
        for (int i = 0; i < 1000 && m_seenStatus != 1; ++i) {
            absorb(m_window.drain(), nullptr);
            if (m_seenStatus != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(m_seenStatus, 1) << "busy report never arrived";
    }

    void absorb(const std::vector<PostedEvent>& events, std::vector<long long>* errorCodes) {
        for (const PostedEvent& event : events) {
            switch (event.kind) {
            case EventKind::Status:
                m_seenStatus = static_cast<int>(event.wParam % 100);
                m_seenMode = static_cast<int>(event.wParam / 100);
                m_seenAmount = static_cast<int>(event.lParam);
                break;
            case EventKind::Error:
                if (errorCodes) errorCodes->push_back(event.lParam);
                queues.push(queues.errors,
                            {"Error Code " + std::to_string(event.lParam), 0, event.lParam});
                ++tally["error event"];
                break;
            case EventKind::CashLevel: {
                std::string text;
                if (!m_floodTexts.empty()) {
                    text = m_floodTexts.front();
                    m_floodTexts.pop_front();
                }
                queues.push(queues.levels, {text, event.wParam, event.lParam});
                ++tally["cash-level event"];
                break;
            }
            case EventKind::CashSession:
                queues.push(queues.sessions, {"", event.wParam, event.lParam});
                m_sessionEvents.push_back(event);
                ++tally["cash-session event"];
                break;
            case EventKind::Other:
                ADD_FAILURE() << "unknown message posted in sale " << m_saleNumber;
                break;
            }
        }
    }

    // Each queue gives its texts oldest first, as the events announced
    // them, and is empty afterwards.
    void fetchQueues() {
        char text[QX_BUFFER_CAPACITY], ext[QX_BUFFER_CAPACITY];
        for (; !queues.errors.empty(); queues.errors.pop_front()) {
            EXPECT_EQ(m_qx.getErrorInfoQX(text, ext), QX_STATUS_OK);
            EXPECT_EQ(std::string(text), queues.errors.front().text);
        }
        for (; !queues.levels.empty(); queues.levels.pop_front()) {
            EXPECT_EQ(m_qx.getCashLevelInfoQX(ext), QX_STATUS_OK);
            const QueuedText& expected = queues.levels.front();
            if (!expected.text.empty()) EXPECT_EQ(std::string(ext), expected.text);
            else EXPECT_GE(std::string(ext).size(), 16u) << "cash-level text " << ext;
        }
        for (; !queues.sessions.empty(); queues.sessions.pop_front()) {
            EXPECT_EQ(m_qx.getCashSessionInfoQX(ext), QX_STATUS_OK);
            expectSessionText(ext, queues.sessions.front());
        }
        EXPECT_EQ(m_qx.getErrorInfoQX(text, ext), QX_STATUS_OK);
        EXPECT_STREQ(text, "") << "error queue holds more than was announced";
        EXPECT_EQ(m_qx.getCashLevelInfoQX(ext), QX_STATUS_OK);
        EXPECT_STREQ(ext, "") << "cash-level queue holds more than was announced";
        EXPECT_EQ(m_qx.getCashSessionInfoQX(ext), QX_STATUS_OK);
        EXPECT_STREQ(ext, "") << "cash-session queue holds more than was announced";
    }

    static void expectSessionText(const std::string& text, const QueuedText& expected) {
        static const char* const kTypes[] = {"BO/WD", "BO/RF", "CR/WD", "CR/RF", "QuaxV"};
        ASSERT_TRUE(expected.number >= 0 && expected.number <= 4) << text;
        EXPECT_EQ(text.substr(0, 5), kTypes[expected.number]);
        if (expected.number < 4) {
            EXPECT_EQ(std::atoll(text.substr(5, 8).c_str()), expected.value) << text;
        }
    }

    void expectSessionTotal(long long type, long long amount, const char* name) {
        long long reported = -1;
        for (const PostedEvent& event : m_sessionEvents) {
            if (event.wParam == type) reported = event.lParam;
        }
        if (amount > 0) EXPECT_EQ(reported, amount) << name << " total at logout";
        else EXPECT_EQ(reported, -1) << name << " reported without any cash moved";
    }

    // Between shifts the device is swapped for a fresh one, whose command
    // record starts empty: a long soak would otherwise measure the
    // simulator's memory.  The swap is booked as a refill.
    void freshDevice() {
        const long long before = m_sim.qxsim_total_value();
        m_sim.qxsim_reset();
        paceLikeALine();
        ledger.refilled += m_sim.qxsim_total_value() - before;
    }

    // Reports take a real line's time: a device faster than the driver's
    // hand-over of a command would have its reports of that command kept
    // from the application, and the events would not add up.
    void paceLikeALine() {
        ASSERT_EQ(m_sim.qxsim_set_option("ms_per_char", 1), 0);
        ASSERT_EQ(m_sim.qxsim_set_option("busy_ms", m_busyMs), 0);
    }

    // The back office tops the stock up to where it started, booked as a
    // refill (negative when it takes cash out).
    void refill() {
        for (const auto& entry : m_stock) {
            const int now = m_sim.qxsim_level(entry.first);
            if (now == entry.second) continue;
            m_sim.qxsim_set_level(entry.first, entry.second);
            ledger.refilled += static_cast<long long>(entry.second - now) * entry.first;
        }
    }

    // Whether a command of that letter went to the device after the
    // first `before` commands.
    bool commandSentSince(int before, char letter) const {
        std::vector<char> buffer(1 << 16);
        const int count = m_sim.qxsim_commands(buffer.data(), 0);
        buffer.resize(static_cast<std::size_t>(count) * 64 + 64);
        m_sim.qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        std::istringstream lines(buffer.data());
        int index = 0;
        for (std::string line; std::getline(lines, line); ++index) {
            if (index >= before && !line.empty() && line[0] == letter) return true;
        }
        return false;
    }
    int commandCount() const {
        char none[1];
        return m_sim.qxsim_commands(none, 1);
    }

    // soak_cycles.h
    Fault pickFault(bool slowAllowed);
    void beginFault(Fault fault);
    void refusedWhileInError();
    void recover();
    void flood();
    void enablePayin(bool dropReport);
    void disablePayin();
    void insertItems(int count, bool dropOne);
    void mainOperation(char letter, bool isPayout, long long net, const Call& op,
                       const std::function<void()>& effect, Fault fault);
    void saleCycle(Fault fault);
    void payoutCycle(Fault fault);
    void cancelCycle(Fault fault);
    void changeCycle(Fault fault);
    void refundCycle(Fault fault);
    void depositCycle(Fault fault);

    const QxExports& m_qx;
    const SimControl& m_sim;
    std::mt19937 m_random;
    EventWindow m_window;
    int m_seenAmount = 0, m_seenStatus = -1, m_seenMode = -1;
    int m_slowFaultsLeft = 0;
    int m_busyMs = 0;
    int m_saleNumber = 0;
    std::vector<std::pair<int, int>> m_stock;  // denomination, starting count
    std::deque<std::string> m_floodTexts;      // expected cash-level texts in order
    std::vector<PostedEvent> m_sessionEvents;  // since the last shift change
};

}  // namespace qxtest

#endif  // QX_SOAK_TILL_H

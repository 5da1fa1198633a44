// soak_test.cpp - sale cycles through the exports at a line's pace, each under a seeded random
// fault (a busy spell, a refused answer, a jam, a lost report).  After every cycle the cash, the
// events' paid-in amount and the information queues match what the exports and events said; at
// the end the library still answers, nothing timed out and memory has not grown.
// QX_SOAK_SEED replays a run; QX_SOAK_CYCLES (long form: 20000) and QX_SOAK_SECONDS bound it.
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>
#include <tuple>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

enum class Fault { None, Busy, Override, Jam, LostReport };

// A device answer the simulator is told to give, and the code and message the caller gets.
const std::tuple<const char*, short, const char*> kAnswers[] = {
    {"001", QX_STATUS_BUSY, "Busy"}, {"002", QX_STATUS_ERROR, "Error"},
    {"003", QX_STATUS_CLOSED, "Closed"}, {"00X", QX_STATUS_SEND_FAILED, "Send failed"},
    {"9", QX_STATUS_SEND_FAILED, "Send failed"}};

class SoakTest : public ApiTest {
protected:
    // One operation of the mix; the last argument: the customer's items left once it moved cash.
    void cycle() {
        ++sale;
        const auto fault = static_cast<Fault>(std::max(0, pick(8) - 3));  // none in half
        if (fault == Fault::Jam) breakAndRecover();
        const int kind = pick(6);
        const int items = kind == 1 ? 1 + pick(2) : kind == 2 ? 2 + pick(2) : 1 + pick(3);
        if (kind != 4) payIn(items, fault);
        if (kind == 0) {  // a sale settled by the amount due, the change paid back
            const int due = pick(paidIn() + 1);
            operation('f', [&] { return QX(amountDueQX)(due, "sale", &m_rest, message); },
                      paidIn() - due, fault, 0);
        } else if (kind == 1) {  // a payout against what was paid in
            const int change = pick(5000), in = paidIn();
            operation('f', [&] { return QX(payout2QX)(change, in, "payout", &m_rest, message); },
                      change, fault, 0);
        } else if (kind == 2) {  // the last item given back, then all
            operation('e', [&] { return QX(regretQX)(0, message); }, m_items.back(), fault,
                      m_items.size() - 1);
            operation('e', [&] { return QX(regretQX)(1, message); }, paidIn(), Fault::None, 0);
        } else if (kind == 3) {  // change for what was paid in
            operation('e', [&] { return QX(changeQX)(message); }, paidIn(), fault, 0);
        } else if (kind == 4) {  // a refund; asking first lets a large one out without a question
            const int refund = pick(20000);
            if (refund >= 4900) {
                expectOk(QX(askPayout2QX)(refund, &m_rest, message));
                EXPECT_EQ(m_rest, 0);
            }
            operation('c', [&] { return QX(dispenseQX)(refund, "refund", &m_rest, message); },
                      refund, fault, m_items.size());
        } else {  // a deposit with pay-in disabled, then perhaps some cash back
            disablePayin();
            operation('f', [&] { return QX(depositQX)("deposit", message); }, 0, fault, 0);
            const int back = pick(2) ? 0 : pick(3000);
            operation('c', [&] { return QX(dispenseQX)(back, "back", &m_rest, message); }, back,
                      Fault::None, m_items.size());
        }
        if (kind < 4) disablePayin();
        if (pick(100) < 2) shiftChange();
        verify();
    }

    void expectOk(short code) {
        EXPECT_EQ(code, QX_STATUS_OK) << "sale " << sale << ": " << message;
    }

    std::mt19937 random;
    int sale = 0;

    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }
    int paidIn() const {
        int sum = 0;
        for (int item : m_items) sum += item;
        return sum;
    }

    // Waits for every report, then reads the events they caused: the driver posts them from
    // its own thread, a moment after the reports, so until they stop coming.
    void settle() {
        EXPECT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0) << "device never went idle";
        for (int quiet = 0; quiet < 3;) {
            quiet = absorb() > 0 ? 0 : quiet + 1;
            if (quiet > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Every event but a status announces a text in its queue; an error names its code.  How
    // many events there were.
    std::size_t absorb() {
        const std::vector<PostedEvent> events = m_window.drain();
        for (const PostedEvent& event : events) {
            ++m_announced[event.kind];
            if (event.kind == EventKind::Error) m_errorCodes.push_back(event.lParam);
            if (event.kind != EventKind::Status) continue;
            m_status = static_cast<int>(event.wParam % 100);
            m_amount = static_cast<int>(event.lParam);
            m_sawBusy = m_sawBusy || m_status == 1;
        }
        return events.size();
    }
    // The next text of a queue, through its information export.
    std::string fetch(EventKind kind) {
        char text[QX_BUFFER_CAPACITY] = "", ext[QX_BUFFER_CAPACITY];
        EXPECT_EQ(kind == EventKind::Error       ? QX(getErrorInfoQX)(text, ext)
                  : kind == EventKind::CashLevel ? QX(getCashLevelInfoQX)(text)
                                                 : QX(getCashSessionInfoQX)(text),
                  QX_STATUS_OK);
        return text;
    }

    // Cash and paid-in amount add up, each queue gives a text per event and then none; the stock
    // is topped up again.
    void verify() {
        settle();
        EXPECT_EQ(QX(qxsim_total_value)(), m_expected) << "cash unaccounted in sale " << sale;
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events in sale " << sale;
        EXPECT_EQ(m_announced[EventKind::Other], 0) << "unknown message in sale " << sale;
        for (EventKind kind : {EventKind::Error, EventKind::CashLevel, EventKind::CashSession}) {
            for (; m_announced[kind] > 0; --m_announced[kind]) EXPECT_NE(fetch(kind), "");
            EXPECT_EQ(fetch(kind), "") << "a queue holds more than was announced in sale " << sale;
        }
        for (const auto& entry : m_stock) {
            const int now = QX(qxsim_level)(entry.first);
            QX(qxsim_set_level)(entry.first, entry.second);
            m_expected += static_cast<long long>(entry.second - now) * entry.first;
        }
    }

    // A jam: its error event names the code, pay-in is refused, a reset recovers.
    void breakAndRecover() {
        const int code = 1 + pick(6);
        m_errorCodes.clear();
        ASSERT_EQ(QX(qxsim_set_option)("error_code", code), 0);
        settle();
        EXPECT_EQ(m_errorCodes, std::vector<long long>{code}) << "error event of the jam";
        EXPECT_EQ(QX(enablePayinQX)(message), QX_STATUS_ERROR);
        recover();
    }
    void recover() {
        expectOk(QX(resetQX)(message));
        settle();
        EXPECT_EQ(m_status, 3) << "status after reset";
    }

    // Paid item by item; a lost report is healed by the next, which has the whole amount.
    void payIn(int count, Fault fault) {
        expectOk(QX(enablePayinQX)(message));
        const bool lose = fault == Fault::LostReport;
        EXPECT_TRUE(!lose || QX(qxsim_set_option)("drop_callbacks", 1) == 0);
        for (int i = 0; i < std::max(count, lose ? 2 : 0); ++i) {
            const int item = std::vector<int>{10000, 5000, 2000, 1000, 500, 200, 100, 50}[pick(8)];
            ASSERT_EQ(QX(qxsim_insert)(item), 0) << "pay-in not enabled in sale " << sale;
            m_items.push_back(item);
            m_expected += item;
            settle();
        }
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events";
    }
    void disablePayin() {
        expectOk(QX(disablePayinQX)(message));
        settle();
    }

    // The cash operation under its fault (refused once first, or after a busy spell) moves `out`
    // and leaves `keep` items, unless the device reports a failed payout (error 12).
    void operation(char letter, const std::function<short()>& op, long long out, Fault fault,
                   std::size_t keep) {
        if (fault == Fault::Override) {
            const auto [answer, code, text] = kAnswers[pick(5)];
            QX(qxsim_override_answer)(letter, answer, 1);
            EXPECT_EQ(op(), code) << letter << " answered " << answer;
            EXPECT_STREQ(message, text);
        }
        if (fault == Fault::Busy) {
            // The busy report may come with the idle one in a single drain, and the spell may be
            // over before the operation starts (it then meets an idle device): on a loaded machine.
            m_sawBusy = false;
            EXPECT_EQ(QX(qxsim_set_option)("busy_for_ms", 20 + pick(80)), 0);
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(kIdleWaitMs);
            while (!m_sawBusy && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                absorb();
            }
            EXPECT_TRUE(m_sawBusy) << "busy report never arrived";
        }
        m_errorCodes.clear();
        const short code = op();
        settle();
        EXPECT_EQ(code, QX_STATUS_OK) << letter << " in sale " << sale << ": " << message;
        if (std::count(m_errorCodes.begin(), m_errorCodes.end(), 12)) return recover();
        if (code != QX_STATUS_OK) return;
        m_expected -= out;
        m_items.resize(keep);
    }

    // The shift ends and the next begins on a fresh device, booked as a refill.
    void shiftChange() {
        expectOk(QX(logoutQX)(message));
        settle();
        const long long before = QX(qxsim_total_value)();
        QX(qxsim_reset)();
        ASSERT_EQ(QX(qxsim_set_option)("ms_per_char", 1), 0);
        m_expected += QX(qxsim_total_value)() - before;
        expectOk(QX(loginQX)(1, 1, message));
    }

    EventWindow m_window;
    long long m_expected = 0;                  // the device's cash as the ledger has it
    std::vector<int> m_items;                  // the customer's, oldest first
    int m_amount = 0, m_status = -1, m_rest = 0;
    bool m_sawBusy = false;                    // a busy status among the events since cleared
    std::vector<std::pair<int, int>> m_stock;  // denomination, starting count
    std::vector<long long> m_errorCodes;       // of the last operation or jam
    std::map<EventKind, int> m_announced;      // events whose texts wait in a queue
};

TEST_F(SoakTest, SaleCyclesUnderRandomFaultsKeepEveryAmountAccountedFor) {
    // Wine, the sanitizers and valgrind run a shorter short form, and do not watch memory.
    const bool slow = onWindows() || sanitizerBuild() || underValgrind();
    const auto seed = static_cast<unsigned>(envNumber(
        "QX_SOAK_SEED", std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff));
    const long cycles = envNumber("QX_SOAK_CYCLES", onWindows() ? 40 : slow ? 80 : 100);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(envNumber("QX_SOAK_SECONDS", 60));
    std::printf("[ soak     ] QX_SOAK_SEED=%u QX_SOAK_CYCLES=%ld\n", seed, cycles);
    random.seed(seed);
    // Registered for window messages, initiated, logged in, with the stock noted.
    ASSERT_NE(m_window.handle(), nullptr);
    ASSERT_EQ(QX(qxsim_set_option)("ms_per_char", 1), 0);  // a real line's pace
    expectOk(QX(registerHwndQX)(m_window.handle(), message));
    expectOk(QX(initQX)(kPort, "", message));
    expectOk(QX(loginQX)(1, 1, message));
    for (int d : kDenominations)
        m_stock.emplace_back(d, QX(qxsim_level)(d));
    m_expected = QX(qxsim_total_value)();
    verify();
    long resident = -1;  // may settle in the first quarter, then stays flat
    for (long done = 0; done < cycles && std::chrono::steady_clock::now() < deadline; ++done) {
        if (done == cycles / 4 && !slow) resident = residentKiB();
        cycle();
        ASSERT_FALSE(HasFailure()) << "stopped in sale " << sale << ", QX_SOAK_SEED=" << seed;
    }
    // The library still answers: a query and an orderly close.
    int open = -1;
    expectOk(QX(isOpenQX)(&open, message));
    EXPECT_EQ(open, 1);
    shiftChange();
    expectOk(QX(logoutQX)(message));
    EXPECT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    expectOk(QX(exitQX)(message));
    EXPECT_EQ(logSince("qxerror").find("timed out"), std::string::npos) << logSince("qxerror");
    EXPECT_TRUE(resident < 0 || residentKiB() - resident < 2048) << "grew from " << resident;
    EXPECT_GT(sale, 0);
}

}  // namespace
}  // namespace qxtest

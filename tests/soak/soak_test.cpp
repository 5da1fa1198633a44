// soak_test.cpp - sale cycles through the exports at a line's pace, each under a seeded random
// fault: busy spells, refused answers, jams, malformed and lost reports, queue floods.  After
// every cycle the device's cash matches what the operations that returned OK moved and the
// information queues hold what the posted events announced; at the end the library still
// answers, nothing timed out and memory has not grown.  QX_SOAK_SEED replays a run (printed at
// the start); QX_SOAK_CYCLES (long form: 20000) and QX_SOAK_SECONDS bound it.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <random>
#include <tuple>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

enum class Fault { None, Busy, Override, Jam, Malformed, LostReport, Flood };
const Fault kFaults[] = {Fault::None, Fault::None,     Fault::None,       Fault::None,
                         Fault::Busy, Fault::Busy,     Fault::Override,   Fault::Jam,
                         Fault::Malformed, Fault::LostReport, Fault::Flood};

// A device answer the simulator is told to give, and the code and message the caller gets.
const std::tuple<const char*, short, const char*> kAnswers[] = {
    {"001", QX_STATUS_BUSY, "Busy"}, {"002", QX_STATUS_ERROR, "Error"},
    {"003", QX_STATUS_CLOSED, "Closed"}, {"00X", QX_STATUS_SEND_FAILED, "Send failed"},
    {"9", QX_STATUS_SEND_FAILED, "Send failed"}};

// Texts the callback parser must refuse, leaving the model in error.
const std::string kMalformed[] = {"a0000", "aXXXXXXXX01", "a-000000131", "x123",
                                  std::string("\x80\xff\xfe\x01\x02 bin", 9),
                                  "z" + std::string(4000, 'q')};

class SoakTest : public ApiTest {
protected:
    // Registered for window messages, initiated, logged in, with the stock noted.
    void open() {
        ASSERT_NE(m_window.handle(), nullptr);
        ASSERT_EQ(sim().qxsim_set_option("ms_per_char", 1), 0);  // a real line's pace
        expectOk(qx().registerHwndQX(m_window.handle(), message));
        expectOk(qx().initQX(kPort, "", message));
        expectOk(qx().loginQX(1, 1, message));
        for (int d : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1})
            m_stock.emplace_back(d, sim().qxsim_level(d));
        m_expected = sim().qxsim_total_value();
        verify();
    }

    // One operation of the mix; `drop` items of the customer's leave with the cash it moves.
    void cycle() {
        ++sale;
        const Fault fault = kFaults[pick(11)];
        if (fault == Fault::Jam || fault == Fault::Malformed) breakAndRecover(fault);
        if (fault == Fault::Flood) flood();
        const int kind = pick(6);
        if (kind < 4) payIn(kind == 1 ? 1 + pick(2) : kind == 2 ? 2 + pick(2) : 1 + pick(3), fault);
        const std::size_t all = m_items.size();
        if (kind == 0) {  // a sale settled by the amount due, the change paid back
            const int due = pick(paidIn() + 1);
            operation('f', [&] { return qx().amountDueQX(due, "sale", &m_rest, message); },
                      paidIn() - due, fault, all);
        } else if (kind == 1) {  // a payout against what was paid in
            const int change = pick(5000), in = paidIn();
            operation('f', [&] { return qx().payout2QX(change, in, "payout", &m_rest, message); },
                      change, fault, all);
        } else if (kind == 2) {  // the last item given back, then all
            operation('e', [&] { return qx().regretQX(0, message); }, m_items.back(), fault, 1);
            operation('e', [&] { return qx().regretQX(1, message); }, paidIn(), Fault::None,
                      m_items.size());
        } else if (kind == 3) {  // change for what was paid in
            operation('e', [&] { return qx().changeQX(message); }, paidIn(), fault, all);
        } else if (kind == 4) {  // a refund; asking first lets a large one out without a question
            const int refund = pick(20000);
            if (refund >= 4900) {
                expectOk(qx().askPayout2QX(refund, &m_rest, message));
                EXPECT_EQ(m_rest, 0);
                settle();
            }
            operation('c', [&] { return qx().dispenseQX(refund, "refund", &m_rest, message); },
                      refund, fault, 0);
        } else {  // a deposit with pay-in disabled, then perhaps some cash back
            payIn(1 + pick(3), fault);
            disablePayin();
            operation('f', [&] { return qx().depositQX("deposit", message); }, 0, fault,
                      m_items.size());
            const int back = pick(2) ? 0 : pick(3000);
            operation('c', [&] { return qx().dispenseQX(back, "back", &m_rest, message); }, back,
                      Fault::None, 0);
        }
        if (kind < 4) disablePayin();
        if (pick(100) < 2) shiftChange();
        verify();
    }

    // The library still answers: a query and an orderly close.
    void close() {
        int open = -1;
        expectOk(qx().isOpenQX(&open, message));
        EXPECT_EQ(open, 1);
        shiftChange();
        expectOk(qx().logoutQX(message));
        sim().qxsim_wait_idle(5000);
        expectOk(qx().exitQX(message));
    }

    std::mt19937 random;
    int sale = 0;

private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }
    void expectOk(short code) { EXPECT_EQ(code, QX_STATUS_OK) << "sale " << sale << ": " << message; }
    int commandCount() const { return sim().qxsim_commands(nullptr, 0); }
    int paidIn() const {
        int sum = 0;
        for (int item : m_items) sum += item;
        return sum;
    }

    // Waits for every report, then reads the events they caused.
    void settle() {
        EXPECT_EQ(sim().qxsim_wait_idle(10000), 0) << "device never went idle";
        absorb();
    }
    // The texts the events announce are queued as patterns: a flood's own, or any device
    // cash level (at least 16 characters), or the session type.  A queue keeps 100; the event
    // of a dropped one is still posted.
    void absorb() {
        for (const PostedEvent& event : m_window.drain()) {
            std::string text;
            if (event.kind == EventKind::Status) {
                m_status = static_cast<int>(event.wParam % 100);
                m_amount = static_cast<int>(event.lParam);
                continue;
            }
            if (event.kind == EventKind::Error) {
                m_errorCodes.push_back(event.lParam);
                text = "Error Code " + std::to_string(event.lParam);
            } else if (event.kind == EventKind::CashLevel) {
                text = m_flood.empty() ? ".{16,}" : m_flood.front();
                if (!m_flood.empty()) m_flood.pop_front();
            } else if (event.kind == EventKind::CashSession) {
                const auto type = static_cast<std::size_t>(event.wParam % 5) * 5;
                text = std::string("BO/WDBO/RFCR/WDCR/RFQuaxV").substr(type, 5) + ".*";
            } else {
                ADD_FAILURE() << "unknown message in sale " << sale;
            }
            if (m_queues[event.kind].size() < 100) m_queues[event.kind].push_back(text);
            else ++m_refused;
        }
    }
    // The next text of a queue, through its information export.
    std::string fetch(EventKind kind) {
        char text[QX_BUFFER_CAPACITY] = "", ext[QX_BUFFER_CAPACITY];
        EXPECT_EQ(kind == EventKind::Error       ? qx().getErrorInfoQX(text, ext)
                  : kind == EventKind::CashLevel ? qx().getCashLevelInfoQX(text)
                                                 : qx().getCashSessionInfoQX(text),
                  QX_STATUS_OK);
        return text;
    }

    // The cash adds up, the queues give what the events announced, oldest first, and are empty
    // after; then the stock is topped up again.
    void verify() {
        settle();
        EXPECT_EQ(sim().qxsim_total_value(), m_expected) << "cash unaccounted in sale " << sale;
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events in sale " << sale;
        for (EventKind kind : {EventKind::Error, EventKind::CashLevel, EventKind::CashSession}) {
            for (auto& expected = m_queues[kind]; !expected.empty(); expected.pop_front()) {
                const std::string text = fetch(kind);
                EXPECT_TRUE(std::regex_match(text, std::regex(expected.front())))
                    << text << " for " << expected.front() << " in sale " << sale;
            }
            EXPECT_EQ(fetch(kind), "") << "a queue holds more than was announced in sale " << sale;
        }
        for (const auto& entry : m_stock) {
            const int now = sim().qxsim_level(entry.first);
            sim().qxsim_set_level(entry.first, entry.second);
            m_expected += static_cast<long long>(entry.second - now) * entry.first;
        }
    }

    // A jam or a malformed report: operations are refused before any command goes out, and
    // reset (sent even in error) recovers.
    void breakAndRecover(Fault fault) {
        m_errorCodes.clear();
        const int code = 1 + pick(6);
        if (fault == Fault::Jam) {
            ASSERT_EQ(sim().qxsim_set_option("error_code", code), 0);
        } else {
            sim().qxsim_inject_callback(kMalformed[code - 1].c_str());
        }
        settle();
        EXPECT_TRUE(fault != Fault::Jam || m_errorCodes == std::vector<long long>{code});
        const int before = commandCount();
        EXPECT_EQ(qx().enablePayinQX(message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "QuaxVault has error(s)");
        EXPECT_EQ(qx().dispenseQX(100, "x", &m_rest, message), QX_STATUS_ERROR);
        EXPECT_EQ(commandCount(), before) << "a command went out while in error";
        recover();
    }
    void recover() {
        expectOk(qx().resetQX(message));
        settle();
        EXPECT_EQ(m_status, 3) << "status after reset";
    }

    // More cash-level reports than a queue holds: all are posted, the first hundred kept in
    // order.
    void flood() {
        const int count = 101 + pick(10), refused = m_refused;
        char head[16];
        std::snprintf(head, sizeof head, "b%08d%d1", m_amount, m_status);
        for (int i = 1; i <= count; ++i) {
            m_flood.push_back((i < 10 ? "0" : "") + std::to_string(i) + " 20");
            m_flood.back().resize(16, ' ');
            sim().qxsim_inject_callback((head + m_flood.back()).c_str());
        }
        settle();
        EXPECT_EQ(m_refused - refused, count - 100);
        EXPECT_TRUE(m_flood.empty()) << m_flood.size() << " reports never posted";
        m_flood.clear();
    }

    // The customer pays item by item; a lost report is healed by the next, which carries the
    // whole paid-in amount.
    void payIn(int count, Fault fault) {
        expectOk(qx().enablePayinQX(message));
        settle();
        const bool lose = fault == Fault::LostReport;
        for (int i = 0; i < count || (lose && i < 2); ++i) {
            if (lose && i == 0) {
                ASSERT_EQ(sim().qxsim_set_option("drop_callbacks", 1), 0);
            }
            const int item = std::vector<int>{10000, 5000, 2000, 1000, 500, 200, 100, 50}[pick(8)];
            ASSERT_EQ(sim().qxsim_insert(item), 0) << "pay-in not enabled in sale " << sale;
            m_items.push_back(item);
            m_expected += item;
            settle();
        }
        EXPECT_EQ(m_amount, paidIn()) << "paid-in amount of the events";
    }
    void disablePayin() {
        expectOk(qx().disablePayinQX(message));
        settle();
    }

    // The cycle's cash operation under its fault (refused once first, or after a busy spell):
    // it succeeds and moves `out`, and `drop` items leave, unless the device reports a failed
    // payout (error 12).
    void operation(char letter, const std::function<short()>& op, long long out, Fault fault,
                   std::size_t drop) {
        if (fault == Fault::Override) {
            const auto [answer, code, text] = kAnswers[pick(5)];
            sim().qxsim_override_answer(letter, answer, 1);
            EXPECT_EQ(op(), code) << letter << " answered " << answer;
            EXPECT_STREQ(message, text);
            settle();
        }
        if (fault == Fault::Busy) {
            EXPECT_EQ(sim().qxsim_set_option("busy_for_ms", 20 + pick(80)), 0);
            for (int i = 0; i < 1000 && m_status != 1; ++i) {
                absorb();
                if (m_status != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            EXPECT_EQ(m_status, 1) << "busy report never arrived";
        }
        m_errorCodes.clear();
        const short code = op();
        settle();
        EXPECT_EQ(code, QX_STATUS_OK) << letter << " in sale " << sale << ": " << message;
        if (std::count(m_errorCodes.begin(), m_errorCodes.end(), 12)) return recover();
        if (code != QX_STATUS_OK) return;
        m_expected -= out;
        m_items.resize(m_items.size() - drop);
    }

    // The shift ends (the device reports its session totals) and the next begins on a fresh
    // device, booked as a refill.
    void shiftChange() {
        expectOk(qx().logoutQX(message));
        settle();
        const long long before = sim().qxsim_total_value();
        sim().qxsim_reset();
        ASSERT_EQ(sim().qxsim_set_option("ms_per_char", 1), 0);
        m_expected += sim().qxsim_total_value() - before;
        expectOk(qx().loginQX(1, 1, message));
        settle();
    }

    EventWindow m_window;
    long long m_expected = 0;
    std::vector<int> m_items;  // the customer's, oldest first
    int m_amount = 0, m_status = -1, m_refused = 0, m_rest = 0;
    std::vector<std::pair<int, int>> m_stock;  // denomination, starting count
    std::vector<long long> m_errorCodes;       // of the last operation or jam
    std::map<EventKind, std::deque<std::string>> m_queues;
    std::deque<std::string> m_flood;  // posted, not yet announced
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
    ASSERT_NO_FATAL_FAILURE(open());
    long resident = -1;  // may settle in the first quarter, then stays flat
    for (long done = 0; done < cycles && std::chrono::steady_clock::now() < deadline; ++done) {
        if (done == cycles / 4 && !slow) resident = residentKiB();
        cycle();
        ASSERT_FALSE(HasFailure()) << "stopped in sale " << sale << "; replay: QX_SOAK_SEED=" << seed;
    }
    close();
    EXPECT_EQ(log.since("qxerror").find("timed out"), std::string::npos) << log.since("qxerror");
    EXPECT_TRUE(resident < 0 || residentKiB() - resident < 2048) << "grew from " << resident;
    EXPECT_GT(sale, 0);
}

}  // namespace
}  // namespace qxtest

// soak_cycles.h - the sale cycles of the soak's till and the faults it
// injects into them.  Every cycle starts and ends with pay-in disabled,
// the device idle and no customer cash in it.
#ifndef QX_SOAK_CYCLES_H
#define QX_SOAK_CYCLES_H

#include "tests/soak/soak_till.h"

namespace qxtest {

inline Fault SoakTill::pickFault(bool slowAllowed) {
    const int roll = pick(100);
    if (roll < 40) return Fault::None;
    if (roll < 54) return Fault::Busy;
    if (roll < 64) return Fault::Override;
    if (roll < 71) return Fault::Jam;
    if (roll < 79) return Fault::Malformed;
    if (roll < 85) return Fault::DropInsertReport;
    if (roll < 90) return Fault::DropEnableReport;
    if (roll < 93) return Fault::Flood;
    if (roll < 99) return Fault::Limit;
    return slowAllowed && m_slowFaultsLeft > 0 ? Fault::SlowDrop : Fault::None;
}

inline void SoakTill::cycle() {
    ++m_saleNumber;
    const int kind = pick(6);
    // Only a refund can take the 5 s time-out of a lost busy report.
    const Fault fault = pickFault(kind == 4);
    beginFault(fault);
    switch (kind) {
    case 0: saleCycle(fault); break;
    case 1: payoutCycle(fault); break;
    case 2: cancelCycle(fault); break;
    case 3: changeCycle(fault); break;
    case 4: refundCycle(fault); break;
    default: depositCycle(fault); break;
    }
    if (chance(2)) shiftChange();
    verifySettled();
}

// Faults that hit the idle device before the customer comes.
inline void SoakTill::beginFault(Fault fault) {
    if (fault == Fault::Jam) {
        const int code = 1 + pick(6);
        ASSERT_EQ(m_sim.qxsim_set_option("error_code", code), 0);
        std::vector<long long> codes;
        settle(&codes);
        EXPECT_EQ(codes, std::vector<long long>{code}) << "error event of the jam";
        refusedWhileInError();
        recover();
        ++tally["jam"];
    } else if (fault == Fault::Malformed) {
        const std::vector<std::string> texts = malformedTexts();
        m_sim.qxsim_inject_callback(texts[static_cast<std::size_t>(pick(static_cast<int>(texts.size())))].c_str());
        settle();
        refusedWhileInError();
        recover();
        ++tally["malformed text"];
    } else if (fault == Fault::Flood) {
        flood();
    }
}

// While the device model is in error, operations are refused before any
// command goes out.
inline void SoakTill::refusedWhileInError() {
    const int before = commandCount();
    OpResult result = call([&](char* m) { return m_qx.enablePayinQX(m); });
    EXPECT_EQ(result.code, QX_STATUS_ERROR) << result.message;
    EXPECT_EQ(result.message, "QuaxVault has error(s)");
    int rest = -1;
    result = call([&](char* m) { return m_qx.dispenseQX(100, "in error", &rest, m); });
    EXPECT_EQ(result.code, QX_STATUS_ERROR) << result.message;
    EXPECT_EQ(commandCount(), before) << "a command went out while in error";
}

// Reset is sent even in error; its report brings the model back.
inline void SoakTill::recover() {
    expectOk("resetQX", [&](char* m) { return m_qx.resetQX(m); });
    settle();
    EXPECT_EQ(m_seenStatus, 3) << "status after reset";
}

// More cash-level reports than a queue holds: all are posted, the first
// hundred are kept in order.
inline void SoakTill::flood() {
    const int count = static_cast<int>(QueueShadow::kCapacity) + 1 + pick(10);
    const char* const denominations[] = {"20", "10", "5", "0,50", "0,20"};
    const std::string head = "b" + std::string(8 - std::to_string(m_seenAmount).size(), '0') +
                             std::to_string(m_seenAmount) + std::to_string(m_seenStatus) + "1";
    for (int i = 0; i < count; ++i) {
        std::string level = (i % 90 < 9 ? "0" : "") + std::to_string(i % 90 + 1) + " " +
                            denominations[i / 90 % 5];
        level.resize(16, ' ');
        m_floodTexts.push_back(level);
        m_sim.qxsim_inject_callback((head + level).c_str());
    }
    const int refusedBefore = queues.refused;
    settle();
    EXPECT_EQ(queues.refused - refusedBefore, count - static_cast<int>(QueueShadow::kCapacity));
    EXPECT_TRUE(m_floodTexts.empty()) << m_floodTexts.size() << " flood reports never posted";
    m_floodTexts.clear();
    ++tally["flood"];
}

inline void SoakTill::enablePayin(bool dropReport) {
    if (dropReport) {
        ASSERT_EQ(m_sim.qxsim_set_option("drop_callbacks", 1), 0);
        ++tally["lost enable report"];
    }
    expectOk("enablePayinQX", [&](char* m) { return m_qx.enablePayinQX(m); });
    settle();
}

inline void SoakTill::disablePayin() {
    expectOk("disablePayinQX", [&](char* m) { return m_qx.disablePayinQX(m); });
    settle();
}

// The customer pays with single notes and coins; one report may get lost
// and the next one, which carries the whole paid-in amount, heals it.
inline void SoakTill::insertItems(int count, bool dropOne) {
    static const int kItems[] = {10000, 5000, 2000, 1000, 500, 200, 100, 50};
    for (int i = 0; i < count || (dropOne && i < 2); ++i) {
        const int item = kItems[pick(8)];
        if (dropOne && i == 0) {
            ASSERT_EQ(m_sim.qxsim_set_option("drop_callbacks", 1), 0);
            ++tally["lost insert report"];
        }
        ASSERT_EQ(m_sim.qxsim_insert(item), 0) << "pay-in not enabled in sale " << m_saleNumber;
        ledger.insertItem(item);
        settle();
    }
    EXPECT_EQ(m_seenAmount, ledger.customerPaidIn()) << "paid-in amount of the events";
}

// Runs the cycle's main cash operation under its fault; when the fault
// refused it, once more without.  net is its paid-out list amount (only
// when isPayout); effect books what it moved.
inline void SoakTill::mainOperation(char letter, bool isPayout, long long net, const Call& op,
                                    const std::function<void()>& effect, Fault fault) {
    if (fault == Fault::Override) {
        const AnswerFault& answer = answerFaults()[static_cast<std::size_t>(pick(5))];
        m_sim.qxsim_override_answer(letter, answer.answer, 1);
        const OpResult refused = call(op);
        EXPECT_EQ(refused.code, answer.code) << letter << " answered " << answer.answer;
        EXPECT_EQ(refused.message, answer.message);
        if (isPayout) paidOut.passed(net);  // its entry went in before the command
        settle();
        ++tally["refused answer"];
    }
    const bool probed = fault == Fault::Limit && isPayout && limitProbe(net, op);
    if (fault == Fault::Busy) {
        ASSERT_EQ(m_sim.qxsim_set_option("busy_for_ms", 20 + pick(80)), 0);
        awaitBusyReport();
        ++tally["busy spell"];
    }
    if (fault == Fault::SlowDrop) {
        ASSERT_EQ(m_sim.qxsim_set_option("drop_callbacks", 1), 0);
        --m_slowFaultsLeft;
        ++tally["lost busy report"];
    }
    const int before = commandCount();
    const OpResult result = call(op);
    std::vector<long long> errorCodes;
    settle(&errorCodes);
    if (probed) setLimit(PaidOutShadow::kOpenLimit);

    const bool sent = result.code == QX_STATUS_OK ||
                      (result.code == QX_STATUS_TIMEOUT && commandSentSince(before, letter));
    if (!sent) {
        ADD_FAILURE() << letter << " failed in sale " << m_saleNumber << ": " << result.code
                      << " " << result.message;
        return;
    }
    if (isPayout) paidOut.passed(net);
    if (result.code == QX_STATUS_TIMEOUT) ++tally["timed out after hand-over"];
    for (long long code : errorCodes) {
        if (code != 12) continue;
        // The device could not pay and moved nothing.
        ++tally["payout failed"];
        recover();
        return;
    }
    effect();
}

inline void SoakTill::saleCycle(Fault fault) {
    enablePayin(fault == Fault::DropEnableReport);
    insertItems(1 + pick(3), fault == Fault::DropInsertReport);
    const int paidIn = ledger.customerPaidIn();
    const int due = pick(paidIn + 1);
    const std::string text = "sale " + std::to_string(m_saleNumber);
    int rest = -1;
    mainOperation(
        'f', true, -static_cast<long long>(due),
        [&](char* m) { return m_qx.amountDueQX(due, text.c_str(), &rest, m); },
        [&] { ledger.payOut(paidIn - due, paidIn); }, fault);
    disablePayin();
}

inline void SoakTill::payoutCycle(Fault fault) {
    enablePayin(fault == Fault::DropEnableReport);
    insertItems(1 + pick(2), fault == Fault::DropInsertReport);
    const int paidIn = ledger.customerPaidIn();
    const int change = pick(5000);
    int rest = -1;
    mainOperation(
        'f', true, static_cast<long long>(change) - paidIn,
        [&](char* m) { return m_qx.payout2QX(change, paidIn, "payout", &rest, m); },
        [&] { ledger.payOut(change, paidIn); }, fault);
    disablePayin();
}

inline void SoakTill::cancelCycle(Fault fault) {
    enablePayin(fault == Fault::DropEnableReport);
    insertItems(2 + pick(2), fault == Fault::DropInsertReport);
    mainOperation(
        'e', false, 0, [&](char* m) { return m_qx.regretQX(0, m); },
        [&] { ledger.giveBackLast(); }, fault);
    mainOperation(
        'e', false, 0, [&](char* m) { return m_qx.regretQX(1, m); },
        [&] { ledger.giveBackAll(); }, Fault::None);
    disablePayin();
}

inline void SoakTill::changeCycle(Fault fault) {
    enablePayin(fault == Fault::DropEnableReport);
    insertItems(1 + pick(3), fault == Fault::DropInsertReport);
    mainOperation(
        'e', false, 0, [&](char* m) { return m_qx.changeQX(m); },
        [&] { ledger.giveBackAll(); }, fault);
    disablePayin();
}

// A refund from the drawer.  Asking first records the amount, so a large
// dispense goes out without a second question and its busy report is the
// first the device sends.
inline void SoakTill::refundCycle(Fault fault) {
    const int amount = fault == Fault::SlowDrop ? 4900 + pick(10000) : pick(20000);
    int rest = -1;
    if (amount >= 4900) {
        expectOk("askPayout2QX",
                 [&](char* m) { return m_qx.askPayout2QX(amount, &rest, m); });
        EXPECT_EQ(rest, 0);
        settle();
    }
    mainOperation(
        'c', true, amount,
        [&](char* m) { return m_qx.dispenseQX(amount, "refund", &rest, m); },
        [&] { ledger.payOut(amount, 0); }, fault);
}

// Pay-in disabled, the paid-in cash is booked, and a cash-back dispense
// (perhaps of nothing) brings the state back to pay-in disabled.
inline void SoakTill::depositCycle(Fault fault) {
    enablePayin(fault == Fault::DropEnableReport);
    insertItems(1 + pick(3), fault == Fault::DropInsertReport);
    disablePayin();
    const int paidIn = ledger.customerPaidIn();
    mainOperation(
        'f', false, 0, [&](char* m) { return m_qx.depositQX("deposit", m); },
        [&] { ledger.payOut(0, paidIn); }, fault);
    const int cashBack = chance(50) ? 0 : pick(3000);
    int rest = -1;
    mainOperation(
        'c', true, cashBack,
        [&](char* m) { return m_qx.dispenseQX(cashBack, "cash back", &rest, m); },
        [&] { ledger.payOut(cashBack, 0); }, Fault::None);
}

}  // namespace qxtest

#endif  // QX_SOAK_CYCLES_H

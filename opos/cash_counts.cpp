// cash_counts.cpp - ReadCashCounts and AdjustCashCounts.  The device
// reports a denomination's count only when it crosses its low, empty or
// high mark (the level warnings), so ReadCashCounts answers the last
// reported count of each denomination of CurrencyCashList (0 for one
// never reported) and sets the discrepancy flag unless every one of them
// was reported since the last cash move.  The device counts by itself,
// so AdjustCashCounts is ignored, as UnifiedPOS has it for such a device.
#include "opos/cash_count_text.h"
#include "opos/opos_codes.h"
#include "opos/service.h"

namespace qxopos {

long Service::readCashCounts(std::string& cashCounts, bool& discrepancy) {
    cashCounts.clear();
    discrepancy = false;
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    std::map<int, int> counts;
    std::set<int> exact;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        counts = m_reportedCounts;
        exact = m_countsExact;
    }
    cashCounts = formatCashCounts(m_settings.currencyCashList, counts);
    for (int value : cashListValues(m_settings.currencyCashList))
        if (!exact.count(value)) discrepancy = true;
    return finish(opos::kSuccess);
}

long Service::adjustCashCounts(const std::string& cashCounts) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    long long total = 0;
    if (!totalOfCashCounts(cashCounts, m_settings.currencyCashList, total))
        return finish(opos::kIllegal);
    return finish(opos::kSuccess);
}

}  // namespace qxopos

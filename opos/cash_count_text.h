// cash_count_text.h - the cash counts' text form: "value:count,...;value:count,..."
// with the coins before the semicolon and the notes after it, in minor
// units, as ReadCashCounts answers it and DispenseCash and AdjustCashCounts
// take it.  The cash list is CurrencyCashList's "value,...;value,...".
#ifndef QX_OPOS_CASH_COUNT_TEXT_H
#define QX_OPOS_CASH_COUNT_TEXT_H

#include <map>
#include <string>
#include <vector>

namespace qxopos {

// The values of the cash list, coins then notes.
std::vector<int> cashListValues(const std::string& cashList);

// Every value of the cash list with its count (0 when counts lacks it), in
// the list's order.
std::string formatCashCounts(const std::string& cashList, const std::map<int, int>& counts);

// The total of the counts; false (total 0) when the text is malformed, a
// value is not in the cash list, or a count is negative.
bool totalOfCashCounts(const std::string& text, const std::string& cashList, long long& total);

}  // namespace qxopos

#endif  // QX_OPOS_CASH_COUNT_TEXT_H

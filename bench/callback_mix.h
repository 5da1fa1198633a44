// callback_mix.h - the callback texts of one customer at the till, as the
// device reports them: status "a" reports while cash is paid in and paid
// back, "b" cash-level texts (high, low, empty), "b" cash-session texts,
// a "b" error report with status 2, and texts the device repeats.  The
// callback benchmarks feed the cycle to the handler over and over.
#ifndef QX_BENCH_CALLBACK_MIX_H
#define QX_BENCH_CALLBACK_MIX_H

#include <string>
#include <vector>

namespace qxbench {

// One cycle of texts, in the order the device sends them.  The last text
// differs from the first, so a cycle repeated is no repeat at its seam.
const std::vector<std::string>& callbackMix();

// The peer of the handler: copies a text and reads its fields with
// strtol, no more.  Returns a sum of the fields (kept from the optimizer).
long splitWithStrtol(const std::string& text);

}  // namespace qxbench

#endif  // QX_BENCH_CALLBACK_MIX_H

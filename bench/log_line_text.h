// log_line_text.h - the line the log benchmarks write: a core method's
// opening line of typical length.
#ifndef QX_BENCH_LOG_LINE_TEXT_H
#define QX_BENCH_LOG_LINE_TEXT_H

namespace qxbench {

inline constexpr const char* kLogLineText = "CQXLogics::dispense(1250, refund, amountRest)";

}  // namespace qxbench

#endif  // QX_BENCH_LOG_LINE_TEXT_H

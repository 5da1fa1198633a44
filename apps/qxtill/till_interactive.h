// till_interactive.h - the till a cashier types at: one command per line,
// until quit or the end of the input.
#ifndef QXTILL_INTERACTIVE_H
#define QXTILL_INTERACTIVE_H

#include <istream>
#include <ostream>

#include "till_customer.h"
#include "till_options.h"

namespace till {

// Returns the process exit code: 1 when the device could not be opened,
// 0 otherwise (refused commands are part of a till's day).
int runInteractive(std::istream& in, std::ostream& out, const Options& options,
                   Customer& customer);

}  // namespace till

#endif  // QXTILL_INTERACTIVE_H

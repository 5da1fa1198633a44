// till_demo.h - the scripted shift of `qxtill demo`.
#ifndef QXTILL_DEMO_H
#define QXTILL_DEMO_H

#include <ostream>

#include "till_customer.h"
#include "till_options.h"

namespace till {

// Runs the shift and prints it; returns the process exit code: 0 when
// every call answered as expected, 1 otherwise.
int runDemo(std::ostream& out, const Options& options, Customer& customer);

}  // namespace till

#endif  // QXTILL_DEMO_H

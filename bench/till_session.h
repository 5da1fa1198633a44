// till_session.h - a till's use of the exports against the simulator
// linked into the program, answering at once: opening the device, the
// cheap exports the operation benchmarks time, and one whole sale.  The
// simulator answers every command and reports every callback without line
// pacing; only a cash move keeps it busy, for kCashMoveMs.
#ifndef QX_BENCH_TILL_SESSION_H
#define QX_BENCH_TILL_SESSION_H

#include <string>

namespace qxbench {

// How long the simulated device is busy with each cash move.
constexpr int kCashMoveMs = 50;

// A fresh simulated device and device model, the counting callbacks and
// initQX.  False with
// the reason when any step fails.
bool openTill(std::string& why);
// exitQX: closes the device and forgets the callbacks.
void closeTill();

short loginTill();
short logoutTill();

// isOpenQX; open is what it reports.
short isOpenTill(int& open);
// infoQX; master is the device's master version text.
short infoTill(std::string& master);
// A dispense of 1250 while nobody is logged in: refused by the checks
// before any command reaches the device.
short refusedDispense();

// One customer: login, enable pay-in, the customer inserts `paid`,
// amountDue of `due` (the difference is paid back), logout.  Returns the
// first status that is not OK (why names the export and its message).
short saleCycle(int paid, int due, int& rest, std::string& why);

// Cash moves (dispense and pay-out commands) the device received since the
// till was opened.
int cashMoves();

}  // namespace qxbench

#endif  // QX_BENCH_TILL_SESSION_H

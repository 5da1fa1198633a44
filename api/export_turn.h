// export_turn.h - one export that drives the device or the session at a
// time, whatever the number of threads that call the library.
//
// The exports that send commands, open or close the session or register
// receivers take the turn for their whole call; one that finds it taken
// answers QX_STATUS_BUSY at once rather than wait: a call that waited
// could wait for a report that only the turn's holder - or a callback
// waiting for it - can let through.  A temporary settings change takes it
// too: it belongs to the next payout, not to one that runs.  The queries
// and lasting settings changes take no turn; what they touch has guards of
// its own.
//
// Who calls: the export frame, on any thread.  Lock-free.
#ifndef QX_EXPORT_TURN_H
#define QX_EXPORT_TURN_H

namespace qxapi {

// True when the caller now holds the turn; false when another call has it.
bool takeExportTurn();
// Gives the turn back; the operation's record of reports is let go.
void releaseExportTurn();

}  // namespace qxapi

#endif  // QX_EXPORT_TURN_H

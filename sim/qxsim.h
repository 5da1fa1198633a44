// qxsim.h - the control entries of the device simulator.
//
// The simulator stands in for the device communication library: it
// exports the library's three entries under their exact names and, beside
// them, these control entries for tests, the demo till and benchmarks.
// They are not part of the device library's contract.  Programs either
// link the simulator directly or look the entries up in the loaded module.
#ifndef QX_SIM_QXSIM_H
#define QX_SIM_QXSIM_H

#if defined(_WIN32)
#  if defined(QX_SIM_BUILD)
#    define SIMAPI __declspec(dllexport)
#  else
#    define SIMAPI __declspec(dllimport)
#  endif
#else
#  define SIMAPI __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// A fresh device: closed, default inventory, nothing paid in, no delays,
// no overrides, command record empty, pending callbacks discarded.
SIMAPI void qxsim_reset(void);

// Sets a named behaviour knob (names are listed in sim/README.md).
// Returns 0, or -1 for an unknown name.
SIMAPI int qxsim_set_option(const char* name, int value);

// The customer inserts cash worth amount (minor units) while pay-in is
// enabled; the device reports it with status callbacks.  Returns 0, or -1
// when pay-in is not enabled.
SIMAPI int qxsim_insert(int amount);

// Delivers a raw callback text on the callback thread, after the ones
// already queued.
SIMAPI void qxsim_inject_callback(const char* text);

// Blocks until every queued callback has been delivered, or timeoutMs
// passed.  Returns 0 when idle, -1 on time-out.
SIMAPI int qxsim_wait_idle(int timeoutMs);

// Copies the commands received since the last reset, one per line ('\n'
// after each, fields separated by the real 0x1C), into buffer.  Returns
// the number of commands.
SIMAPI int qxsim_commands(char* buffer, int capacity);

// Makes the next `times` commands starting with letter answer `answer`
// (a 64-byte answer text such as "001" for busy) and do nothing else.
SIMAPI void qxsim_override_answer(char letter, const char* answer, int times);

// Count of items of one denomination (minor units) in the device; -1 when
// the device has no such denomination.  qxsim_set_level changes it.
SIMAPI int qxsim_level(int denomination);
SIMAPI int qxsim_set_level(int denomination, int count);

// Total value held in the device, minor units.
SIMAPI long long qxsim_total_value(void);

// Value booked into the cash box by deposits (pay-out commands), minor
// units; back-office withdrawals and refills change it as well.
SIMAPI long long qxsim_cash_box(void);

#ifdef __cplusplus
}
#endif

#endif  // QX_SIM_QXSIM_H

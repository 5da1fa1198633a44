// qxsim.h - the control entries of the device simulator.
//
// The simulator stands in for the device communication library: it
// exports the library's three entries under their exact names and, beside
// them, these control entries for tests, the demo till and benchmarks.
// They are not part of the device library's contract.
//
// Entry names: the device library's send and close entries carry decorated
// names with "@" in them ("?qx_002@@YGXPAD0@Z", "?qx_dini@@YGXXZ").  ELF
// reads "@@" as a symbol version, so every POSIX build of the library, the
// simulator included, exports them with each "@" spelt "_":
// "?qx_002__YGXPAD0_Z" and "?qx_dini__YGXXZ".  "qx_initiate2" is the same
// everywhere.  On Windows all three are __stdcall, and so is the callback
// handed to "qx_initiate2", unless the build options QX_DEVICE_INITIATE_CDECL
// or QX_DEVICE_CALLBACK_CDECL make that one __cdecl (as they do for the
// driver).  Programs either link the simulator directly or look the
// entries up in the loaded module.
//
// The simulator's manual (its model, options and texts) is README.md:
// sim/ in the source tree, /usr/share/doc/qxlogics-simulator-dev/ from the
// Debian packages, share/doc/qxlogics/simulator/ of an install, simulator/
// in the Windows SDK.
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

// Error codes for the "error_code" option: the device enters the fault and
// reports it ("b" with status 2 and the error text, code at 14-15).
enum {
    QXSIM_FAULT_NOTE_JAM = 1,
    QXSIM_FAULT_COIN_JAM = 2,
    QXSIM_FAULT_CASH_BOX_FULL = 3,
    QXSIM_FAULT_CASH_BOX_OUT = 4,
    QXSIM_FAULT_DOOR_OPEN = 5,
    QXSIM_FAULT_CASSETTE_MISSING = 6,
    QXSIM_FAULT_PAYOUT_FAILED = 12
};

// A fresh device: closed, default inventory, nothing paid in, no delays,
// no overrides, command record empty, pending callbacks discarded.
SIMAPI void qxsim_reset(void);

// Sets a named behaviour knob (names are listed in the manual, README.md).
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

// Replaces the whole stock from a stock file (format in README.md):
// 0, or -1 with the reason ("line 3: ...", "cannot open ...") copied into
// reason (capacity bytes, may be null).  A refused file changes nothing.
// The variable QXSIM_CONFIG names a file loaded the same way when the port
// is first opened after loading or qxsim_reset.
SIMAPI int qxsim_load_config(const char* path, char* reason, int capacity);

// Makes the initiate entry fail with result and answer (at most 63
// characters; null or empty gives "Cannot open port <name>") until it is
// called with result 0.
SIMAPI void qxsim_refuse_initiate(int result, const char* answer);

// The cash-level thresholds of one denomination: a falling count at or
// below low is reported low, at or below empty empty, a count rising to
// high is reported high.  0, or -1 for an unknown denomination or unless
// 0 <= empty <= low < high.
SIMAPI int qxsim_set_thresholds(int denomination, int low, int empty, int high);

#ifdef __cplusplus
}
#endif

#endif  // QX_SIM_QXSIM_H

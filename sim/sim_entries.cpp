// sim_entries.cpp - the simulator's exported entries: the three entries of
// the device communication library under their exact names, and the
// control entries of qxsim.h.  The only OS-dependent code of the
// simulator lives here: the export spelling.  The calling conventions are
// the driver's own (link/device_entries.h), so the two cannot disagree.
#include <atomic>
#include <cstring>
#include <string>

#include "link/device_entries.h"
#include "sim/qxsim.h"
#include "sim/sim_device.h"
#include "sim/sim_pump.h"

// The assembler's name of a C symbol: x86 Windows puts "_" before it.
#define SIM_STRING(x) SIM_STRING2(x)
#define SIM_STRING2(x) #x
#define SIM_ASM_NAME(name) SIM_STRING(__USER_LABEL_PREFIX__) name

// The send and close entries are defined under plain names (no x86
// "@bytes" suffix) and exported under the decorated ones by alias.
#if defined(_WIN32)
// Windows keeps the decorated names as they are.
#define SIM_EXPORT_AS(name, function)                                                \
    __asm__(".globl \"" SIM_ASM_NAME(name) "\"\n.set \"" SIM_ASM_NAME(name) "\", " \
            SIM_ASM_NAME(#function) "\n.section .drectve\n.ascii \" -export:\\\"" name \
            "\\\"\"\n.text\n")
#define SIM_NAME_SEND "?qx_002@@YGXPAD0@Z"
#define SIM_NAME_CLOSE "?qx_dini@@YGXXZ"
#else
// ELF reads "@@" as a symbol version, so POSIX spells every '@' as '_'.
#define SIM_EXPORT_AS(name, function)                                              \
    __asm__(".globl \"" name "\"\n.type \"" name "\", @function\n.set \"" name "\", " \
            #function "\n")
#define SIM_NAME_SEND "?qx_002__YGXPAD0_Z"
#define SIM_NAME_CLOSE "?qx_dini__YGXXZ"
#endif

namespace {

// Built on first use; its destruction when the module is unloaded stops
// a callback thread that was never closed with the close entry.  At the
// process's end it may go before the driver closes the device: the device
// entries then find the device gone and do nothing.
std::atomic<bool> g_gone{false};

struct Simulator {
    qxsim::CallbackPump pump;
    qxsim::Device device{pump};
    ~Simulator() { g_gone = true; }
};

Simulator& sim() {
    static Simulator instance;
    return instance;
}

// Copies text, cut to fit capacity bytes with its terminator.
void copyCut(char* buffer, int capacity, const std::string& text) {
    if (!buffer || capacity <= 0) return;
    std::size_t room = static_cast<std::size_t>(capacity) - 1;
    std::size_t length = text.size() < room ? text.size() : room;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

void writeAnswer(char* answer, const std::string& text) {
    copyCut(answer, QX_DEVICE_ANSWER_SIZE, text);
}

}  // namespace

extern "C" {

#if !defined(QX_SIM_WITHOUT_INITIATE)
SIMAPI int QX_INITIATE_CALL qx_initiate2(QXDeviceCallback callback, char* portName,
                                         char* answer, short* result) {
    std::string text;
    int code = sim().device.open(portName ? portName : "", text);
    if (code == 0) {
        sim().pump.start([callback](const std::string& delivered) {
            std::string copy(delivered);
            if (callback) callback(&copy[0]);
        });
    }
    writeAnswer(answer, text);
    if (result) *result = static_cast<short>(code);
    return code;
}
#endif

#if !defined(QX_SIM_WITHOUT_SEND)
void QX_DEVICE_CALL sim_entry_send(char* command, char* answer)
    __asm__(SIM_ASM_NAME("sim_entry_send"));
__attribute__((used)) void QX_DEVICE_CALL sim_entry_send(char* command, char* answer) {
    // Not connected: the device cannot be reached.
    if (g_gone || !sim().pump.running()) return writeAnswer(answer, "002");
    writeAnswer(answer, sim().device.command(command ? command : ""));
    // A library that calls back on the caller's thread does so before the
    // entry returns, with what the command made the device report at once.
    if (sim().device.inlineCallbacks()) sim().pump.deliverReadyHere();
}
SIM_EXPORT_AS(SIM_NAME_SEND, sim_entry_send);
#endif

#if !defined(QX_SIM_WITHOUT_CLOSE)
void QX_DEVICE_CALL sim_entry_close() __asm__(SIM_ASM_NAME("sim_entry_close"));
__attribute__((used)) void QX_DEVICE_CALL sim_entry_close() {
    if (g_gone) return;
    if (sim().device.closeLeavesThread()) sim().pump.stopLater();
    else sim().pump.stop();
    sim().device.disconnected();
}
SIM_EXPORT_AS(SIM_NAME_CLOSE, sim_entry_close);
#endif

// ---- Control entries ----------------------------------------------------------

SIMAPI void qxsim_reset(void) { sim().device.reset(); }

SIMAPI int qxsim_set_option(const char* name, int value) {
    return sim().device.setOption(name ? name : "", value);
}

SIMAPI int qxsim_insert(int amount) { return sim().device.insert(amount); }

SIMAPI void qxsim_inject_callback(const char* text) {
    qxsim::CallbackPump::Item item;
    item.text = text ? text : "";
    sim().pump.post(std::move(item));
}

SIMAPI int qxsim_wait_idle(int timeoutMs) { return sim().pump.waitIdle(timeoutMs) ? 0 : -1; }

SIMAPI int qxsim_commands(char* buffer, int capacity) {
    int count = 0;
    copyCut(buffer, capacity, sim().device.commandRecord(&count));
    return count;
}

SIMAPI void qxsim_override_answer(char letter, const char* answer, int times) {
    sim().device.overrideAnswer(letter, answer ? answer : "", times);
}

SIMAPI int qxsim_level(int denomination) { return sim().device.level(denomination); }

SIMAPI int qxsim_set_level(int denomination, int count) {
    return sim().device.setLevel(denomination, count);
}

SIMAPI long long qxsim_total_value(void) { return sim().device.totalValue(); }

SIMAPI long long qxsim_cash_box(void) { return sim().device.cashBox(); }

SIMAPI int qxsim_load_config(const char* path, char* reason, int capacity) {
    std::string why;
    if (sim().device.loadConfig(path ? path : "", why)) why.clear();
    copyCut(reason, capacity, why);
    return why.empty() ? 0 : -1;
}

SIMAPI void qxsim_refuse_initiate(int result, const char* answer) {
    sim().device.refuseOpen(result, answer ? answer : "");
}

SIMAPI int qxsim_set_thresholds(int denomination, int low, int empty, int high) {
    return sim().device.setThresholds(denomination, low, empty, high);
}

}  // extern "C"

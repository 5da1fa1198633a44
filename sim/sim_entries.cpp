// sim_entries.cpp - the simulator's exported entries: the three entries of
// the device communication library under their exact names, and the
// control entries of qxsim.h.  The only OS-dependent code of the
// simulator lives here: the calling convention and the export spelling.
#include <cstring>
#include <string>

#include "sim/qxsim.h"
#include "sim/sim_device.h"
#include "sim/sim_pump.h"

#if defined(_WIN32)
#define SIM_DEVICE_CALL __stdcall
// Windows keeps the decorated names as they are.
#define SIM_EXPORT_AS(name, function)                                   \
    __asm__(".globl \"" name "\"\n.set \"" name "\", " #function "\n" \
            ".section .drectve\n.ascii \" -export:\\\"" name "\\\"\"\n.text\n")
#define SIM_NAME_SEND "?qx_002@@YGXPAD0@Z"
#define SIM_NAME_CLOSE "?qx_dini@@YGXXZ"
#else
#define SIM_DEVICE_CALL
// ELF reads "@@" as a symbol version, so POSIX spells every '@' as '_'.
#define SIM_EXPORT_AS(name, function)                                              \
    __asm__(".globl \"" name "\"\n.type \"" name "\", @function\n.set \"" name "\", " \
            #function "\n")
#define SIM_NAME_SEND "?qx_002__YGXPAD0_Z"
#define SIM_NAME_CLOSE "?qx_dini__YGXXZ"
#endif

typedef int(SIM_DEVICE_CALL* SimCallback)(char* text);

namespace {

const int SIM_ANSWER_SIZE = 64;

// Built on first use; its destruction when the module is unloaded stops
// a callback thread that was never closed with the close entry.
struct Simulator {
    qxsim::CallbackPump pump;
    qxsim::Device device{pump};
};

Simulator& sim() {
    static Simulator instance;
    return instance;
}

void writeAnswer(char* answer, const std::string& text) {
    if (!answer) return;
    std::size_t length = text.size() < SIM_ANSWER_SIZE - 1 ? text.size() : SIM_ANSWER_SIZE - 1;
    std::memcpy(answer, text.data(), length);
    answer[length] = '\0';
}

}  // namespace

extern "C" {

#if !defined(QX_SIM_WITHOUT_INITIATE)
SIMAPI int SIM_DEVICE_CALL qx_initiate2(SimCallback callback, char* portName, char* answer,
                                        short* result) {
    int code = sim().device.initiateResult();
    if (code != 0) {
        writeAnswer(answer, "Cannot open port " + std::string(portName ? portName : ""));
    } else {
        sim().pump.start([callback](const std::string& text) {
            std::string copy(text);
            if (callback) callback(&copy[0]);
        });
        writeAnswer(answer, "Port open");
    }
    if (result) *result = static_cast<short>(code);
    return code;
}
#endif

#if !defined(QX_SIM_WITHOUT_SEND)
__attribute__((used)) void SIM_DEVICE_CALL sim_entry_send(char* command, char* answer) {
    // Not connected: the device cannot be reached.
    if (!sim().pump.running()) return writeAnswer(answer, "002");
    writeAnswer(answer, sim().device.command(command ? command : ""));
}
SIM_EXPORT_AS(SIM_NAME_SEND, sim_entry_send);
#endif

#if !defined(QX_SIM_WITHOUT_CLOSE)
__attribute__((used)) void SIM_DEVICE_CALL sim_entry_close() {
    sim().pump.stop();
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
    std::string record = sim().device.commandRecord(&count);
    if (buffer && capacity > 0) {
        std::size_t length = record.size() < static_cast<std::size_t>(capacity)
                                 ? record.size()
                                 : static_cast<std::size_t>(capacity) - 1;
        std::memcpy(buffer, record.data(), length);
        buffer[length] = '\0';
    }
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

}  // extern "C"

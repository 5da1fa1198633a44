// till_session.cpp - the exports a till calls, in the order it calls them.
#include "bench/till_session.h"

#include <cstdlib>
#include <vector>

#include "bench/event_counter.h"
#include "bench/scratch_dir.h"
#include "core/device_model.h"
#include "platform/platform.h"
#include "qxlogics.h"
#include "sim/qxsim.h"

namespace qxbench {
namespace {

const char* const kPort = "Type:RS232;Name:COM1";

bool failed(short status, const char* what, const char* message, std::string& why) {
    if (status == QX_STATUS_OK) return false;
    why = std::string(what) + " returned " + std::to_string(status) + ": " + message;
    return true;
}

}  // namespace

bool openTill(std::string& why) {
    // No settings or language file but those of the scratch folder.
    if (!std::getenv("QXCONFIG")) setenv("QXCONFIG", scratchDir().c_str(), 1);
    // The simulator sits beside this program.
    qxplat::setLibraryDirectoryForTesting(
        qxplat::directoryOf(qxplat::ownModuleFileName("qxlogics.dll")));
    qxsim_reset();
    qxsim_set_option("ms_per_char", 0);
    qxsim_set_option("busy_ms", kCashMoveMs);
    // Whatever an earlier benchmark fed the callback entry is forgotten: a
    // model left busy would hold up the login by its busy wait.
    resetDeviceModelForTesting();
    if (!registerEventCounter()) {
        why = "registerEvents23QX refused the callbacks";
        return false;
    }
    char message[QX_BUFFER_CAPACITY] = "";
    if (failed(initQX(kPort, "", message), "initQX", message, why)) return false;
    return qxsim_wait_idle(5000) == 0 || (why = "the device did not settle", false);
}

void closeTill() {
    char message[QX_BUFFER_CAPACITY] = "";
    exitQX(message);
}

short loginTill() {
    char message[QX_BUFFER_CAPACITY] = "";
    return loginQX(1, 1, message);
}

short logoutTill() {
    char message[QX_BUFFER_CAPACITY] = "";
    return logoutQX(message);
}

short isOpenTill(int& open) {
    char message[QX_BUFFER_CAPACITY] = "";
    return isOpenQX(&open, message);
}

short infoTill(std::string& master) {
    char commands[QX_BUFFER_CAPACITY] = "", masterText[QX_BUFFER_CAPACITY] = "";
    char info[QX_BUFFER_CAPACITY] = "", message[QX_BUFFER_CAPACITY] = "";
    int level = 0;
    const short status = infoQX(&level, commands, masterText, info, message);
    master = masterText;
    return status;
}

short refusedDispense() {
    char message[QX_BUFFER_CAPACITY] = "";
    int rest = 0;
    return dispenseQX(1250, "refund", &rest, message);
}

short saleCycle(int paid, int due, int& rest, std::string& why) {
    char message[QX_BUFFER_CAPACITY] = "";
    short status = loginQX(1, 1, message);
    if (failed(status, "loginQX", message, why)) return status;
    status = enablePayinQX(message);
    if (failed(status, "enablePayinQX", message, why)) return status;
    if (qxsim_insert(paid) != 0 || qxsim_wait_idle(5000) != 0) {
        why = "the simulated customer could not pay";
        return QX_STATUS_ERROR;
    }
    status = amountDueQX(due, "sale", &rest, message);
    if (failed(status, "amountDueQX", message, why)) return status;
    status = logoutQX(message);
    if (failed(status, "logoutQX", message, why)) return status;
    // The device's last reports are in before the next customer comes.
    return qxsim_wait_idle(5000) == 0 ? QX_STATUS_OK
                                      : (why = "the device did not settle", QX_STATUS_TIMEOUT);
}

int cashMoves() {
    std::vector<char> record(1 << 20);
    qxsim_commands(record.data(), static_cast<int>(record.size()));
    int moves = 0;
    bool lineStart = true;
    for (const char* c = record.data(); *c; ++c) {
        if (lineStart && (*c == 'c' || *c == 'f')) ++moves;
        lineStart = *c == '\n';
    }
    return moves;
}

}  // namespace qxbench

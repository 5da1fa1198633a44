// receivers.cpp - the driver's callbacks turned into published events.
// The driver calls them without user data, so the fan-out they publish to
// is one process-wide pointer.
#include "receivers.h"

#include <atomic>

namespace qxd {
namespace {

std::atomic<EventFanout*> g_fanout{nullptr};

std::string copied(const char* text) { return text ? text : ""; }

void publish(DeviceEvent&& event) {
    if (EventFanout* fanout = g_fanout.load()) fanout->publish(std::move(event));
}

void QXAPI onStatus(int amount, short status, short mode) {
    DeviceEvent e;
    e.kind = EventKind::Status;
    e.amount = amount;
    e.status = status;
    e.mode = mode;
    publish(std::move(e));
}

void QXAPI onError(int code, const char* text, const char* extInfo) {
    DeviceEvent e;
    e.kind = EventKind::Error;
    e.errorCode = code;
    e.errorText = copied(text);
    e.extInfo = copied(extInfo);
    publish(std::move(e));
}

void QXAPI onCashLevel(int denomination, int count, const char* extInfo) {
    DeviceEvent e;
    e.kind = EventKind::CashLevel;
    e.denomination = denomination;
    e.count = count;
    e.extInfo = copied(extInfo);
    publish(std::move(e));
}

void QXAPI onLevelWarning(int type, int denomination, int count, const char* typeText,
                          const char* denominationText, const char* warning,
                          const char* extInfo) {
    DeviceEvent e;
    e.kind = EventKind::LevelWarning;
    e.warningType = type;
    e.denomination = denomination;
    e.count = count;
    e.typeString = copied(typeText);
    e.denominationString = copied(denominationText);
    e.warningMessage = copied(warning);
    e.extInfo = copied(extInfo);
    publish(std::move(e));
}

void QXAPI onCashSession(short type, int amount, const char* extInfo) {
    DeviceEvent e;
    e.kind = EventKind::CashSession;
    e.infoType = type;
    e.amount = amount;
    e.extInfo = copied(extInfo);
    publish(std::move(e));
}

}  // namespace

void bindReceivers(EventFanout* fanout) { g_fanout.store(fanout); }

void addReceivers(DriverTable& driver) {
    driver.onStatus = onStatus;
    driver.onError = onError;
    driver.onCashLevel = onCashLevel;
    driver.onLevelWarning = onLevelWarning;
    driver.onCashSession = onCashSession;
}

}  // namespace qxd

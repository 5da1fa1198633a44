// event_json.h - a device event as the JSON text the service sends its
// clients: {"event": "status", "seq": 7, ...the kind's own fields}.
// Called on the fan-out thread; pure.
#ifndef QXD_EVENT_JSON_H
#define QXD_EVENT_JSON_H

#include <nlohmann/json.hpp>

#include "device_events.h"

namespace qxd {

// "status", "error", "cashLevel", "levelWarning", "cashSession", "operator".
const char* eventName(EventKind kind);

nlohmann::json eventJson(const DeviceEvent& event);

}  // namespace qxd

#endif  // QXD_EVENT_JSON_H

// event_json.cpp - the fields of each event kind, named as the driver's
// callbacks name their parameters.
#include "event_json.h"

namespace qxd {

const char* eventName(EventKind kind) {
    switch (kind) {
    case EventKind::Status: return "status";
    case EventKind::Error: return "error";
    case EventKind::CashLevel: return "cashLevel";
    case EventKind::LevelWarning: return "levelWarning";
    case EventKind::CashSession: return "cashSession";
    case EventKind::Operator: return "operator";
    }
    return "";
}

nlohmann::json eventJson(const DeviceEvent& e) {
    nlohmann::json j = {{"event", eventName(e.kind)}, {"seq", e.sequence}};
    switch (e.kind) {
    case EventKind::Status:
        j.update({{"amount", e.amount}, {"status", e.status}, {"mode", e.mode}});
        break;
    case EventKind::Error:
        j.update({{"errorCode", e.errorCode}, {"errorText", e.errorText}, {"extInfo", e.extInfo}});
        break;
    case EventKind::CashLevel:
        j.update({{"denomination", e.denomination}, {"count", e.count}, {"extInfo", e.extInfo}});
        break;
    case EventKind::LevelWarning:
        j.update({{"warningType", e.warningType}, {"denomination", e.denomination},
                  {"count", e.count}, {"typeString", e.typeString},
                  {"denominationString", e.denominationString},
                  {"warningMessage", e.warningMessage}, {"extInfo", e.extInfo}});
        break;
    case EventKind::CashSession:
        j.update({{"infoType", e.infoType}, {"amount", e.amount}, {"extInfo", e.extInfo}});
        break;
    case EventKind::Operator:
        j.update({{"user", e.user}, {"loggedIn", e.loggedIn}});
        break;
    }
    return j;
}

}  // namespace qxd

// ok_checks.cpp - the start-up line that names the OK checks that are off.
#include "settings/ok_checks.h"

#include "logging/log_shapes.h"
#include "settings/settings.h"

std::string okChecksOff(const CQXSettings& settings) {
    std::string names;
    for (int id : {PayOutOkCheck, ChangeOkCheck, RegretOkCheck}) {
        if (settings.GetInt(id) == 1) continue;
        if (!names.empty()) names += ", ";
        names += settingInfo(id).key;
    }
    return names;
}

void logOkChecksOff(const CQXSettings& settings) {
    const std::string names = okChecksOff(settings);
    if (names.empty()) return;
    logInfo("CQXLogics::init: OK checks off: " + names +
            " (\"Done\" then only says that the device started the cash move; "
            "a till that handles money sets them to 1)");
}

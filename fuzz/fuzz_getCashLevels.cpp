// fuzz_getCashLevels.cpp - any text as a cash-level text, with the
// currency decimals taken from the first byte: an accepted text gives a
// consistent record.
#include "core/device_model.h"
#include "events/parsers.h"
#include "fuzz/fuzz_support.h"
#include "settings/settings_mirrors.h"

using qxfuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    g_CurrencyDecimals = data[0] % 12;
    const std::string text = qxfuzz::text(data + 1, size - 1);
    CashLevels levels;
    const short result = getCashLevels(text, levels);
    check(result == 0 || result == 2, "result 0 or 2");
    if (result != 0) return 0;
    check(text.size() >= 16 && text[0] >= '0' && text[0] <= '9', "accepted shape");
    check(levels.denomination > 0, "denomination positive");
    check(text.find(levels.denominationString) != std::string::npos, "denomination text");
    check(levels.warningMessage.compare(0, levels.denominationString.size(),
                                        levels.denominationString) == 0,
          "message starts with the denomination");
    switch (levels.warningType) {
    case 1: check(levels.numberOf == 0, "empty has none"); break;
    case 2: check(levels.numberOf >= -9 && levels.numberOf <= 99, "low count"); break;
    case 3: check(levels.numberOf == 999, "high count"); break;
    default: check(false, "warning type 1 to 3");
    }
    check(levels.warningType == 3 ||
              g_nCurrentLowLevelWarningState == LOW_LEVEL_WARNING_TRUE,
          "low and empty raise the warning state");
    return 0;
}

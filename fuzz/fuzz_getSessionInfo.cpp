// fuzz_getSessionInfo.cpp - any text as a cash-session text: accepted
// only with one of the five type prefixes, whose index it reports.
#include "events/parsers.h"
#include "fuzz/fuzz_support.h"

using qxfuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kTypes[] = {"BO/WD", "BO/RF", "CR/WD", "CR/RF", "QuaxV"};
    const std::string text = qxfuzz::text(data, size);
    short infoType = -1;
    int amount = -1;
    const short result = getSessionInfo(text, infoType, amount);
    check(result == 0 || result == 2, "result 0 or 2");
    if (result != 0) return 0;
    check(infoType >= 0 && infoType <= 4, "type index");
    check(text.compare(0, 5, kTypes[infoType]) == 0, "type matches the prefix");
    check(infoType != 4 || amount == 0, "no amount for the device's own type");
    check(amount >= -9999999 && amount <= 99999999, "eight characters of amount");
    return 0;
}

// fuzz_formatCallbackArg.cpp - any text through the callback splitter: it
// returns 0 or 2 and, for a status callback it accepts, hands out fields
// that are not negative and an extInfo that is the text from position 11.
#include "events/parsers.h"
#include "fuzz/fuzz_support.h"

using qxfuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string callback = qxfuzz::text(data, size);
    std::string command, extInfo;
    int amount = 0, status = 0, mode = 0;
    const short result = formatCallbackArg(callback, command, amount, status, mode, extInfo);
    check(result == 0 || result == 2, "result 0 or 2");
    check(amount >= 0 && status >= 0 && mode >= 0, "fields never negative");
    if (result != 0) return 0;
    check(command == callback.substr(0, 1), "command is the first character");
    const char letter = callback[0];
    if (letter == 'a' || letter == 'b' || letter == 'c') {
        check(callback.size() >= 11, "status callbacks have 11 characters");
        check(extInfo == callback.substr(11), "extInfo from position 11");
        check(amount <= 99999999 && status <= 9 && mode <= 9, "fields within their digits");
    } else if (letter == 'x') {
        check(extInfo == callback.substr(1), "verification extInfo from position 1");
    }
    return 0;
}

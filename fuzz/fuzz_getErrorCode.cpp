// fuzz_getErrorCode.cpp - any text as an error text: the code is 0 on
// every failure and two decimal digits at most on success.
#include "events/parsers.h"
#include "fuzz/fuzz_support.h"

using qxfuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int code = -1;
    const short result = getErrorCode(qxfuzz::text(data, size), code);
    check(result == 0 || result == 2, "result 0 or 2");
    check(result == 0 ? code >= 0 && code <= 99 : code == 0, "code range");
    check(result != 0 || size >= 16, "accepted texts have 16 characters");
    return 0;
}

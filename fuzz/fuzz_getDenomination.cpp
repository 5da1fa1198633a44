// fuzz_getDenomination.cpp - any text and start position: the
// denomination text and the rest are pieces of the text, and an accepted
// denomination is positive.
#include "events/parsers.h"
#include "fuzz/fuzz_support.h"
#include "settings/settings_mirrors.h"

using qxfuzz::check;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    g_CurrencyDecimals = data[0] % 12;
    const std::string text = qxfuzz::text(data + 2, size - 2);
    const std::size_t start = data[1] % (text.size() + 3);  // also beyond the end
    int denomination = -1;
    std::string denominationString, rest;
    const short result = getDenomination(text, start, denomination, denominationString, rest);
    check(result == 0 || result == 2, "result 0 or 2");
    check(result == 0 ? denomination > 0 : denomination == 0, "denomination sign");
    const std::size_t from = start < text.size() ? start : text.size();
    check(text.compare(from, denominationString.size(), denominationString) == 0,
          "denomination text stands at start");
    check(rest.empty() || text.find(rest, from + denominationString.size()) ==
                              from + denominationString.size(),
          "rest follows the denomination text");
    check(rest.empty() || rest.back() != ' ', "rest ends at the last non-space");
    return 0;
}

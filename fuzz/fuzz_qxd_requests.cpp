// fuzz_qxd_requests.cpp - any text as a request to the till service: it is
// refused with code 4 and a field named, or it reaches a driver table
// whose exports check what they are handed (buffers present, texts short
// enough); every answer becomes a JSON text again.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "requests.h"

using qxfuzz::check;

namespace {

void checkText(const char* text) {
    check(text != nullptr, "text argument present");
    check(std::strlen(text) <= qxd::kMaxTextBytes, "text argument within 255 bytes");
}
short done(char* message) {
    check(message != nullptr, "message buffer present");
    std::strcpy(message, "Done");
    return QX_STATUS_OK;
}

qxd::DriverTable checkingDriver() {
    qxd::DriverTable d;
    d.init = [](const char* port, const char* init, char* m) { return checkText(port), checkText(init), done(m); };
    d.exit = done;
    d.changeSettings = [](const char* s, short, char* m) { return checkText(s), done(m); };
    d.registerEvents23 = [](QXStatusCallback, QXErrorCallback, QXCashLevelCallback,
                            QXLevelWarningCallback, QXCashSessionCallback, char* m) { return done(m); };
    d.login = [](short, short, char* m) { return done(m); };
    d.loginStr = [](const char* u, const char* p, char* m) { return checkText(u), checkText(p), done(m); };
    d.logout = done;
    d.isOpen = [](int* open, char* m) { return check(open != nullptr, "open"), done(m); };
    d.info = [](int* level, char* c, char* ms, char* i, char* m) {
        check(level && c && ms && i, "info buffers");
        return done(m);
    };
    d.enablePayin = d.disablePayin = d.change = d.reset = done;
    d.deposit = [](const char* t, char* m) { return checkText(t), done(m); };
    d.dispense = [](int, const char* t, int* rest, char* m) { return checkText(t), check(rest != nullptr, "rest"), done(m); };
    d.askPayout = [](int, char* m) { return done(m); };
    d.askPayout2 = [](int, int* rest, char* m) { return check(rest != nullptr, "rest"), done(m); };
    d.payout = [](int, int, const char* t, char* m) { return checkText(t), done(m); };
    d.payout2 = [](int, int, const char* t, int* rest, char* m) { return checkText(t), check(rest != nullptr, "rest"), done(m); };
    d.amountDue = [](int, const char* t, int* rest, char* m) { return checkText(t), check(rest != nullptr, "rest"), done(m); };
    d.regret = [](short, char* m) { return done(m); };
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qxd::DriverTable driver = checkingDriver();
    const qxd::Parsed parsed = qxd::parseRequest(qxfuzz::text(data, size));
    if (!parsed.ok) {
        check(parsed.refusal.at("code") == QX_STATUS_INPUT_PARAM_ERROR, "refusal code 4");
        check(!parsed.refusal.value("field", std::string()).empty(), "refusal names a field");
        check(parsed.refusal.at("device") == false, "refusal never reaches the device");
        qxd::toText(parsed.refusal);
        return 0;
    }
    if (parsed.request.handler() != qxd::Handler::Driver) return 0;
    const qxd::Json answer = qxd::execute(parsed.request, driver);
    check(answer.at("code") == QX_STATUS_OK && answer.at("id") == parsed.request.id, "answer of the request");
    qxd::toText(answer);
    return 0;
}

// cash_exports.cpp - the twelve cash operations of the till: pay-in
// control, deposit, dispense, the payouts, amount due, change, regret and
// reset.  Each is the guarded frame around one core method; amounts and
// texts are checked by the core.
#include <string>

#include "api/export_frame.h"
#include "core/cqxlogics.h"

using qxapi::ExportFrame;
using qxapi::quoted;
using RestShown = qxapi::ExportFrame::RestShown;

namespace {

std::string number(long long value) { return std::to_string(value); }

}  // namespace

QX_EXPORT short QXAPI enablePayinQX(char* message) {
    return ExportFrame("enablePayinQX", "message").guarded(message, [](char* text) {
        return g_theLogics.enablePayin(text);
    });
}

QX_EXPORT short QXAPI disablePayinQX(char* message) {
    return ExportFrame("disablePayinQX", "message").guarded(message, [](char* text) {
        return g_theLogics.disablePayin(text);
    });
}

QX_EXPORT short QXAPI depositQX(const char* text, char* message) {
    const ExportFrame frame("depositQX", quoted(text) + ", message");
    return frame.guarded(message, [&](char* out) { return g_theLogics.deposit(text, out); });
}

QX_EXPORT short QXAPI dispenseQX(int amount, const char* text, int* amountRest,
                                 char* message) {
    const ExportFrame frame("dispenseQX",
                            number(amount) + ", " + quoted(text) + ", amountRest, message");
    return frame.guardedWithRest(amountRest, message, RestShown::OnFailure,
                                 [&](int* rest, char* out) {
                                     return g_theLogics.dispense(amount, text, rest, out);
                                 });
}

QX_EXPORT short QXAPI askPayoutQX(int amount, char* message) {
    const ExportFrame frame("askPayoutQX", number(amount) + ", message");
    return frame.guarded(message, [&](char* out) { return g_theLogics.askPayout(amount, out); });
}

QX_EXPORT short QXAPI askPayout2QX(int amount, int* amountRest, char* message) {
    const ExportFrame frame("askPayout2QX", number(amount) + ", amountRest, message");
    return frame.guardedWithRest(amountRest, message, RestShown::Always,
                                 [&](int* rest, char* out) {
                                     return g_theLogics.askPayout(amount, rest, out);
                                 });
}

QX_EXPORT short QXAPI payoutQX(int amountDispense, int amountDeposit, const char* text,
                               char* message) {
    const ExportFrame frame("payoutQX", number(amountDispense) + ", " +
                                            number(amountDeposit) + ", " + quoted(text) +
                                            ", message");
    return frame.guarded(message, [&](char* out) {
        return g_theLogics.payout(amountDispense, amountDeposit, text, out);
    });
}

QX_EXPORT short QXAPI payout2QX(int amountDispense, int amountDeposit, const char* text,
                                int* amountRest, char* message) {
    const ExportFrame frame("payout2QX", number(amountDispense) + ", " +
                                             number(amountDeposit) + ", " + quoted(text) +
                                             ", amountRest, message");
    return frame.guardedWithRest(
        amountRest, message, RestShown::Always, [&](int* rest, char* out) {
            return g_theLogics.payout(amountDispense, amountDeposit, text, rest, out);
        });
}

QX_EXPORT short QXAPI amountDueQX(int amountDue, const char* text, int* amountRest,
                                  char* message) {
    const ExportFrame frame("amountDueQX", number(amountDue) + ", " + quoted(text) +
                                               ", amountRest, message");
    return frame.guardedWithRest(amountRest, message, RestShown::Always,
                                 [&](int* rest, char* out) {
                                     return g_theLogics.amountDue(amountDue, text, rest, out);
                                 });
}

QX_EXPORT short QXAPI changeQX(char* message) {
    return ExportFrame("changeQX", "message").guarded(message, [](char* text) {
        return g_theLogics.change(text);
    });
}

QX_EXPORT short QXAPI regretQX(short regretType, char* message) {
    const ExportFrame frame("regretQX", number(regretType) + ", message");
    return frame.guarded(message, [&](char* out) { return g_theLogics.regret(regretType, out); });
}

QX_EXPORT short QXAPI resetQX(char* message) {
    return ExportFrame("resetQX", "message").guarded(message, [](char* text) {
        return g_theLogics.reset(text);
    });
}

// commands.cpp - the device command set: each method builds one command
// text, hands it to the send routine and reports the device's answer.
#include "link/dorvo_link.h"

#include <cstdio>

#include "logging/caller_text.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"

namespace {

// Sends command; on acceptance the message becomes "Done", otherwise the
// send routine's text stays in it.
short send(CDorvoLink& link, const std::string& command, char* answer, char* message) {
    short result = link.my_qx_002(command.c_str(), answer, message);
    if (result == QX_STATUS_OK) setMessage(message, "Done");
    return result;
}

short send(CDorvoLink& link, const std::string& command, char* message) {
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    return send(link, command, answer, message);
}

// The trace of one exchange that enablePayin, disablePayin and verifyQX
// write: what went out, what came back, and whether it failed.
void traceExchange(const char* method, const std::string& command, short result,
                   const char* message, const char* answer) {
    std::string prefix = std::string("CDorvoLink::") + method + ": ";
    logTrace(prefix + "sent command: " + command);
    logTrace(prefix + strformat("return value: %d, message: %s", result, message));
    logTrace(prefix + "received ans: " + answer);
    if (result != QX_STATUS_OK) logTrace(prefix + "the " + method + " command failed");
}

// First two characters of "%02d": operator 123 is sent as "12".
std::string twoDigits(int value) { return strformat("%02d", value).substr(0, 2); }

// Appends FS and a free text, only when there is a text.
std::string withText(std::string command, const char* text) {
    if (text && *text) command += g_strFS + text;
    return command;
}

}  // namespace

short CDorvoLink::login(short op, short pw, char* message) {
    qxplat::LocalTime now = qxplat::localNow();
    std::string command = "a" + g_strFS + twoDigits(op) + g_strFS + twoDigits(pw) + g_strFS +
                          strformat("%02d%02d", now.hour, now.minute);
    return send(*this, command, message);
}

short CDorvoLink::logout(char* message) {
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    short result = send(*this, "b", answer, message);
    if (result != QX_STATUS_OK) {
        logTrace(std::string("CDorvoLink::logout: received ans: ") + answer + ", message: " +
                 textOrEmpty(message));
        logTracef("CDorvoLink::logout: returning not ok: %d", result);
    }
    return result;
}

short CDorvoLink::enablePayin(char* message) {
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    short result = send(*this, "h", answer, message);
    if (result != QX_STATUS_OK) traceExchange("enablePayin", "h", result, message, answer);
    return result;
}

short CDorvoLink::disablePayin(char* message) {
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    short result = send(*this, "g", answer, message);
    if (result != QX_STATUS_OK) traceExchange("disablePayin", "g", result, message, answer);
    return result;
}

short CDorvoLink::dispense(int amount, const char* text, char* message) {
    return send(*this, withText("c" + g_strFS + pad8(amount), text), message);
}

short CDorvoLink::askPayOut(int amount, char* message) {
    return send(*this, "d" + g_strFS + fixed8(amount), message);
}

short CDorvoLink::doPayOut(int dispenseAmount, int depositAmount, const char* text,
                           char* message) {
    std::string command = "f" + g_strFS + pad8(dispenseAmount) + g_strFS + pad8(depositAmount);
    return send(*this, withText(command, text), message);
}

short CDorvoLink::change(char* message) { return send(*this, "e" + g_strFS + "1", message); }
short CDorvoLink::regret(char* message) { return send(*this, "e" + g_strFS + "2", message); }
short CDorvoLink::reset(char* message) { return send(*this, "e" + g_strFS + "3", message); }
short CDorvoLink::regretAllTrue(char* message) {
    return send(*this, "e" + g_strFS + "4", message);
}
short CDorvoLink::regretAll(char* message) { return doPayOut(0, 0, "regretAll", message); }

short CDorvoLink::verifyQX(const char* argument, char* message) {
    // The command buffer holds 40 characters: the argument is cut at 37.
    char command[40];
    std::snprintf(command, sizeof command, "x%s%s", g_strFS.c_str(), textOrEmpty(argument));
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    logTrace("CDorvoLink::verifyQX: Calling my_qx_002");
    short result = send(*this, command, answer, message);
    traceExchange("verifyQX", command, result, message, answer);
    return result;
}

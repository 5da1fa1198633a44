// export_frame.h - the frame every export shares: the entry line, the
// "Not initiated" guard and the one result line, plus stand-ins for
// out-parameters the caller did not pass.
//
// A result line reads  name ": Ok! Returning " code separator tail  (or
// ": Failed! Returning ", or initQX's ": Warning! Returning "), where the
// tail is the message text, optionally preceded by values such as
// "amountRest=5: ".  The separator names the codes 0, 2, 3 and 4 in the
// success line and in the export's own fixed lines (guard, argument checks,
// warning); a failure passed on from the core shows its number and ": ".
#ifndef QX_EXPORT_FRAME_H
#define QX_EXPORT_FRAME_H

#include <string>

#include "qxlogics.h"

// The objects are compiled with hidden visibility; on ELF targets the 29
// exports are made visible here (the version script keeps only them).  On
// PE targets the module-definition file exports them instead.
#if defined(__ELF__)
#define QX_EXPORT_ATTRIBUTE __attribute__((visibility("default")))
#else
#define QX_EXPORT_ATTRIBUTE
#endif
#define QX_EXPORT extern "C" QX_EXPORT_ATTRIBUTE

namespace qxapi {

// An out-buffer for the core: the caller's, or a zeroed one of our own when
// the caller passed none, so the result line still shows what was written.
class OutText {
public:
    explicit OutText(char* caller) : m_text(caller ? caller : m_own) {}
    OutText(const OutText&) = delete;
    OutText& operator=(const OutText&) = delete;
    char* get() const { return m_text; }

private:
    char m_own[QX_BUFFER_CAPACITY] = {};
    char* m_text;
};

// The same for an int out-parameter.
class OutInt {
public:
    explicit OutInt(int* caller) : m_value(caller ? caller : &m_own) {}
    OutInt(const OutInt&) = delete;
    OutInt& operator=(const OutInt&) = delete;
    int* get() const { return m_value; }
    int value() const { return *m_value; }

private:
    int m_own = 0;
    int* m_value;
};

// Entry-line pieces: a text between double quotes (null as empty), and the
// arguments of a registration export, each callback written as "value" or
// "NULL", then "message".
std::string quoted(const char* text);
template <class... Callbacks>
std::string callbackArguments(Callbacks... callbacks) {
    std::string arguments;
    ((arguments += callbacks ? "value, " : "NULL, "), ...);
    return arguments + "message";
}

// " (QX_STATUS_OK): " and the like for the named codes, ": " for the rest.
const char* codeSeparator(short code);

// "name=value: ", a value shown before the message text of a result line.
std::string valueField(const char* name, long long value);

// What an export may do alongside other calls.
enum class Access {
    Device,   // sends commands: takes the turn, refused on the delivery thread
    Session,  // exit, the registrations, temporary settings: takes the turn
    Shared,   // queries and lasting settings: no turn
};

class ExportFrame {
public:
    // Writes the entry line: name "(" arguments ")" suffix.
    ExportFrame(const char* name, const std::string& arguments, const char* suffix = "",
                Access access = Access::Device);
    ~ExportFrame();
    ExportFrame(const ExportFrame&) = delete;
    ExportFrame& operator=(const ExportFrame&) = delete;

    // Takes the export's turn (export_turn.h) unless it holds it or needs
    // none.  When it cannot - another call holds the turn, or an export
    // that sends commands is called from inside an event callback, on the
    // thread that must deliver the reports it would wait for - writes the
    // failure line, puts the translated reason into message and answers
    // true: the export returns QX_STATUS_BUSY.
    // valuesBefore (e.g. "amountRest=0: ") goes before the reason in the line.
    bool refused(char* message, const std::string& valuesBefore = std::string()) const;

    // The guard.  While the library is not initiated: writes the guard
    // line (valuesBefore, e.g. "open=0: ", goes before "Not initiated"),
    // puts the translated text into message and answers true.
    bool notInitiated(char* message, const std::string& valuesBefore = "") const;

    // The result line for code, with tail: success (0) after " (QX_STATUS_OK): ",
    // failure after the number and ": ".  Returns code.
    short finish(short code, const std::string& tail) const;

    // An argument check of the export itself failed: the failure line with
    // logText (kind Error or Failure), messageText translated into message.
    short reject(short code, int kind, const char* logText, char* message,
                 const char* messageText) const;
    // initQX's "Warning! Returning" line, with the same message handling.
    short warn(short code, const char* text, char* message) const;

    // The turn, the core call with the message buffer, then the result
    // line showing it.
    template <class CoreCall>
    short call(char* message, CoreCall coreCall) const {
        if (refused(message)) return QX_STATUS_BUSY;
        OutText text(message);
        const short code = coreCall(text.get());  // before the tail is read
        return finish(code, text.get());
    }
    // The turn, the guard, then call().
    template <class CoreCall>
    short guarded(char* message, CoreCall coreCall) const {
        if (refused(message)) return QX_STATUS_BUSY;
        if (notInitiated(message)) return QX_STATUS_ERROR;
        return call(message, coreCall);
    }

    // Which result lines of an export with a rest amount show it.
    enum class RestShown { OnFailure, Always };
    // The turn (a refusal writes a rest of 0, as every core refusal does,
    // and shows it), the guard (which leaves amountRest alone), the core call
    // with the rest and the message buffer, and the result line with the rest.
    template <class CoreCall>
    short guardedWithRest(int* amountRest, char* message, RestShown shown,
                          CoreCall coreCall) const {
        OutInt rest(amountRest);
        if (refused(message, valueField("amountRest", 0))) {
            *rest.get() = 0;
            return QX_STATUS_BUSY;
        }
        if (notInitiated(message)) return QX_STATUS_ERROR;
        OutText text(message);
        const short code = coreCall(rest.get(), text.get());
        const bool show = code != QX_STATUS_OK || shown == RestShown::Always;
        return finish(code, (show ? valueField("amountRest", rest.value()) : "") +
                                text.get());
    }

private:
    std::string resultLine(const char* outcome, short code, const std::string& tail,
                           bool named = true) const;

    const char* m_name;
    Access m_access;
    mutable bool m_holdsTurn = false;
};

}  // namespace qxapi

#endif  // QX_EXPORT_FRAME_H

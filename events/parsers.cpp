// parsers.cpp - splitting a device callback into its fields, and reading
// the error, cash-session and cash-level texts that ride inside one.
//
// Every conversion is bounds-checked: a text that ends before a field
// gives an empty field, which converts to 0.  Nothing here throws.
#include "events/parsers.h"

#include <climits>

#include "core/device_model.h"
#include "events/leading_number.h"
#include "logging/log_shapes.h"
#include "logging/translate.h"
#include "qxlogics.h"
#include "settings/settings_mirrors.h"

namespace {

constexpr std::size_t kStatusCallbackLength = 11;
constexpr std::size_t kVerifyCallbackLength = 21;
constexpr std::size_t kInnerTextLength = 16;
const char* const kTooShort = "formatCallbackArg: Callback string too short";

// One numeric field of a status callback.  An all-zero field is 0; any
// other text must convert to a positive value.
struct NumericField {
    std::size_t pos;
    std::size_t length;
    const char* conversionFailed;  // logged when it converts to 0
    const char* invalidPrefix;     // logged with the callback when negative
};

const NumericField kAmountField = {
    1, 8, "formatCallbackArg: amountOrRest atoi-conversion failed",
    "formatCallbackArg invalid amountOrRest from: "};
const NumericField kStatusField = {
    9, 1, "formatCallbackArg: nStatus atoi-conversion failed",
    "formatCallbackArg: invalid nStatus from: "};
const NumericField kModeField = {
    10, 1, "formatCallbackArg: nMode atoi-conversion failed",
    "formatCallbackArg: invalid nMode from: "};

// A two-or-more digit field where only the all-zero text may give 0.
// Returns false (value 0) when the text converts to 0.
bool convertNonZero(const std::string& field, std::size_t length, int& value) {
    value = 0;
    if (field.size() == length && field.find_first_not_of('0') == std::string::npos)
        return true;
    value = leadingNumber(field);
    return value != 0;
}

short parseField(const std::string& callback, const NumericField& field,
                 int& value) {
    if (!convertNonZero(fieldAt(callback, field.pos, field.length), field.length,
                        value)) {
        logError(field.conversionFailed);
        return QX_STATUS_ERROR;
    }
    if (value < 0) {
        value = 0;
        logError(field.invalidPrefix + callback);
        return QX_STATUS_ERROR;
    }
    return QX_STATUS_OK;
}

bool isStatusLetter(char c) { return c == 'a' || c == 'b' || c == 'c'; }

bool isDenominationChar(char c) {
    return (c >= '0' && c <= '9') || c == '/' || c == '.' || c == ',';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Multiplies by 10 per decimal; saturates instead of overflowing.
int scaleToMinorUnits(int major, int decimals) {
    long long value = major;
    for (int i = 0; i < decimals && value < INT_MAX; ++i) value *= 10;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Everything from pos up to the last character that is not a space.
std::string trimmedRest(const std::string& text, std::size_t pos) {
    std::size_t last = text.find_last_not_of(' ');
    if (pos >= text.size() || last == std::string::npos || last < pos) {
        return std::string();
    }
    return text.substr(pos, last - pos + 1);
}

}  // namespace

short formatCallbackArg(const std::string& callback, std::string& command,
                        int& amountOrRest, int& nStatus, int& nMode,
                        std::string& extInfo) {
    if (callback.empty()) {
        logError(kTooShort);
        return QX_STATUS_ERROR;
    }
    command = callback.substr(0, 1);
    const char letter = callback[0];
    if (isStatusLetter(letter)) {
        if (callback.size() < kStatusCallbackLength) {
            logError(kTooShort);
            return QX_STATUS_ERROR;
        }
        if (parseField(callback, kAmountField, amountOrRest) != QX_STATUS_OK ||
            parseField(callback, kStatusField, nStatus) != QX_STATUS_OK ||
            parseField(callback, kModeField, nMode) != QX_STATUS_OK) {
            return QX_STATUS_ERROR;
        }
        extInfo = fieldAt(callback, kStatusCallbackLength);
        return QX_STATUS_OK;
    }
    if (letter == 'x') {
        if (callback.size() < kVerifyCallbackLength) {
            logError(kTooShort);
            return QX_STATUS_ERROR;
        }
        extInfo = callback.substr(1);
    }
    // Unknown letters are reported by the handler.
    return QX_STATUS_OK;
}

short getErrorCode(const std::string& extInfo, int& errorCode) {
    errorCode = 0;
    if (extInfo.size() < kInnerTextLength) {
        logError("getErrorCode: wrong message length: " + extInfo);
        return QX_STATUS_ERROR;
    }
    if (!convertNonZero(fieldAt(extInfo, 14, 2), 2, errorCode)) {
        logError("getErrorCode: errCode atoi-conversion failed");
        return QX_STATUS_ERROR;
    }
    if (errorCode < 0) {
        errorCode = 0;
        logError("getErrorCode: invalid errorCode from: " + extInfo);
        return QX_STATUS_ERROR;
    }
    return QX_STATUS_OK;
}

short getSessionInfo(const std::string& extInfo, short& infoType, int& amount) {
    static const char* const kTypes[] = {"BO/WD", "BO/RF", "CR/WD", "CR/RF", "QuaxV"};
    const std::string prefix = fieldAt(extInfo, 0, 5);
    for (short type = 0; type < 5; ++type) {
        if (prefix != kTypes[type]) continue;
        infoType = type;
        // The device's own session type carries no amount.
        amount = type == 4 ? 0 : leadingNumber(fieldAt(extInfo, 5, 8));
        return QX_STATUS_OK;
    }
    logError("getSessionInfo: Unknown infoType");
    return QX_STATUS_ERROR;
}

short getDenomination(const std::string& text, std::size_t start,
                      int& denomination, std::string& denominationString,
                      std::string& rest) {
    if (start > text.size()) start = text.size();
    std::size_t end = start;
    while (end < text.size() && isDenominationChar(text[end])) ++end;
    denominationString = text.substr(start, end - start);
    rest = trimmedRest(text, end);

    const char second = start + 1 < text.size() ? text[start + 1] : '\0';
    std::string converted;
    if (second != ',' && second != '.') {
        // Whole major units ("20"): scale to minor units.
        std::size_t digitsEnd = start;
        while (digitsEnd < text.size() && isDigit(text[digitsEnd])) ++digitsEnd;
        converted = text.substr(start, digitsEnd - start);
        denomination = leadingNumber(converted);
        if (denomination != 0) {
            denomination = scaleToMinorUnits(denomination, g_CurrencyDecimals.load());
        }
    } else {
        // A fraction of one major unit ("0,50"): the minor units as written.
        converted = fieldAt(denominationString, 2);
        denomination = leadingNumber(converted);
    }
    if (denomination == 0) {
        logError("cqxlogics.getDenomination: strDenomination conversion "
                 "failed (denom=0), strDenomination = " + converted);
        return QX_STATUS_ERROR;
    }
    return QX_STATUS_OK;
}

namespace {

// The denomination text from start into levels, logging a failure.
short readDenomination(const std::string& text, std::size_t start, CashLevels& levels,
                       std::string& rest) {
    short result = getDenomination(text, start, levels.denomination,
                                   levels.denominationString, rest);
    if (result != QX_STATUS_OK) logError("getCashLevels: getDenomination failed");
    return result;
}

// The low (two-digit count) or empty ("00") form, denomination from 3.
short readLowOrEmpty(const std::string& text, CashLevels& levels) {
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_TRUE;
    std::string rest;
    short result = readDenomination(text, 3, levels, rest);
    if (result != QX_STATUS_OK) return result;
    const std::string count = text.substr(0, 2);
    if (count == "00") {
        levels.numberOf = 0;
        levels.warningType = 1;
        levels.typeString = TranslateText("Empty");
        levels.warningMessage = levels.denominationString + " " + levels.typeString;
        return QX_STATUS_OK;
    }
    levels.numberOf = leadingNumber(count);
    if (levels.numberOf == 0) {
        logError("getCashLevels: strNumberOf conversion failed");
        return QX_STATUS_ERROR;
    }
    // "05" is shown as "5".
    const std::string shown = levels.numberOf > 0 && levels.numberOf < 10
                                  ? std::to_string(levels.numberOf)
                                  : count;
    levels.warningType = 2;
    levels.typeString = TranslateText("Low");
    levels.warningMessage = levels.denominationString + " " + levels.typeString +
                            " (" + shown + " " + TranslateText("Left") + ")";
    return QX_STATUS_OK;
}

// The high form: no count, denomination from 0.
short readHigh(const std::string& text, CashLevels& levels) {
    levels.numberOf = 999;
    levels.warningType = 3;
    levels.typeString = TranslateText("High");
    std::string rest;
    short result = readDenomination(text, 0, levels, rest);
    if (result != QX_STATUS_OK) return result;
    levels.warningMessage = levels.denominationString + " " + levels.typeString +
                            " (" + rest + ")";
    return QX_STATUS_OK;
}

}  // namespace

short getCashLevels(const std::string& text, CashLevels& levels) {
    levels.numberOf = 0;
    levels.denomination = 0;
    if (text.size() < kInnerTextLength) {
        logError("getCashLevels: wrong message length: " + text);
        return QX_STATUS_ERROR;
    }
    if (!isDigit(text[0])) {
        logError("getCashLevels: First character in message string is not numeric");
        return QX_STATUS_ERROR;
    }
    return text[2] == ' ' ? readLowOrEmpty(text, levels) : readHigh(text, levels);
}

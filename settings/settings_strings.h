// settings_strings.h - readers of tagged value strings: "Key:value;..."
// (settings strings, and the "Type:" and "Name:" tags of port settings).
#ifndef QX_SETTINGS_STRINGS_H
#define QX_SETTINGS_STRINGS_H

#include <string>

// Marker returned by getSettingsTag for a missing tag or value.
extern const char* const GETSETTINGSTAGINVALID;

// Value text of tag (a key with its ':') in input, or the marker; on
// failure message is set.
std::string getSettingsTag(const std::string& tag, const std::string& input,
                           std::string& message);
// Integer of text, or -1; always sets message.
int stringToInt(const std::string& text, std::string& message);
// getSettingsTag, then -1 for the marker, else stringToInt.
int getSettingsTagValue(const std::string& tag, const std::string& input,
                        std::string& message);

#endif  // QX_SETTINGS_STRINGS_H

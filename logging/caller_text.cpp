// caller_text.cpp - bounded copies into the application's buffers.
#include "logging/caller_text.h"

#include <cstring>

#include "logging/translate.h"

void copyToCaller(char* buffer, const char* text, std::size_t capacity) {
    if (!buffer || capacity == 0) return;
    if (!text) text = "";
    std::size_t length = std::strlen(text);
    if (length >= capacity) length = capacity - 1;
    std::memmove(buffer, text, length);
    buffer[length] = '\0';
}

void copyToCaller(char* buffer, const std::string& text, std::size_t capacity) {
    copyToCaller(buffer, text.c_str(), capacity);
}

void setMessage(char* message, const char* englishText) {
    copyToCaller(message, TranslateText(englishText));
}

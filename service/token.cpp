// token.cpp - making and reading the token file.
#include "token.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "platform.h"

namespace qxd {
namespace {

std::string freshToken() {
    std::random_device random;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i) {
        const unsigned byte = random() & 0xFF;
        token += digits[byte >> 4];
        token += digits[byte & 0xF];
    }
    return token;
}

bool wellFormed(const std::string& token) {
    return token.size() == 64 && token.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

bool loadOrCreateToken(const std::string& path, std::string& token, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) &&
        !createPrivateFile(path, freshToken() + "\n", error))
        return false;
    if (!isPrivateFile(path, error)) return false;
    std::ifstream in(path);
    std::getline(in, token);
    if (!wellFormed(token)) {
        error = path + " does not hold a token (64 hex digits); remove it to make a new one";
        return false;
    }
    return true;
}

}  // namespace qxd

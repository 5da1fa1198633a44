// guard.cpp - Host, Origin and token checks.
#include "guard.h"

#include <algorithm>

namespace qxd {
namespace {

// The host part of "name[:port]" or "[v6][:port]"; "" when the port part
// is not digits.
std::string_view hostName(std::string_view host) {
    std::size_t end = host.size();
    if (!host.empty() && host.front() == '[') {
        end = host.find(']');
        if (end == std::string_view::npos) return {};
        ++end;
    } else {
        end = std::min(host.find(':'), host.size());
    }
    std::string_view rest = host.substr(end);
    if (!rest.empty() &&
        (rest.front() != ':' || rest.size() == 1 ||
         rest.find_first_not_of("0123456789", 1) != std::string_view::npos))
        return {};
    return host.substr(0, end);
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Compares all of both, so the time taken tells nothing about the token.
bool sameSecret(std::string_view a, std::string_view b) {
    unsigned difference = a.size() != b.size();
    for (std::size_t i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i]) ^
                      static_cast<unsigned char>(i < b.size() ? b[i] : 0);
    return difference == 0;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string checkHost(std::string_view host) {
    const std::string_view name = hostName(host);
    for (const char* loopback : {"localhost", "127.0.0.1", "[::1]"})
        if (sameText(name, loopback)) return "";
    return "Host \"" + std::string(host.substr(0, 100)) + "\" is not a loopback name";
}

std::string checkOrigin(std::string_view origin, unsigned short port,
                        const std::vector<std::string>& allowed) {
    if (origin.empty()) return "";
    const std::string suffix = ":" + std::to_string(port);
    for (const char* own : {"http://localhost", "http://127.0.0.1", "http://[::1]"})
        if (sameText(origin, own + suffix)) return "";
    for (const std::string& listed : allowed)
        if (sameText(origin, listed)) return "";
    return "Origin \"" + std::string(origin.substr(0, 100)) + "\" is not allowed";
}

std::string checkToken(std::string_view protocols, const std::string& token) {
    bool speaks = false, shown = false;
    while (!protocols.empty()) {
        const std::size_t comma = std::min(protocols.find(','), protocols.size());
        const std::string_view offered = trimmed(protocols.substr(0, comma));
        speaks = speaks || offered == kProtocol;
        if (offered.substr(0, kTokenPrefix.size()) == kTokenPrefix)
            shown = shown || sameSecret(offered.substr(kTokenPrefix.size()), token);
        protocols.remove_prefix(std::min(comma + 1, protocols.size()));
    }
    if (!speaks) return "the subprotocol \"qxd.v1\" was not offered";
    if (!shown) return "no valid token was offered";
    return "";
}

}  // namespace qxd

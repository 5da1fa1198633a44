// guard.h - the checks of an HTTP request before the service serves it or
// upgrades it to a WebSocket: a loopback Host name (against DNS
// rebinding), an allowed Origin (against cross-site pages) and the token
// (against other local users and programs).  Pure; called on the network
// thread.  Each returns "" when the request passes, else why it does not,
// for the log.
#ifndef QXD_GUARD_H
#define QXD_GUARD_H

#include <string>
#include <string_view>
#include <vector>

namespace qxd {

// The WebSocket subprotocol the service speaks; the token comes beside it
// as a second offered subprotocol, kTokenPrefix + the token.
constexpr std::string_view kProtocol = "qxd.v1";
constexpr std::string_view kTokenPrefix = "qxd.token.";

// Host must be localhost, 127.0.0.1 or [::1], with or without a port.
std::string checkHost(std::string_view host);

// No Origin (a program, not a page) passes; a page must come from the
// service itself (http://localhost:port, 127.0.0.1, [::1]) or be listed.
std::string checkOrigin(std::string_view origin, unsigned short port,
                        const std::vector<std::string>& allowed);

// The Sec-WebSocket-Protocol header must offer kProtocol and the token.
std::string checkToken(std::string_view protocols, const std::string& token);

}  // namespace qxd

#endif  // QXD_GUARD_H

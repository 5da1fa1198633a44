// settings.h - the service's settings file ("qxd.conf", INI): the
// [service] section read into Settings, every section kept in `file` for
// the parts that own them (the telemetry reads its own).
//
// Who calls: main(), once at start; the result is read-only afterwards.
#ifndef QXD_SETTINGS_H
#define QXD_SETTINGS_H

#include <cstddef>
#include <string>
#include <vector>

#include <boost/property_tree/ptree.hpp>

namespace qxd {

struct Settings {
    unsigned short port = 8710;                 // port; 0 = any free one (tests)
    std::vector<std::string> origins;           // origins: pages allowed besides qxd's own
    std::size_t maxConnections = 16;            // max_connections: WebSocket clients at once
    std::size_t maxPending = 64;                // max_pending: connections before their upgrade
    std::size_t maxMessageBytes = 16384;        // max_message_bytes: one request
    std::size_t sendQueueLimit = 1024;          // send_queue_limit: messages waiting for a slow client
    int handshakeTimeoutMs = 5000;              // handshake_timeout_ms: request or upgrade within
    std::string portSettings = "Type:RS232;Name:COM1";  // port_settings: of "init" by default
    std::string tokenFile;                      // token_file: default <state folder>/token
    boost::property_tree::ptree file;           // the whole file, every section
};

// Reads path; a missing file gives the defaults.  false with the reason
// (the line of a malformed file, a value out of range) in error.
bool readSettings(const std::string& path, Settings& settings, std::string& error);

}  // namespace qxd

#endif  // QXD_SETTINGS_H

// requests.h - the service's request layer, free of sockets and threads:
// a request text {"id", "op", "args"} is checked against the table of
// operations and becomes a Request, or a refusal naming the field; a
// Request for the driver is carried out through a DriverTable and its
// answer {"id", "code", "name", "message", "out", "device"} comes back.
//
// Who calls: the service's sessions parse on the network thread;
// execute() runs on the device thread, one call at a time (the driver's
// own rule).  Nothing here keeps state.  A refused request never reaches
// the driver: "device" is false in its answer.
#ifndef QXD_REQUESTS_H
#define QXD_REQUESTS_H

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "driver_table.h"

namespace qxd {

using Json = nlohmann::json;

// Who carries a request out: the driver, or the service itself (the
// claim on the device and its release).
enum class Handler { Driver, Claim, Release };

struct OpSpec;

struct Request {
    Json id;
    const OpSpec* op = nullptr;
    Json args;  // an object whose fields were checked against op
    const char* name() const;
    Handler handler() const;
    // Only the controlling client may send it.
    bool needsControl() const;
};

struct Parsed {
    bool ok = false;
    Request request;  // when ok
    Json refusal;     // the answer when not ok
};

// Longest text argument, in bytes.
constexpr std::size_t kMaxTextBytes = QX_BUFFER_CAPACITY - 1;

Parsed parseRequest(std::string_view text);

// Calls the driver for a request whose handler is Driver.
Json execute(const Request& request, const DriverTable& driver);

// An answer the service gives without calling the driver.
Json refusal(const Json& id, short code, const std::string& message,
             const std::string& field = std::string());

// The name of a status code ("QX_STATUS_OK"), or "" for none.
const char* codeName(short code);

// One JSON text; bytes that are not UTF-8 (a translated driver text)
// become U+FFFD rather than failing.
std::string toText(const Json& value);

}  // namespace qxd

#endif  // QXD_REQUESTS_H

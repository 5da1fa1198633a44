// hub.h - what a connection asks of the service: its settings, the log,
// the count of connections, the requests and the health answer.
//
// Who calls: the HTTP and WebSocket sessions, on the network thread only
// (the service runs one), so nothing here needs a lock.
#ifndef QXD_HUB_H
#define QXD_HUB_H

#include <memory>
#include <string>

#include "service_log.h"
#include "settings.h"

namespace qxd {

class HttpSession;
class WsSession;

class Hub {
public:
    virtual ~Hub() = default;
    virtual const Settings& settings() const = 0;
    virtual const std::string& token() const = 0;
    virtual unsigned short port() const = 0;
    virtual ServiceLog& log() = 0;

    // A connection before its upgrade; the oldest is closed when too many wait.
    virtual void pendingOpened(const std::shared_ptr<HttpSession>& session) = 0;
    virtual void pendingClosed(const HttpSession* session) = 0;

    // false when max_connections clients are connected already.
    virtual bool admitClient() const = 0;
    virtual void clientOpened(const std::shared_ptr<WsSession>& client) = 0;
    virtual void clientClosed(const WsSession* client) = 0;
    virtual void onMessage(const std::shared_ptr<WsSession>& client, std::string text,
                           bool isText) = 0;

    // The JSON of GET /v1/health.
    virtual std::string health() = 0;
};

}  // namespace qxd

#endif  // QXD_HUB_H

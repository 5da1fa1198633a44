// service.h - qxd, the till service: listens on loopback (127.0.0.1 and
// ::1), serves the web till, the client module and the health, and runs
// the WebSocket clients' requests on the device through the driver,
// sending every client the device's events in report order.  One client
// at a time controls the device (the first to claim it); the others watch.
//
// Who calls: main() and the tests: start(), then run() on one thread (the
// network thread) until stop() from any thread.
#ifndef QXD_SERVICE_H
#define QXD_SERVICE_H

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "device_events.h"
#include "device_session.h"
#include "driver_table.h"
#include "hub.h"
#include "requests.h"

namespace qxd {

class Service : public Hub {
public:
    // driver holds the exports; the service adds its receivers.
    Service(Settings settings, std::string token, DriverTable driver, ServiceLog& log);
    ~Service() override;

    // Binds both loopback addresses (port 0: a free one, the same for
    // both); false with the reason when neither can be bound.
    bool start(std::string& error);
    unsigned short port() const override { return m_port; }
    // The fan-out of device events, for other observers (telemetry).
    EventFanout& events() { return m_fanout; }
    // The outcome of every request, for other observers (telemetry);
    // before run().
    void observeOutcomes(DeviceSession::OutcomeObserver observer) {
        m_device.observeOutcomes(std::move(observer));
    }

    void run();
    // Any thread: ends the session of a controlling client, closes the
    // device and makes run() return.
    void stop();

    // Hub, on the network thread.
    const Settings& settings() const override { return m_settings; }
    const std::string& token() const override { return m_token; }
    ServiceLog& log() override { return m_log; }
    void pendingOpened(const std::shared_ptr<HttpSession>& session) override;
    void pendingClosed(const HttpSession* session) override;
    bool admitClient() const override;
    void clientOpened(const std::shared_ptr<WsSession>& client) override;
    void clientClosed(const WsSession* client) override;
    void onMessage(const std::shared_ptr<WsSession>& client, std::string text,
                   bool isText) override;
    std::string health() override;

private:
    class EventRelay;
    void accept(boost::asio::ip::tcp::acceptor& acceptor);
    bool listen(const boost::asio::ip::address& address, std::string& error);
    void claim(const std::shared_ptr<WsSession>& client, const Json& id);
    void release(const std::shared_ptr<WsSession>& client, const Json& id);
    void submit(const std::shared_ptr<WsSession>& client, Request request);
    void answer(const std::shared_ptr<WsSession>& client, const Json& answer);
    void refuse(const std::shared_ptr<WsSession>& client, const Json& answer);
    void broadcast(const std::shared_ptr<const std::string>& text);
    void tellControl();
    bool controls(const WsSession* client) const;

    Settings m_settings;
    std::string m_token;
    ServiceLog& m_log;
    // Before the threads that post into it, so it outlives them.
    boost::asio::io_context m_io;
    EventFanout m_fanout;
    DeviceSession m_device;
    std::shared_ptr<EventRelay> m_relay;
    std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> m_acceptors;
    unsigned short m_port = 0;
    std::list<std::weak_ptr<HttpSession>> m_pending;
    std::map<const WsSession*, std::weak_ptr<WsSession>> m_clients;
    std::weak_ptr<WsSession> m_controller;
    const WsSession* m_controllerKey = nullptr;
};

}  // namespace qxd

#endif  // QXD_SERVICE_H

// service.cpp - the listeners, the connection counts, the control of the
// device and the way of a request: refused at once, or run on the device
// and answered after its events.
#include "service.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>

#include "event_json.h"
#include "http_session.h"
#include "receivers.h"
#include "ws_session.h"

#ifndef QX_PROJECT_VERSION
#define QX_PROJECT_VERSION "0"
#endif

namespace qxd {

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {
// Requests of one client waiting for the device at once.
constexpr int kMaxWaiting = 32;

DriverTable withReceivers(DriverTable driver) {
    addReceivers(driver);
    return driver;
}
}  // namespace

// Hands each device event to the network thread as one JSON text.
class Service::EventRelay : public EventObserver {
public:
    explicit EventRelay(Service& service) : m_service(service) {}
    void onDeviceEvent(const DeviceEvent& event) override {
        auto text = std::make_shared<const std::string>(toText(eventJson(event)));
        net::post(m_service.m_io, [this, text] { m_service.broadcast(text); });
    }

private:
    Service& m_service;
};

Service::Service(Settings settings, std::string token, DriverTable driver, ServiceLog& log)
    : m_settings(std::move(settings)), m_token(std::move(token)), m_log(log),
      m_device(withReceivers(std::move(driver)), m_fanout, log),
      m_relay(std::make_shared<EventRelay>(*this)) {
    bindReceivers(&m_fanout);
    m_fanout.subscribe(m_relay);
}

Service::~Service() {
    bindReceivers(nullptr);
    m_fanout.unsubscribe(m_relay);
}

bool Service::start(std::string& error) {
    m_port = m_settings.port;
    std::string v4Error, v6Error;
    const bool v4 = listen(net::ip::make_address("127.0.0.1"), v4Error);
    const bool v6 = listen(net::ip::make_address("::1"), v6Error);
    if (!v4 && !v6) {
        error = v4Error + "; " + v6Error;
        return false;
    }
    if (!v6) m_log.info("not listening on ::1: " + v6Error);
    if (!v4) m_log.info("not listening on 127.0.0.1: " + v4Error);
    m_log.info("listening on port " + std::to_string(m_port));
    return true;
}

bool Service::listen(const net::ip::address& address, std::string& error) {
    boost::system::error_code ec;
    auto acceptor = std::make_unique<tcp::acceptor>(m_io);
    const tcp::endpoint endpoint(address, m_port);
    acceptor->open(endpoint.protocol(), ec);
    if (!ec && address.is_v6()) acceptor->set_option(net::ip::v6_only(true), ec);
    if (!ec) acceptor->set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acceptor->bind(endpoint, ec);
    if (!ec) acceptor->listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + address.to_string() + " port " + std::to_string(m_port) +
                ": " + ec.message();
        return false;
    }
    m_port = acceptor->local_endpoint().port();
    accept(*acceptor);
    m_acceptors.push_back(std::move(acceptor));
    return true;
}

void Service::accept(tcp::acceptor& acceptor) {
    acceptor.async_accept([this, &acceptor](boost::system::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted) return;
        if (!ec) std::make_shared<HttpSession>(std::move(socket), *this)->start();
        accept(acceptor);
    });
}

void Service::run() { m_io.run(); }

void Service::stop() {
    net::post(m_io, [this] {
        if (m_controller.lock()) m_device.endSession("service stopping");
        m_device.close();
        for (auto& acceptor : m_acceptors) acceptor->close();
        m_io.stop();
    });
}

void Service::pendingOpened(const std::shared_ptr<HttpSession>& session) {
    if (m_pending.size() >= m_settings.maxPending)
        if (auto oldest = m_pending.front().lock()) oldest->evict();
    m_pending.push_back(session);
}

void Service::pendingClosed(const HttpSession* session) {
    m_pending.remove_if([session](const std::weak_ptr<HttpSession>& held) {
        auto locked = held.lock();
        return !locked || locked.get() == session;
    });
}

bool Service::admitClient() const { return m_clients.size() < m_settings.maxConnections; }

void Service::clientOpened(const std::shared_ptr<WsSession>& client) {
    m_clients[client.get()] = client;
    client->send(std::make_shared<const std::string>(toText(
        {{"event", "hello"}, {"service", "qxd"}, {"version", QX_PROJECT_VERSION},
         {"control", m_controllerKey ? "other" : "none"}})));
}

void Service::clientClosed(const WsSession* client) {
    m_clients.erase(client);
    if (client != m_controllerKey) return;
    m_controller.reset();
    m_controllerKey = nullptr;
    m_log.info("the controlling client left (" + client->peer() + ")");
    m_device.endSession("controlling client left");
    tellControl();
}

bool Service::controls(const WsSession* client) const {
    return client == m_controllerKey && !m_controller.expired();
}

void Service::onMessage(const std::shared_ptr<WsSession>& client, std::string text, bool isText) {
    if (!isText)
        return refuse(client, refusal(nullptr, QX_STATUS_INPUT_PARAM_ERROR,
                                      "request: must be a text message", "request"));
    Parsed parsed = parseRequest(text);
    if (!parsed.ok) return refuse(client, parsed.refusal);
    Request& request = parsed.request;
    switch (request.handler()) {
    case Handler::Claim: return claim(client, request.id);
    case Handler::Release: return release(client, request.id);
    case Handler::Driver: break;
    }
    if (request.needsControl() && !controls(client.get()))
        return refuse(client, refusal(request.id, QX_STATUS_BUSY,
                                      m_controllerKey ? "Another client controls the device"
                                                      : "Claim the device first",
                                      "op"));
    if (client->waiting >= kMaxWaiting)
        return refuse(client, refusal(request.id, QX_STATUS_BUSY,
                                      "Too many requests waiting for the device", "op"));
    submit(client, std::move(request));
}

void Service::submit(const std::shared_ptr<WsSession>& client, Request request) {
    ++client->waiting;
    std::weak_ptr<WsSession> weak = client;
    m_device.submit(std::move(request), [this, weak](Json answer) {
        net::post(m_io, [this, weak, answer = std::move(answer)] {
            auto client = weak.lock();
            if (!client) return;
            --client->waiting;
            this->answer(client, answer);
        });
    });
}

void Service::claim(const std::shared_ptr<WsSession>& client, const Json& id) {
    if (m_controllerKey && !controls(client.get()))
        return refuse(client, refusal(id, QX_STATUS_BUSY, "Another client controls the device", "op"));
    const bool changed = !m_controllerKey;
    m_controller = client;
    m_controllerKey = client.get();
    answer(client, {{"id", id}, {"code", QX_STATUS_OK}, {"name", codeName(QX_STATUS_OK)},
                    {"message", "Done"}, {"device", false}});
    if (changed) {
        m_log.info("client controls the device (" + client->peer() + ")");
        tellControl();
    }
}

void Service::release(const std::shared_ptr<WsSession>& client, const Json& id) {
    if (!controls(client.get()))
        return refuse(client, refusal(id, QX_STATUS_BUSY, "This client does not control the device", "op"));
    m_controller.reset();
    m_controllerKey = nullptr;
    answer(client, {{"id", id}, {"code", QX_STATUS_OK}, {"name", codeName(QX_STATUS_OK)},
                    {"message", "Done"}, {"device", false}});
    m_log.info("client released the device (" + client->peer() + ")");
    tellControl();
}

void Service::answer(const std::shared_ptr<WsSession>& client, const Json& answer) {
    client->send(std::make_shared<const std::string>(toText(answer)));
}

void Service::refuse(const std::shared_ptr<WsSession>& client, const Json& answer) {
    m_log.refused(answer.value("message", std::string()), client->peer());
    this->answer(client, answer);
}

void Service::broadcast(const std::shared_ptr<const std::string>& text) {
    // send() may drop a slow client, which erases it from m_clients.
    std::vector<std::shared_ptr<WsSession>> clients;
    for (const auto& entry : m_clients)
        if (auto client = entry.second.lock()) clients.push_back(client);
    for (const auto& client : clients) client->send(text);
}

void Service::tellControl() {
    std::vector<std::shared_ptr<WsSession>> clients;
    for (const auto& entry : m_clients)
        if (auto client = entry.second.lock()) clients.push_back(client);
    for (const auto& client : clients) {
        const char* state = !m_controllerKey ? "none" : controls(client.get()) ? "you" : "other";
        client->send(std::make_shared<const std::string>(
            toText({{"event", "control"}, {"control", state}})));
    }
}

std::string Service::health() {
    Json health = m_device.health();
    health["service"] = "qxd";
    health["version"] = QX_PROJECT_VERSION;
    health["clients"] = m_clients.size();
    health["controlled"] = m_controllerKey != nullptr;
    return toText(health);
}

}  // namespace qxd

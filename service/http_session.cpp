// http_session.cpp - reading, checking and answering one HTTP request.
#include "http_session.h"

#include <boost/beast/websocket.hpp>

#include "guard.h"
#include "web_assets.h"
#include "ws_session.h"

namespace qxd {

namespace beast = boost::beast;
namespace http = beast::http;

namespace {
constexpr std::size_t kHeaderLimit = 8192;
constexpr std::size_t kBodyLimit = 1024;

std::string peerOf(const boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    const auto end = socket.remote_endpoint(ec);
    if (ec) return "unknown peer";
    return end.address().to_string() + " port " + std::to_string(end.port());
}
}  // namespace

HttpSession::HttpSession(boost::asio::ip::tcp::socket&& socket, Hub& hub)
    : m_stream(std::move(socket)), m_hub(hub), m_peer(peerOf(m_stream.socket())) {}

void HttpSession::start() {
    m_hub.pendingOpened(shared_from_this());
    m_parser.emplace();
    m_parser->header_limit(kHeaderLimit);
    m_parser->body_limit(kBodyLimit);
    m_stream.expires_after(std::chrono::milliseconds(m_hub.settings().handshakeTimeoutMs));
    http::async_read(m_stream, m_buffer, *m_parser,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                         self->onRead(ec);
                     });
}

void HttpSession::evict() {
    m_hub.log().refused("too many connections waiting; closed the oldest", m_peer);
    beast::error_code ec;
    m_stream.socket().close(ec);
    finish();
}

void HttpSession::onRead(beast::error_code ec) {
    if (ec == http::error::header_limit || ec == http::error::body_limit ||
        ec == http::error::buffer_overflow)
        return refuse(413, "request larger than allowed");
    if (ec == beast::error::timeout) {
        m_hub.log().refused("no request within the handshake time", m_peer);
        return finish();
    }
    if (ec) {
        if (ec != http::error::end_of_stream && ec != boost::asio::error::operation_aborted &&
            ec != boost::asio::error::eof)
            m_hub.log().refused("unreadable request: " + ec.message(), m_peer);
        return finish();
    }
    route(m_parser->release());
}

void HttpSession::route(Request&& request) {
    const std::string why = checkHost(request[http::field::host]);
    if (!why.empty()) return refuse(403, why);
    const std::string_view target = request.target();
    if (beast::websocket::is_upgrade(request)) {
        if (target != "/v1/ws") return refuse(404, "no WebSocket at " + std::string(target.substr(0, 100)));
        return upgrade(std::move(request));
    }
    if (request.method() != http::verb::get)
        return refuse(405, "method " + std::string(request.method_string()) + " not allowed");
    if (target == "/v1/health") return respond(200, "application/json", m_hub.health());
    if (const WebAsset* asset = findWebAsset(target))
        return respond(200, std::string(asset->contentType) + "; charset=utf-8", std::string(asset->body));
    refuse(404, "nothing at " + std::string(target.substr(0, 100)));
}

void HttpSession::upgrade(Request&& request) {
    std::string why = checkOrigin(request[http::field::origin], m_hub.port(), m_hub.settings().origins);
    if (!why.empty()) return refuse(403, why);
    why = checkToken(request[http::field::sec_websocket_protocol], m_hub.token());
    if (!why.empty()) return refuse(401, why);
    if (!m_hub.admitClient()) return refuse(503, "too many clients");
    m_stream.expires_never();
    auto client = std::make_shared<WsSession>(m_stream.release_socket(), m_hub, m_peer);
    finish();
    client->accept(std::move(request));
}

void HttpSession::respond(unsigned status, const std::string& contentType, std::string body) {
    auto response = std::make_shared<http::response<http::string_body>>(
        static_cast<http::status>(status), 11);
    response->set(http::field::server, "qxd");
    response->set(http::field::content_type, contentType);
    response->set(http::field::cache_control, "no-store");
    response->set("X-Content-Type-Options", "nosniff");
    response->set("X-Frame-Options", "DENY");
    response->set("Content-Security-Policy",
                  "default-src 'self'; connect-src 'self'; frame-ancestors 'none'");
    response->keep_alive(false);
    response->body() = std::move(body);
    response->prepare_payload();
    http::async_write(m_stream, *response,
                      [self = shared_from_this(), response](beast::error_code, std::size_t) {
                          beast::error_code ignored;
                          self->m_stream.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
                          self->finish();
                      });
}

void HttpSession::refuse(unsigned status, const std::string& why) {
    m_hub.log().refused(why, m_peer);
    respond(status, "text/plain; charset=utf-8", why + "\n");
}

void HttpSession::finish() {
    if (m_finished) return;
    m_finished = true;
    m_hub.pendingClosed(this);
}

}  // namespace qxd

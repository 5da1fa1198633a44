// http_session.h - one connection before it becomes a WebSocket client:
// reads one request within the handshake time and the size limits, checks
// Host (and for the upgrade Origin, token and the client limit), then
// answers the page, the client module, the health or a refusal, or hands
// the connection to a WsSession.
//
// Who calls: the service's listener, on the network thread.
#ifndef QXD_HTTP_SESSION_H
#define QXD_HTTP_SESSION_H

#include <memory>
#include <optional>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "hub.h"

namespace qxd {

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(boost::asio::ip::tcp::socket&& socket, Hub& hub);
    void start();
    // Closes the connection (the service makes room for a newer one).
    void evict();

private:
    using Request = boost::beast::http::request<boost::beast::http::string_body>;
    void onRead(boost::beast::error_code ec);
    void route(Request&& request);
    void upgrade(Request&& request);
    void respond(unsigned status, const std::string& contentType, std::string body);
    void refuse(unsigned status, const std::string& why);
    void finish();

    boost::beast::tcp_stream m_stream;
    boost::beast::flat_buffer m_buffer;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> m_parser;
    Hub& m_hub;
    std::string m_peer;
    bool m_finished = false;
};

}  // namespace qxd

#endif  // QXD_HTTP_SESSION_H

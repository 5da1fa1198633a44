// ws_session.cpp - the WebSocket handshake, the read loop and the bounded
// write queue of one client.
#include "ws_session.h"

#include "guard.h"

namespace qxd {

namespace beast = boost::beast;
namespace websocket = beast::websocket;

WsSession::WsSession(boost::asio::ip::tcp::socket&& socket, Hub& hub, std::string peer)
    : m_ws(std::move(socket)), m_hub(hub), m_peer(std::move(peer)) {}

void WsSession::accept(beast::http::request<beast::http::string_body>&& request) {
    m_hub.clientOpened(shared_from_this());
    auto timeouts = websocket::stream_base::timeout::suggested(beast::role_type::server);
    timeouts.handshake_timeout = std::chrono::milliseconds(m_hub.settings().handshakeTimeoutMs);
    m_ws.set_option(timeouts);
    m_ws.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
        response.set(beast::http::field::server, "qxd");
        response.set(beast::http::field::sec_websocket_protocol, std::string(kProtocol));
    }));
    m_ws.read_message_max(m_hub.settings().maxMessageBytes);
    m_ws.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
        if (ec) {
            self->m_hub.log().refused("WebSocket handshake failed: " + ec.message(), self->m_peer);
            return self->finish();
        }
        self->m_opened = true;
        self->m_hub.log().info("client connected (" + self->m_peer + ")");
        self->read();
        self->write();  // what was queued during the handshake
    });
}

void WsSession::read() {
    m_ws.async_read(m_buffer, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->onRead(ec);
    });
}

void WsSession::onRead(beast::error_code ec) {
    if (ec == websocket::error::message_too_big) {
        m_hub.log().refused("message larger than " +
                                std::to_string(m_hub.settings().maxMessageBytes) + " bytes",
                            m_peer);
        return finish();  // the stream has sent its close (1009) already
    }
    if (ec) {
        if (ec != websocket::error::closed && ec != boost::asio::error::operation_aborted)
            m_hub.log().info("client gone: " + ec.message() + " (" + m_peer + ")");
        return finish();
    }
    std::string text = beast::buffers_to_string(m_buffer.data());
    m_buffer.consume(m_buffer.size());
    m_hub.onMessage(shared_from_this(), std::move(text), m_ws.got_text());
    if (!m_finished) read();
}

void WsSession::send(std::shared_ptr<const std::string> text) {
    if (m_finished) return;
    if (m_queue.size() >= m_hub.settings().sendQueueLimit) {
        m_hub.log().refused("client does not read; " + std::to_string(m_queue.size()) +
                                " messages waiting, dropped it",
                            m_peer);
        return close();
    }
    m_queue.push_back(std::move(text));
    if (m_queue.size() == 1 && m_opened) write();
}

void WsSession::write() {
    if (m_queue.empty() || m_finished) return;
    m_ws.text(true);
    // The handler holds the text: finish() may empty the queue meanwhile.
    auto text = m_queue.front();
    m_ws.async_write(boost::asio::buffer(*text),
                     [self = shared_from_this(), text](beast::error_code ec, std::size_t) {
                         if (ec || self->m_finished) return self->finish();
                         self->m_queue.pop_front();
                         self->write();
                     });
}

void WsSession::close() {
    beast::error_code ec;
    beast::get_lowest_layer(m_ws).socket().close(ec);
    finish();
}

void WsSession::finish() {
    if (m_finished) return;
    m_finished = true;
    m_queue.clear();
    m_hub.clientClosed(this);
}

}  // namespace qxd

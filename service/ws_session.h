// ws_session.h - one WebSocket client: reads its requests (each at most
// max_message_bytes) and hands them to the hub, and sends answers and
// events in the order given, dropping the client when more than
// send_queue_limit messages wait for it (a client that does not read).
//
// Who calls: the HTTP session (accept) and the hub (send, close), on the
// network thread.
#ifndef QXD_WS_SESSION_H
#define QXD_WS_SESSION_H

#include <deque>
#include <memory>
#include <string>

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "hub.h"

namespace qxd {

class WsSession : public std::enable_shared_from_this<WsSession> {
public:
    WsSession(boost::asio::ip::tcp::socket&& socket, Hub& hub, std::string peer);
    void accept(boost::beast::http::request<boost::beast::http::string_body>&& request);
    void send(std::shared_ptr<const std::string> text);
    void close();
    const std::string& peer() const { return m_peer; }
    // Requests handed to the device and not answered yet.
    int waiting = 0;

private:
    void read();
    void onRead(boost::beast::error_code ec);
    void write();
    void finish();

    boost::beast::websocket::stream<boost::beast::tcp_stream> m_ws;
    boost::beast::flat_buffer m_buffer;
    std::deque<std::shared_ptr<const std::string>> m_queue;
    Hub& m_hub;
    std::string m_peer;
    bool m_opened = false, m_finished = false;
};

}  // namespace qxd

#endif  // QXD_WS_SESSION_H

// mqtt_link.h - one connection to the MQTT broker through libmosquitto,
// kept up by a thread of its own: it connects, reconnects with a growing
// pause after every failure (each new reason logged once), and does all
// the network work.  The publisher hands messages over from any thread;
// the link tells it, on the link's thread, when the connection comes up or
// goes down and when the broker has acknowledged a message.
#ifndef QXD_TELEMETRY_MQTT_LINK_H
#define QXD_TELEMETRY_MQTT_LINK_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "telemetry_settings.h"

struct mosquitto;

namespace qxd::telemetry {

using LogSink = std::function<void(const std::string& line)>;

// Called on the link's thread, one at a time, while libmosquitto holds its
// callback lock: they may hand messages over but must not stop the link.
class LinkHandler {
public:
    virtual ~LinkHandler() = default;
    virtual void linkUp() = 0;                  // the broker accepted the connection
    virtual void linkDown() = 0;                // it ended, or an attempt failed
    virtual void delivered(int messageId) = 0;  // the broker acknowledged it (QoS 1)
};

class MqttLink {
public:
    MqttLink(const TelemetrySettings& settings, LinkHandler& handler, LogSink log);
    ~MqttLink();  // stops
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Sets the last will (retained, QoS 1) and starts the thread.  False,
    // with the reason logged, when libmosquitto refuses the settings (an
    // unreadable CA file, say): then nothing runs.
    bool start(const std::string& willTopic, const std::string& willPayload);

    // Any thread, quick: queues a QoS 1 message for the link's thread to
    // send.  The message id, or -1 (logged) when libmosquitto refused it.
    // While the connection is down libmosquitto keeps the message and
    // sends it after reconnecting, before anything newer.
    int publish(const std::string& topic, const std::string& payload, bool retain);

    // Sends the broker a clean disconnect (so it keeps the will to itself)
    // and joins the thread; waits at most about a second for the socket.
    void stop();

private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onDisconnect(mosquitto*, void* self, int code);
    static void onPublish(mosquitto*, void* self, int messageId);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    bool configure(const std::string& willTopic, const std::string& willPayload);
    void run();
    // Logs a failure unless it is the one logged last; waits the pause.
    void failed(const std::string& reason);
    bool pause(int seconds);  // false when stopping
    std::string where() const;

    TelemetrySettings m_settings;
    LinkHandler& m_handler;
    LogSink m_log;
    mosquitto* m_client = nullptr;

    std::mutex m_mutex;  // guards the fields below
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::string m_lastProblem;   // the failure logged last, "" once connected
    std::string m_refusal;       // the broker's refusal of the attempt
    std::string m_tlsProblem;    // libmosquitto's own error line of the attempt
    int m_pauseSeconds = 1;
    std::thread m_thread;
};

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_MQTT_LINK_H

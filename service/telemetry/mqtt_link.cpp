// mqtt_link.cpp - the libmosquitto client and its thread.
#include "mqtt_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <mosquitto.h>

namespace qxd::telemetry {
namespace {

// libmosquitto's global set-up is not thread-safe: once per process, and
// left in place until the process ends (other clients may still run).
void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// How long a clean stop waits for the disconnect to go out.
constexpr auto kStopGrace = std::chrono::milliseconds(1000);
// The longest libmosquitto's loop sleeps before it looks at the stop flag.
constexpr int kLoopTimeoutMs = 200;

}  // namespace

MqttLink::MqttLink(const TelemetrySettings& settings, LinkHandler& handler, LogSink log)
    : m_settings(settings), m_handler(handler), m_log(std::move(log)),
      m_pauseSeconds(settings.reconnectMinSeconds) {}

MqttLink::~MqttLink() {
    stop();
    if (m_client) mosquitto_destroy(m_client);
}

std::string MqttLink::where() const {
    return m_settings.host + ":" + std::to_string(m_settings.port);
}

bool MqttLink::start(const std::string& willTopic, const std::string& willPayload) {
    initLibrary();
    if (!configure(willTopic, willPayload)) return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

bool MqttLink::configure(const std::string& willTopic, const std::string& willPayload) {
    m_client = mosquitto_new(m_settings.clientId().c_str(), true, this);
    if (!m_client) {
        m_log("telemetry: cannot create the MQTT client: " + std::string(std::strerror(errno)));
        return false;
    }
    // The application runs the loop on its own thread: publish only queues.
    mosquitto_threaded_set(m_client, true);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, onConnect);
    mosquitto_disconnect_callback_set(m_client, onDisconnect);
    mosquitto_publish_callback_set(m_client, onPublish);
    mosquitto_log_callback_set(m_client, onLog);
    int rc = mosquitto_will_set(m_client, willTopic.c_str(), static_cast<int>(willPayload.size()),
                                willPayload.data(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_settings.username.empty())
        rc = mosquitto_username_pw_set(m_client, m_settings.username.c_str(),
                                       m_settings.password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && m_settings.tls()) {
        const char* cert = m_settings.certFile.empty() ? nullptr : m_settings.certFile.c_str();
        const char* key = m_settings.keyFile.empty() ? nullptr : m_settings.keyFile.c_str();
        rc = mosquitto_tls_set(m_client, m_settings.caFile.c_str(), nullptr, cert, key, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            m_log("telemetry: TLS settings refused (ca_file \"" + m_settings.caFile +
                  "\", cert_file \"" + m_settings.certFile + "\", key_file \"" +
                  m_settings.keyFile + "\"): " + mosquitto_strerror(rc));
            return false;
        }
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        m_log(std::string("telemetry: MQTT client settings refused: ") + mosquitto_strerror(rc));
        return false;
    }
    return true;
}

int MqttLink::publish(const std::string& topic, const std::string& payload, bool retain) {
    int messageId = -1;
    const int rc = mosquitto_publish(m_client, &messageId, topic.c_str(),
                                     static_cast<int>(payload.size()), payload.data(), 1, retain);
    // A QoS 1 message that finds the connection down is kept all the same
    // (its id is set), and goes out after reconnecting.
    if (rc == MOSQ_ERR_SUCCESS || (rc == MOSQ_ERR_NO_CONN && messageId > 0)) return messageId;
    m_log("telemetry: could not queue a message for " + topic + ": " + mosquitto_strerror(rc));
    return -1;
}

void MqttLink::stop() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    mosquitto_disconnect(m_client);
    m_thread.join();
}

void MqttLink::run() {
    int rc = mosquitto_connect_async(m_client, m_settings.host.c_str(), m_settings.port,
                                     m_settings.keepAliveSeconds);
    int error = errno;
    std::chrono::steady_clock::time_point stopBy{};
    for (;;) {
        if (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop(m_client, kLoopTimeoutMs, 1);
            error = errno;
        }
        bool stopping;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            stopping = m_stopping;
        }
        if (stopping) {
            // The disconnect is queued: run until it is out and the socket shut.
            if (stopBy == std::chrono::steady_clock::time_point{})
                stopBy = std::chrono::steady_clock::now() + kStopGrace;
            if (rc != MOSQ_ERR_SUCCESS || std::chrono::steady_clock::now() > stopBy) return;
            continue;
        }
        if (rc == MOSQ_ERR_SUCCESS) continue;
        std::string reason = rc == MOSQ_ERR_ERRNO ? std::strerror(error) : mosquitto_strerror(rc);
        failed(reason);
        if (!pause(m_pauseSeconds)) return;
        m_pauseSeconds = std::min(m_pauseSeconds * 2, m_settings.reconnectMaxSeconds);
        rc = mosquitto_reconnect_async(m_client);
        error = errno;
    }
}

void MqttLink::failed(const std::string& reason) {
    std::string line;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string problem = m_refusal.empty()
                                  ? "cannot reach the broker at " + where() + ": " + reason
                                  : m_refusal;
        if (!m_tlsProblem.empty()) problem += " (" + m_tlsProblem + ")";
        m_refusal.clear();
        m_tlsProblem.clear();
        if (problem == m_lastProblem) return;
        m_lastProblem = problem;
        line = "telemetry: " + problem + "; trying again every " +
               std::to_string(m_settings.reconnectMinSeconds) + " to " +
               std::to_string(m_settings.reconnectMaxSeconds) + " s, events wait in a queue of " +
               std::to_string(m_settings.queueSize);
    }
    m_log(line);
}

bool MqttLink::pause(int seconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopping; });
}

void MqttLink::onConnect(mosquitto*, void* self, int code) {
    auto& link = *static_cast<MqttLink*>(self);
    if (code != 0) {
        // Refused by the broker: the reason is the broker's (a wrong user
        // name or password, a client not allowed); the loop then fails.
        std::string hint = code == 4 || code == 5
                               ? " - check username and password in the [telemetry] settings"
                               : "";
        std::lock_guard<std::mutex> lock(link.m_mutex);
        link.m_refusal = "the broker at " + link.where() + " refused the connection: " +
                         mosquitto_connack_string(code) + hint;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(link.m_mutex);
        link.m_lastProblem.clear();
        link.m_tlsProblem.clear();
        link.m_pauseSeconds = link.m_settings.reconnectMinSeconds;
    }
    link.m_log("telemetry: connected to the broker at " + link.where() +
               (link.m_settings.tls() ? " over TLS" : "") + " as " + link.m_settings.clientId());
    link.m_handler.linkUp();
}

void MqttLink::onDisconnect(mosquitto*, void* self, int) {
    static_cast<MqttLink*>(self)->m_handler.linkDown();
}

void MqttLink::onPublish(mosquitto*, void* self, int messageId) {
    static_cast<MqttLink*>(self)->m_handler.delivered(messageId);
}

void MqttLink::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || !text) return;
    auto& link = *static_cast<MqttLink*>(self);
    std::lock_guard<std::mutex> lock(link.m_mutex);
    if (link.m_tlsProblem.empty()) link.m_tlsProblem = text;
}

}  // namespace qxd::telemetry

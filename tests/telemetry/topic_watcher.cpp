// topic_watcher.cpp - the subscriber on libmosquitto's own loop thread.
#include "topic_watcher.h"

#include <chrono>

#include <mosquitto.h>

namespace qxtest {

bool endsWithLeaf(const std::string& topic, const std::string& leaf) {
    const std::string tail = "/" + leaf;
    return topic.size() >= tail.size() &&
           topic.compare(topic.size() - tail.size(), tail.size(), tail) == 0;
}

TopicWatcher::TopicWatcher(WatcherOptions options) : m_options(std::move(options)) {
    mosquitto_lib_init();
    const bool persistent = !m_options.persistentId.empty();
    m_client = mosquitto_new(persistent ? m_options.persistentId.c_str() : nullptr, !persistent,
                             this);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, onConnect);
    mosquitto_subscribe_callback_set(m_client, onSubscribe);
    mosquitto_message_callback_set(m_client, onMessage);
    mosquitto_reconnect_delay_set(m_client, 1, 1, false);
    if (!m_options.user.empty())
        mosquitto_username_pw_set(m_client, m_options.user.c_str(), m_options.password.c_str());
    if (!m_options.caFile.empty())
        mosquitto_tls_set(m_client, m_options.caFile.c_str(), nullptr,
                          m_options.certFile.empty() ? nullptr : m_options.certFile.c_str(),
                          m_options.keyFile.empty() ? nullptr : m_options.keyFile.c_str(),
                          nullptr);
}

TopicWatcher::~TopicWatcher() {
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, false);
    mosquitto_destroy(m_client);
}

bool TopicWatcher::start(int timeoutMs) {
    mosquitto_connect_async(m_client, "127.0.0.1", m_options.port, 30);
    mosquitto_loop_start(m_client);
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_subscribed; });
}

void TopicWatcher::onConnect(mosquitto* client, void* self, int code) {
    auto& watcher = *static_cast<TopicWatcher*>(self);
    if (code == 0) mosquitto_subscribe(client, nullptr, watcher.m_options.filter.c_str(), 1);
}

void TopicWatcher::onSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto& watcher = *static_cast<TopicWatcher*>(self);
    std::lock_guard<std::mutex> lock(watcher.m_mutex);
    watcher.m_subscribed = true;
    watcher.m_changed.notify_all();
}

void TopicWatcher::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto& watcher = *static_cast<TopicWatcher*>(self);
    ReceivedMessage received{message->topic,
                             std::string(static_cast<const char*>(message->payload),
                                         static_cast<std::size_t>(message->payloadlen)),
                             message->retain, std::chrono::system_clock::now()};
    std::lock_guard<std::mutex> lock(watcher.m_mutex);
    watcher.m_messages.push_back(std::move(received));
    watcher.m_changed.notify_all();
}

std::vector<ReceivedMessage> TopicWatcher::messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<ReceivedMessage> TopicWatcher::on(const std::string& leaf) const {
    std::vector<ReceivedMessage> found;
    for (const auto& message : messages())
        if (endsWithLeaf(message.topic, leaf)) found.push_back(message);
    return found;
}

std::string TopicWatcher::last(const std::string& leaf) const {
    const auto found = on(leaf);
    return found.empty() ? "" : found.back().payload;
}

bool TopicWatcher::waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& test,
                           int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return test(m_messages); });
}

bool TopicWatcher::waitForCount(const std::string& leaf, std::size_t count, int timeoutMs) const {
    return waitFor(
        [&](const std::vector<ReceivedMessage>& all) {
            std::size_t seen = 0;
            for (const auto& message : all) seen += endsWithLeaf(message.topic, leaf);
            return seen >= count;
        },
        timeoutMs);
}

}  // namespace qxtest

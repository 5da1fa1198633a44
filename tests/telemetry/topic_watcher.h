// topic_watcher.h - a monitoring client for the telemetry tests, on
// libmosquitto as the service is: subscribes to a topic filter at QoS 1 and
// keeps every message it receives, in order, for the test to wait for.
#ifndef QX_TOPIC_WATCHER_H
#define QX_TOPIC_WATCHER_H

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace qxtest {

struct ReceivedMessage {
    std::string topic, payload;
    bool retained = false;
    std::chrono::system_clock::time_point at;  // when it arrived
};

struct WatcherOptions {
    int port = 0;
    std::string filter = "#";
    // A persistent session (clean_session false): the broker keeps the
    // subscription and the messages that come while the watcher is away.
    std::string persistentId;
    std::string user, password;
    std::string caFile, certFile, keyFile;  // TLS when caFile is set
};

class TopicWatcher {
public:
    explicit TopicWatcher(WatcherOptions options);
    ~TopicWatcher();
    TopicWatcher(const TopicWatcher&) = delete;
    TopicWatcher& operator=(const TopicWatcher&) = delete;

    // Connects (reconnecting by itself after) and waits for the
    // subscription to be granted; false after timeoutMs.
    bool start(int timeoutMs = 10000);

    std::vector<ReceivedMessage> messages() const;
    // Those of topics ending in "/" + leaf.
    std::vector<ReceivedMessage> on(const std::string& leaf) const;
    // The last message of that leaf, "" when none came.
    std::string last(const std::string& leaf) const;
    // Waits until the messages satisfy the test; false after timeoutMs.
    bool waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& test,
                 int timeoutMs = 10000) const;
    // Waits for count messages of that leaf.
    bool waitForCount(const std::string& leaf, std::size_t count, int timeoutMs = 10000) const;

private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onSubscribe(mosquitto*, void* self, int, int, const int*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);

    WatcherOptions m_options;
    mosquitto* m_client = nullptr;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<ReceivedMessage> m_messages;
    bool m_subscribed = false;
};

bool endsWithLeaf(const std::string& topic, const std::string& leaf);

}  // namespace qxtest

#endif  // QX_TOPIC_WATCHER_H

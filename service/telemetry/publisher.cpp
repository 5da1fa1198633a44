// publisher.cpp - the till's snapshot, the event queue and the order in
// which messages are handed to the link.
#include "publisher.h"

#include <algorithm>

#include "payloads.h"

namespace qxd::telemetry {
namespace {

// Messages handed to libmosquitto and not yet acknowledged, at most: its
// own default in-flight limit, so that it never queues them itself.
constexpr std::size_t kWindow = 20;

}  // namespace

Publisher::Publisher(TelemetrySettings settings, LogSink log)
    : m_settings(std::move(settings)), m_log(std::move(log)), m_queue(m_settings.queueSize) {
    m_state.at = WallClock::now();
}

Publisher::~Publisher() {
    stop();
}

bool Publisher::start() {
    m_link = std::make_unique<MqttLink>(m_settings, static_cast<LinkHandler&>(*this), m_log);
    // The will stands for a connection that ends without a word: it carries
    // the time the service started and number 0.
    if (m_link->start(m_settings.topic("online"), onlinePayload(false, WallClock::now(), 0)))
        return true;
    m_link.reset();
    return false;
}

void Publisher::stop(int flushMs) {
    if (!m_link) return;
    std::size_t unsent;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_online = false;
        m_onlineDue = true;
        release();
        m_settled.wait_for(lock, std::chrono::milliseconds(flushMs), [this] {
            return !m_connected || (m_queue.empty() && m_inFlight.empty() && !m_onlineDue);
        });
        unsent = m_queue.size();
    }
    if (unsent) m_log("telemetry: stopped with " + std::to_string(unsent) + " events unsent");
    // Not under the lock: the link's thread may wait for it in a callback.
    m_link->stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_link.reset();
}

void Publisher::deviceOpened(WallClock::time_point at, const std::string& driverVersion) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.initiated = true;
    m_state.driverVersion = driverVersion;
    changedState(at);
    release();
}

void Publisher::deviceVersion(WallClock::time_point at, const std::string& version) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state.deviceVersion == version) return;
    m_state.deviceVersion = version;
    changedState(at);
    release();
}

void Publisher::deviceClosed(WallClock::time_point at) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.initiated = false;
    m_state.user = 0;
    changedState(at);
    release();
}

void Publisher::status(WallClock::time_point at, int amount, int status, int mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // The device repeats its status often: only a change is news.
    if (m_state.amount == amount && m_state.status == status && m_state.mode == mode) return;
    m_state.amount = amount;
    m_state.status = status;
    m_state.mode = mode;
    changedState(at);
    release();
}

void Publisher::error(WallClock::time_point at, int code, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.hasError = true;
    m_state.errorCode = code;
    m_state.errorText = text;
    m_state.errorAt = at;
    changedState(at);
    addEvent(errorEvent(at, m_eventSeq + 1, code, text));
}

void Publisher::cashLevel(WallClock::time_point at, int denomination, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    LevelEntry& entry = m_levels[denomination];
    entry.at = at;
    entry.count = count;
    changedLevels(at);
    release();
}

void Publisher::levelWarning(WallClock::time_point at, int denomination, int count,
                             int warningType, const std::string& message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    LevelEntry& entry = m_levels[denomination];
    entry.at = at;
    entry.count = count;
    entry.warningType = warningType;
    entry.message = message;
    changedLevels(at);
    addEvent(levelWarningEvent(at, m_eventSeq + 1, denomination, entry));
}

void Publisher::cashSession(WallClock::time_point at, int infoType, int amount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    addEvent(cashSessionEvent(at, m_eventSeq + 1, infoType, amount));
}

void Publisher::operatorChanged(WallClock::time_point at, int user, bool loggedIn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.user = loggedIn ? user : 0;
    changedState(at);
    addEvent(operatorEvent(at, m_eventSeq + 1, user, loggedIn));
}

PublisherCounts Publisher::counts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    PublisherCounts counts = m_counts;
    counts.waiting = m_queue.size();
    counts.connected = m_connected;
    return counts;
}

void Publisher::addEvent(const std::string& payload) {
    ++m_counts.events;
    const bool firstLoss = !m_queue.hasDropped();
    if (!m_queue.push(QueuedEvent{++m_eventSeq, payload})) {
        ++m_counts.dropped;
        ++m_state.droppedEvents;
        m_stateDue = true;
        if (firstLoss)
            m_log("telemetry: the event queue is full (" + std::to_string(m_settings.queueSize) +
                  "): dropping the oldest until the broker takes them");
    }
    release();
}

void Publisher::changedState(WallClock::time_point at) {
    m_state.at = at;
    ++m_stateSeq;
    m_stateDue = true;
}

void Publisher::changedLevels(WallClock::time_point at) {
    m_levelsAt = at;
    ++m_levelsSeq;
    m_levelsDue = true;
}

bool Publisher::send(const std::string& leaf, const std::string& payload, bool retain) {
    const int messageId = m_link->publish(m_settings.topic(leaf), payload, retain);
    if (messageId < 0) return false;
    m_inFlight.push_back(messageId);
    return true;
}

void Publisher::release() {
    while (m_link && m_connected && !m_resending && m_inFlight.size() < kWindow) {
        if (m_onlineDue && m_online) {
            m_onlineDue = false;
            send("online", onlinePayload(true, WallClock::now(), ++m_onlineSeq), true);
        } else if (m_stateDue) {
            m_stateDue = false;
            send("state", statePayload(m_state, m_stateSeq), true);
        } else if (m_levelsDue) {
            m_levelsDue = false;
            send("levels", levelsPayload(m_levels, m_levelsAt, m_levelsSeq), true);
        } else if (m_queue.hasDropped()) {
            const DroppedRun run = m_queue.takeDropped();
            m_log("telemetry: " + std::to_string(run.count()) + " events (" +
                  std::to_string(run.first) + " to " + std::to_string(run.last) +
                  ") were dropped while the broker could not take them");
            send("events", droppedEvent(WallClock::now(), run.first, run.last), false);
        } else if (!m_queue.empty()) {
            send("events", m_queue.front().payload, false);
            m_queue.pop();
        } else if (m_onlineDue) {  // online false, after the last event of a stop
            m_onlineDue = false;
            send("online", onlinePayload(false, WallClock::now(), ++m_onlineSeq), true);
        } else {
            break;
        }
    }
    if (m_queue.empty() && m_inFlight.empty() && !m_onlineDue) m_settled.notify_all();
}

void Publisher::linkUp() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connected = true;
    // What libmosquitto still holds goes out again first; the rest waits
    // for its acknowledgements, so the order holds across the gap.
    m_resending = !m_inFlight.empty();
    m_online = !m_stopping;
    m_onlineDue = true;
    m_stateDue = true;
    m_levelsDue = !m_levels.empty();
    release();
}

void Publisher::linkDown() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connected = false;
    m_settled.notify_all();
}

void Publisher::delivered(int messageId) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = std::find(m_inFlight.begin(), m_inFlight.end(), messageId);
    if (it == m_inFlight.end()) return;
    m_inFlight.erase(it);
    ++m_counts.delivered;
    if (m_resending && m_inFlight.empty()) m_resending = false;
    release();
}

}  // namespace qxd::telemetry

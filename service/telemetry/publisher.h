// publisher.h - the till's telemetry: keeps the till's state and cash
// levels, numbers its events, and publishes them under
// <prefix>/<site>/<till>/ as "state", "levels" (retained), "events" (QoS 1)
// and "online" (retained, false as the last will).
//
// Who calls: the service, from any thread (its event fan-out, its request
// handlers): every report method only updates memory and hands at most a
// few messages to libmosquitto, which sends them on the link's thread; none
// waits for the network.  While the broker is away, events wait in a
// queue of QueueSize, the oldest dropped first; after reconnecting the
// retained topics are sent afresh, then a "dropped" event for any loss,
// then the waiting events in order.
#ifndef QXD_TELEMETRY_PUBLISHER_H
#define QXD_TELEMETRY_PUBLISHER_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "event_queue.h"
#include "mqtt_link.h"
#include "telemetry_settings.h"
#include "till_snapshot.h"

namespace qxd::telemetry {

// What the publisher counted so far; for tests, benchmarks and the logs.
struct PublisherCounts {
    std::uint64_t events = 0;     // events reported to it
    std::uint64_t dropped = 0;    // of them lost to a full queue
    std::uint64_t delivered = 0;  // messages of any topic the broker acknowledged
    std::size_t waiting = 0;      // events in the queue now
    bool connected = false;
};

class Publisher : private LinkHandler {
public:
    Publisher(TelemetrySettings settings, LogSink log);
    ~Publisher() override;  // stops, giving the queue a second
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    // Connects in the background; false (logged) when the client could not
    // be set up at all.
    bool start();
    // Gives the waiting events up to flushMs to go out, then publishes
    // online false, and disconnects.  Reports after it only update memory.
    void stop(int flushMs = 1000);

    // The device session: initQX done (with the driver's version), the
    // device's own version once known, exitQX done.
    void deviceOpened(WallClock::time_point at, const std::string& driverVersion);
    void deviceVersion(WallClock::time_point at, const std::string& version);
    void deviceClosed(WallClock::time_point at);

    // The driver's events.
    void status(WallClock::time_point at, int amount, int status, int mode);
    void error(WallClock::time_point at, int code, const std::string& text);
    void cashLevel(WallClock::time_point at, int denomination, int count);
    void levelWarning(WallClock::time_point at, int denomination, int count, int warningType,
                      const std::string& message);
    void cashSession(WallClock::time_point at, int infoType, int amount);
    // An operator's log-in (loggedIn) or log-out.
    void operatorChanged(WallClock::time_point at, int user, bool loggedIn);

    PublisherCounts counts() const;

private:
    void linkUp() override;
    void linkDown() override;
    void delivered(int messageId) override;

    // Under m_mutex: queues an event, then releases what may go.
    void addEvent(const std::string& payload);
    void changedState(WallClock::time_point at);
    void changedLevels(WallClock::time_point at);
    // Under m_mutex: hands the next messages to the link, as long as the
    // connection is up, the window has room and no older message is being
    // sent again after a reconnect.
    void release();
    bool send(const std::string& leaf, const std::string& payload, bool retain);

    const TelemetrySettings m_settings;
    LogSink m_log;
    std::unique_ptr<MqttLink> m_link;

    mutable std::mutex m_mutex;
    std::condition_variable m_settled;  // the queue and the window emptied
    TillState m_state;
    CashLevels m_levels;
    WallClock::time_point m_levelsAt{};
    std::uint64_t m_stateSeq = 0, m_levelsSeq = 0, m_onlineSeq = 0, m_eventSeq = 0;
    bool m_stateDue = false, m_levelsDue = false, m_onlineDue = false;
    bool m_online = true;  // what the next "online" message says
    EventQueue m_queue;
    std::deque<int> m_inFlight;  // handed to the link, not yet acknowledged
    bool m_connected = false;
    bool m_resending = false;    // libmosquitto sends the older ones again first
    bool m_stopping = false;
    PublisherCounts m_counts;
};

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_PUBLISHER_H

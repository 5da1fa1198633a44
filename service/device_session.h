// device_session.h - the service's hold on the device: one thread that
// makes every driver call in turn (the driver's rule), the service's view
// of the session (logged in, money paid in), and ending a session cleanly
// when its controlling client is gone.
//
// Who calls: the network thread submits; the answer comes back through
// done() on the device thread, after the events the call caused have
// reached the observers (so a client sees them before the answer).
// health() answers from any thread.
#ifndef QXD_DEVICE_SESSION_H
#define QXD_DEVICE_SESSION_H

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include "device_events.h"
#include "driver_table.h"
#include "requests.h"
#include "service_log.h"

namespace qxd {

class DeviceSession {
public:
    DeviceSession(const DriverTable& driver, EventFanout& fanout, ServiceLog& log);
    // Finishes the calls submitted, then stops the device thread.
    ~DeviceSession();

    using Done = std::function<void(Json answer)>;
    void submit(Request request, Done done);

    // After the controlling client left: returns what it paid in and not
    // booked (regret, everything paid in), then logs the operator out.
    void endSession(const std::string& why);

    // Closes the device at the service's stop (after endSession).
    void close();

    // {"deviceOpen", "initiated", "status": {...} or null}
    Json health() const;

    // Told each request's outcome on the device thread, after the events
    // it caused reached the observers and before the client's answer; may
    // make queries of the driver.  Set before the first submit (telemetry).
    using OutcomeObserver = std::function<void(const Request& request, const Json& answer)>;
    void observeOutcomes(OutcomeObserver observer) { m_outcomes = std::move(observer); }

private:
    class StatusView;
    void carryOut(const Request& request, const Done& done);
    void noteOutcome(const Request& request, const Json& answer);

    DriverTable m_driver;
    EventFanout& m_fanout;
    ServiceLog& m_log;
    std::shared_ptr<StatusView> m_view;
    std::atomic<bool> m_initiated{false};
    std::atomic<bool> m_loggedIn{false};
    int m_user = 0;  // device thread
    OutcomeObserver m_outcomes;
    boost::asio::io_context m_work;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_guard;
    std::thread m_thread;  // last: started once the rest is built
};

}  // namespace qxd

#endif  // QXD_DEVICE_SESSION_H

// device_session.cpp - the device thread, the session's bookkeeping and
// the clean end of a session whose controller left.
#include "device_session.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include <boost/asio/post.hpp>

namespace qxd {

// What the status events said last, kept for health and for the end of a
// session.
class DeviceSession::StatusView : public EventObserver {
public:
    void onDeviceEvent(const DeviceEvent& event) override {
        if (event.kind != EventKind::Status) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_last = event;
        m_seen = true;
    }
    // A call that booked or returned what was paid in: nothing is paid in
    // now, though the device's report of it may not have become an event.
    void settled() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_last.amount = 0;
    }
    bool last(DeviceEvent& event) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        event = m_last;
        return m_seen;
    }

private:
    mutable std::mutex m_mutex;
    DeviceEvent m_last;
    bool m_seen = false;
};

namespace {
// Long enough for the driver's last status event of a call (it lets it
// through within 10 ms) to reach every client first.
constexpr int kDrainMs = 1000;
}  // namespace

DeviceSession::DeviceSession(const DriverTable& driver, EventFanout& fanout, ServiceLog& log)
    : m_driver(driver), m_fanout(fanout), m_log(log), m_view(std::make_shared<StatusView>()),
      m_guard(m_work.get_executor()), m_thread([this] { m_work.run(); }) {
    m_fanout.subscribe(m_view);
}

DeviceSession::~DeviceSession() {
    m_guard.reset();
    m_thread.join();
    m_fanout.unsubscribe(m_view);
}

void DeviceSession::submit(Request request, Done done) {
    boost::asio::post(m_work, [this, request = std::move(request), done = std::move(done)] {
        carryOut(request, done);
    });
}

void DeviceSession::carryOut(const Request& request, const Done& done) {
    Json answer = execute(request, m_driver);
    noteOutcome(request, answer);
    m_fanout.drain(kDrainMs);
    if (m_outcomes) m_outcomes(request, answer);
    done(std::move(answer));
}

// Keeps the service's view of the session and publishes the operator's
// log-ins and log-outs in order with the device's events.
void DeviceSession::noteOutcome(const Request& request, const Json& answer) {
    if (answer.value("code", -1) != QX_STATUS_OK) return;
    const std::string op = request.name();
    const auto operatorEvent = [&](bool in) {
        DeviceEvent e;
        e.kind = EventKind::Operator;
        e.user = m_user;
        e.loggedIn = in;
        m_loggedIn = in;
        m_fanout.publish(std::move(e));
    };
    if (op == "amountDue" || op == "payout" || op == "payout2" || op == "change" ||
        (op == "regret" && request.args.at("regretType") == 1))
        m_view->settled();
    if (op == "init") {
        m_initiated = true;
    } else if (op == "login" || op == "loginStr") {
        const Json& user = request.args.at("user");
        m_user = user.is_number() ? user.get<int>() : std::atoi(user.get<std::string>().c_str());
        operatorEvent(true);
    } else if (op == "logout" || (op == "exit" && m_loggedIn)) {
        operatorEvent(false);
    }
    if (op == "exit") m_initiated = false;
}

void DeviceSession::endSession(const std::string& why) {
    boost::asio::post(m_work, [this, why] {
        if (!m_loggedIn) return;
        char message[QX_BUFFER_CAPACITY] = "";
        DeviceEvent last;
        if (m_view->last(last) && last.amount > 0 && (last.status == 0 || last.status == 3)) {
            const short code = m_driver.regret(1, message);
            m_log.info(why + ": returned the " + std::to_string(last.amount) +
                       " paid in (regret): " + std::to_string(code) + " " + message);
        }
        const short code = m_driver.logout(message);
        m_log.info(why + ": logged out: " + std::to_string(code) + " " + message);
        if (code == QX_STATUS_OK) {
            DeviceEvent e;
            e.kind = EventKind::Operator;
            e.user = m_user;
            m_loggedIn = false;
            m_fanout.publish(std::move(e));
        }
        m_fanout.drain(kDrainMs);
    });
}

void DeviceSession::close() {
    boost::asio::post(m_work, [this] {
        if (!m_initiated) return;
        char message[QX_BUFFER_CAPACITY] = "";
        const short code = m_driver.exit(message);
        m_log.info("closed the device: " + std::to_string(code) + " " + message);
        m_initiated = false;
    });
}

Json DeviceSession::health() const {
    Json health = {{"initiated", m_initiated.load()}, {"loggedIn", m_loggedIn.load()}};
    int open = 0;
    char message[QX_BUFFER_CAPACITY] = "";
    health["deviceOpen"] = m_initiated && m_driver.isOpen(&open, message) == QX_STATUS_OK && open != 0;
    DeviceEvent last;
    if (m_view->last(last))
        health["status"] = {{"status", last.status}, {"mode", last.mode}, {"amount", last.amount}};
    else
        health["status"] = nullptr;
    return health;
}

}  // namespace qxd

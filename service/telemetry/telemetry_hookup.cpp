// telemetry_hookup.cpp - the publisher as an observer of the service.
#include "telemetry_hookup.h"

#include <boost/property_tree/ptree.hpp>

#include "device_events.h"
#include "publisher.h"
#include "service.h"
#include "service_log.h"

namespace qxd {
namespace {

using telemetry::Publisher;
using telemetry::WallClock;

// On the fan-out thread, in report order: memory and a queue only.  It
// shares the publisher: the fan-out may still hold it a moment after
// unsubscribing.
class EventsToPublisher : public EventObserver {
public:
    explicit EventsToPublisher(std::shared_ptr<Publisher> publisher)
        : m_publisher(std::move(publisher)) {}

    void onDeviceEvent(const DeviceEvent& e) override {
        Publisher& p = *m_publisher;
        switch (e.kind) {
        case EventKind::Status: p.status(e.at, e.amount, e.status, e.mode); break;
        case EventKind::Error: p.error(e.at, e.errorCode, e.errorText); break;
        case EventKind::CashLevel: p.cashLevel(e.at, e.denomination, e.count); break;
        case EventKind::LevelWarning:
            p.levelWarning(e.at, e.denomination, e.count, e.warningType, e.warningMessage);
            break;
        case EventKind::CashSession: p.cashSession(e.at, e.infoType, e.amount); break;
        case EventKind::Operator: p.operatorChanged(e.at, e.user, e.loggedIn); break;
        }
    }

private:
    std::shared_ptr<Publisher> m_publisher;
};

// On the device thread, where the driver may be asked.  Held by the
// device session until the service goes, so it shares the publisher too.
void noteOutcome(Publisher& publisher, const DriverTable& driver, const Request& request,
                 const Json& answer) {
    if (answer.value("code", -1) != QX_STATUS_OK) return;
    const std::string op = request.name();
    if (op == "init") {
        publisher.deviceOpened(WallClock::now(), QX_PROJECT_VERSION);
    } else if (op == "exit") {
        publisher.deviceClosed(WallClock::now());
    } else if (op == "login" || op == "loginStr") {
        // The driver learns the device's version at the log-in.
        int level = 0;
        char commands[QX_BUFFER_CAPACITY] = "", master[QX_BUFFER_CAPACITY] = "";
        char info[QX_BUFFER_CAPACITY] = "", message[QX_BUFFER_CAPACITY] = "";
        if (driver.info && driver.info(&level, commands, master, info, message) == QX_STATUS_OK)
            publisher.deviceVersion(WallClock::now(), master);
    }
}

class ServiceTelemetry : public Telemetry {
public:
    ServiceTelemetry(telemetry::TelemetrySettings settings, Service& service, ServiceLog& log)
        : m_service(service),
          m_publisher(std::make_shared<Publisher>(
              std::move(settings), [&log](const std::string& line) { log.info(line); })),
          m_events(std::make_shared<EventsToPublisher>(m_publisher)) {}

    bool start(const DriverTable& driver) {
        if (!m_publisher->start()) return false;
        m_service.events().subscribe(m_events);
        m_service.observeOutcomes([publisher = m_publisher, driver](const Request& request,
                                                                    const Json& answer) {
            noteOutcome(*publisher, driver, request, answer);
        });
        return true;
    }

    // The service has stopped: what still reaches the publisher only
    // updates its memory.
    ~ServiceTelemetry() override {
        m_service.events().unsubscribe(m_events);
        m_publisher->stop();
    }

private:
    Service& m_service;
    std::shared_ptr<Publisher> m_publisher;
    std::shared_ptr<EventsToPublisher> m_events;
};

}  // namespace

std::unique_ptr<Telemetry> startTelemetry(const boost::property_tree::ptree& file,
                                          Service& service, const DriverTable& driver,
                                          ServiceLog& log) {
    const auto section = file.get_child_optional("telemetry");
    if (!section) return nullptr;
    std::vector<std::string> problems;
    const auto settings = telemetry::readTelemetrySettings(
        [&](const std::string& key) { return section->get<std::string>(key, ""); }, problems);
    if (!settings.enabled) return nullptr;
    for (const auto& problem : problems) log.info("telemetry: [telemetry] " + problem);
    if (!problems.empty()) {
        log.info("telemetry: off until the settings are corrected");
        return nullptr;
    }
    auto telemetry = std::make_unique<ServiceTelemetry>(settings, service, log);
    if (!telemetry->start(driver)) return nullptr;
    log.info("telemetry: publishing under " + settings.topic("") + " to " + settings.host + ":" +
             std::to_string(settings.port));
    return telemetry;
}

}  // namespace qxd

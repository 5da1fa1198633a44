// process_session.cpp - the members of the process's one driver session,
// the open and close of the device for the first and last of them, and
// the claim within the process.
#include "opos/process_session.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "opos/device_reports.h"

namespace qxopos {
namespace {

struct Session {
    std::mutex joining;  // one join or leave at a time, held across initQX and exitQX
    std::mutex members;  // the list; never held across a driver call
    std::vector<Service*> list;
    std::string deviceName;
    Service* claimedBy = nullptr;
};

Session& session() {
    static Session* instance = new Session();  // outlives every service object
    return *instance;
}

void removeMember(Service* service) {
    std::lock_guard<std::mutex> lock(session().members);
    auto& list = session().list;
    list.erase(std::remove(list.begin(), list.end(), service), list.end());
    if (session().claimedBy == service) session().claimedBy = nullptr;
}

short openDevice(const DriverEntries& driver, const DeviceSettings& settings, char* message) {
    short result = registerReports(driver, message);
    if (result == QX_STATUS_OK)
        result = driver.init(settings.portSettings.c_str(), settings.initSettings.c_str(),
                             message);
    return result == QX_STATUS_WARNING ? QX_STATUS_OK : result;
}

}  // namespace

short joinSession(Service* service, const std::string& deviceName, const DriverEntries& driver,
                  const DeviceSettings& settings, char* message) {
    Session& s = session();
    std::lock_guard<std::mutex> joining(s.joining);
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(s.members);
        if (!s.list.empty() && s.deviceName != deviceName) return kOtherDevice;
        first = s.list.empty();
        s.list.push_back(service);
        s.deviceName = deviceName;
    }
    if (!first) return QX_STATUS_OK;
    const short result = openDevice(driver, settings, message);
    if (result != QX_STATUS_OK) {
        driver.exit(message);
        removeMember(service);
    }
    return result;
}

void leaveSession(Service* service, const DriverEntries& driver) {
    Session& s = session();
    std::lock_guard<std::mutex> joining(s.joining);
    removeMember(service);
    bool last = false;
    {
        std::lock_guard<std::mutex> lock(s.members);
        last = s.list.empty();
    }
    char message[QX_BUFFER_CAPACITY] = "";
    if (last) driver.exit(message);
}

short reopenSession(const DriverEntries& driver, const DeviceSettings& settings, char* message) {
    std::lock_guard<std::mutex> joining(session().joining);
    driver.exit(message);
    return openDevice(driver, settings, message);
}

void forEachMember(const std::function<void(Service&)>& fn) {
    std::lock_guard<std::mutex> lock(session().members);
    for (Service* service : session().list) fn(*service);
}

bool claimInProcess(Service* service) {
    std::lock_guard<std::mutex> lock(session().members);
    if (session().claimedBy && session().claimedBy != service) return false;
    session().claimedBy = service;
    return true;
}

void releaseInProcess(Service* service) {
    std::lock_guard<std::mutex> lock(session().members);
    if (session().claimedBy == service) session().claimedBy = nullptr;
}

}  // namespace qxopos

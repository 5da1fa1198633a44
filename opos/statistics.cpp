// statistics.cpp - counting, selecting, resetting and updating the
// statistics, and writing them in the UPOSStat form.  A name this service
// object does not count is refused with OPOS_E_ILLEGAL rather than
// answered with a value it does not have.
#include "opos/statistics.h"

#include <cstdlib>
#include <sstream>

#include "opos/opos_codes.h"

namespace qxopos {

const char kStatCommunicationErrors[] = "CommunicationErrorCount";
const char kStatDeposits[] = "DepositCount";
const char kStatDepositedAmount[] = "DepositedAmount";
const char kStatRepays[] = "RepayCount";
const char kStatDispenses[] = "DispenseChangeCount";
const char kStatDispensedAmount[] = "DispensedAmount";
const char kStatOverDispenses[] = "OverDispenseCount";
const char kStatJams[] = "JamCount";

namespace {

// The one UnifiedPOS statistic counted here; the rest are the maker's.
bool isUnifiedPos(const std::string& name) { return name == kStatCommunicationErrors; }

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ','))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

Statistics::Statistics() {
    for (const char* name : {kStatCommunicationErrors, kStatDeposits, kStatDepositedAmount,
                             kStatRepays, kStatDispenses, kStatDispensedAmount,
                             kStatOverDispenses, kStatJams})
        m_counts[name] = 0;
}

void Statistics::add(const char* name, long amount) { m_counts[name] += amount; }

long Statistics::value(const char* name) const {
    auto found = m_counts.find(name);
    return found == m_counts.end() ? 0 : found->second;
}

bool Statistics::select(const std::string& names, std::vector<std::string>& selected,
                        bool withUnknown) const {
    selected.clear();
    if (names.empty() || names == "U_" || names == "M_") {
        for (const auto& count : m_counts)
            if (names.empty() || isUnifiedPos(count.first) == (names == "U_"))
                selected.push_back(count.first);
        return true;
    }
    for (const std::string& name : split(names)) {
        if (!withUnknown && !m_counts.count(name)) return false;
        selected.push_back(name);
    }
    return !selected.empty();
}

long Statistics::retrieve(const std::string& names, const Equipment& equipment,
                          std::string& xml) const {
    std::vector<std::string> selected;
    if (!select(names, selected, true)) return opos::kIllegal;
    std::ostringstream out;
    out << "<?xml version='1.0' ?>\n"
        << "<UPOSStat version=\"1.15.0\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xmlns=\"http://www.nrf-arts.org/UnifiedPOS/namespace/\" "
           "xsi:schemaLocation=\"http://www.nrf-arts.org/UnifiedPOS/namespace/ "
           "UPOSStat.xsd\">\n"
        << " <Event>\n";
    for (const std::string& name : selected) {
        const char* tag =
            isUnifiedPos(name) || !m_counts.count(name) ? "Parameter" : "ManufacturerSpecific";
        const auto count = m_counts.find(name);
        out << "  <" << tag << "><Name>" << escaped(name) << "</Name><Value>";
        if (count != m_counts.end()) out << count->second;
        out << "</Value></" << tag << ">\n";
    }
    out << " </Event>\n"
        << " <Equipment>\n"
        << "  <UnifiedPOSVersion>1.15</UnifiedPOSVersion>\n"
        << "  <DeviceCategory UPOS=\"CashChanger\"/>\n"
        << "  <ManufacturerName>QuaxVault</ManufacturerName>\n"
        << "  <ModelName>" << escaped(equipment.model) << "</ModelName>\n"
        << "  <SerialNumber></SerialNumber>\n"
        << "  <FirmwareRevision>" << escaped(equipment.firmware) << "</FirmwareRevision>\n"
        << "  <Interface>" << escaped(equipment.interfaceName) << "</Interface>\n"
        << "  <InstallationDate></InstallationDate>\n"
        << " </Equipment>\n"
        << "</UPOSStat>\n";
    xml = out.str();
    return opos::kSuccess;
}

long Statistics::reset(const std::string& names) {
    std::vector<std::string> selected;
    if (!select(names, selected, false)) return opos::kExtended;
    for (const std::string& name : selected) m_counts[name] = 0;
    return opos::kSuccess;
}

long Statistics::update(const std::string& assignments) {
    std::map<std::string, long> updates;
    for (const std::string& assignment : split(assignments)) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos) return opos::kIllegal;
        const std::string name = assignment.substr(0, equals);
        char* end = nullptr;
        const std::string number = assignment.substr(equals + 1);
        long value = std::strtol(number.c_str(), &end, 10);
        if (!m_counts.count(name)) return opos::kExtended;
        if (number.empty() || *end != '\0' || value < 0) return opos::kIllegal;
        updates[name] = value;
    }
    if (updates.empty()) return opos::kIllegal;
    for (const auto& update : updates) m_counts[update.first] = update.second;
    return opos::kSuccess;
}

}  // namespace qxopos

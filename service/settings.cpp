// settings.cpp - reading qxd.conf with Boost.PropertyTree's INI reader and
// checking each [service] value.
#include "settings.h"

#include <filesystem>
#include <sstream>

#include <boost/property_tree/ini_parser.hpp>

namespace qxd {
namespace {

template <typename T>
bool readNumber(const boost::property_tree::ptree& section, const char* key, T& value,
                long long low, long long high, std::string& error) {
    auto text = section.get_optional<std::string>(key);
    if (!text) return true;
    try {
        std::size_t used = 0;
        const long long number = std::stoll(*text, &used);
        if (used != text->size() || number < low || number > high) throw std::out_of_range(key);
        value = static_cast<T>(number);
        return true;
    } catch (const std::exception&) {
        error = std::string("[service] ") + key + ": \"" + *text + "\" is not a number from " +
                std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
}

}  // namespace

bool readSettings(const std::string& path, Settings& s, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    try {
        boost::property_tree::ini_parser::read_ini(path, s.file);
    } catch (const boost::property_tree::ini_parser_error& e) {
        error = e.what();
        return false;
    }
    const auto section = s.file.get_child("service", boost::property_tree::ptree());
    if (!readNumber(section, "port", s.port, 0, 65535, error) ||
        !readNumber(section, "max_connections", s.maxConnections, 1, 4096, error) ||
        !readNumber(section, "max_pending", s.maxPending, 1, 4096, error) ||
        !readNumber(section, "max_message_bytes", s.maxMessageBytes, 256, 1 << 20, error) ||
        !readNumber(section, "send_queue_limit", s.sendQueueLimit, 1, 1 << 20, error) ||
        !readNumber(section, "handshake_timeout_ms", s.handshakeTimeoutMs, 100, 600000, error))
        return false;
    std::istringstream origins(section.get<std::string>("origins", ""));
    for (std::string origin; origins >> origin;) s.origins.push_back(origin);
    s.portSettings = section.get<std::string>("port_settings", s.portSettings);
    s.tokenFile = section.get<std::string>("token_file", s.tokenFile);
    return true;
}

}  // namespace qxd

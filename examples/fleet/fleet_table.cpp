// fleet_table.cpp - a chain's monitoring in miniature: subscribes to every
// till's telemetry on one MQTT broker and shows each till's state and cash
// levels as a table, redrawn every second.
//
//   fleet-table [--host H] [--port P] [--prefix qxlogics] [--for SECONDS]
//               [--latency EVENTS]
//
// --for prints the table once after that many seconds and ends;
// --latency ends after that many events and prints, from each event's
// "time" to its arrival here, the median and the 99th percentile.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <mosquitto.h>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;
using Clock = std::chrono::system_clock;

struct Options {
    std::string host = "127.0.0.1", prefix = "qxlogics";
    int port = 1883, forSeconds = 0;
    std::size_t latencyEvents = 0;
};

struct Till {
    json state, levels;
    bool online = false;
    long events = 0;
};

struct Fleet {
    std::mutex mutex;
    std::map<std::string, Till> tills;  // "<site>/<till>"
    std::vector<double> latenciesUs;
    Options options;
};

// "2026-12-07T14:52:16.123456Z" back into a time point.
Clock::time_point parseTime(const std::string& text) {
    std::tm parts{};
    long micros = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%ldZ", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &micros) != 7)
        return Clock::time_point{};
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return Clock::from_time_t(timegm(&parts)) + std::chrono::microseconds(micros);
}

void onMessage(mosquitto*, void* data, const mosquitto_message* message) {
    const auto arrived = Clock::now();
    auto& fleet = *static_cast<Fleet*>(data);
    // <prefix>/<site>/<till>/<leaf>
    const std::string topic = message->topic;
    const std::string rest = topic.substr(fleet.options.prefix.size() + 1);
    const auto lastSlash = rest.rfind('/');
    if (lastSlash == std::string::npos) return;
    const std::string till = rest.substr(0, lastSlash), leaf = rest.substr(lastSlash + 1);
    const json body = json::parse(static_cast<const char*>(message->payload),
                                  static_cast<const char*>(message->payload) + message->payloadlen,
                                  nullptr, false);
    if (body.is_discarded()) return;
    std::lock_guard<std::mutex> lock(fleet.mutex);
    Till& entry = fleet.tills[till];
    if (leaf == "state") entry.state = body;
    if (leaf == "levels") entry.levels = body;
    if (leaf == "online") entry.online = body.value("online", false);
    if (leaf == "events") {
        ++entry.events;
        const auto sent = parseTime(body.value("time", ""));
        fleet.latenciesUs.push_back(
            std::chrono::duration<double, std::micro>(arrived - sent).count());
    }
}

void onConnect(mosquitto* client, void* data, int code) {
    auto& fleet = *static_cast<Fleet*>(data);
    if (code != 0) {
        std::fprintf(stderr, "fleet-table: refused: %s\n", mosquitto_connack_string(code));
        return;
    }
    mosquitto_subscribe(client, nullptr, (fleet.options.prefix + "/#").c_str(), 1);
}

std::string money(long minor) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld.%02ld", minor / 100, minor % 100);
    return text;
}

std::string warnings(const json& levels) {
    std::string text;
    if (!levels.contains("levels")) return text;
    for (const json& level : levels["levels"]) {
        if (level.value("warning", "none") == "none") continue;
        if (!text.empty()) text += ", ";
        text += money(level.value("denomination", 0)) + " " + level.value("warning", "") + " (" +
                std::to_string(level.value("count", 0)) + ")";
    }
    return text.empty() ? "-" : text;
}

void printTable(Fleet& fleet) {
    std::lock_guard<std::mutex> lock(fleet.mutex);
    std::printf("%-22s %-7s %-6s %-22s %9s %4s %-14s %6s  %s\n", "TILL", "ONLINE", "OPEN",
                "STATUS", "AMOUNT", "OP", "LAST ERROR", "EVENTS", "LEVEL WARNINGS");
    for (const auto& [name, till] : fleet.tills) {
        const json& s = till.state;
        const std::string error = s.contains("lastError") && !s["lastError"].is_null()
                                      ? std::to_string(s["lastError"].value("code", 0)) + " " +
                                            s["lastError"].value("text", "")
                                      : "-";
        std::printf("%-22s %-7s %-6s %-22s %9s %4d %-14.14s %6ld  %s\n", name.c_str(),
                    till.online ? "yes" : "NO", s.value("open", false) ? "open" : "closed",
                    s.value("statusText", std::string("?")).c_str(),
                    money(s.value("amount", 0)).c_str(), s.value("operator", 0), error.c_str(),
                    till.events, warnings(till.levels).c_str());
    }
    std::printf("%zu tills\n", fleet.tills.size());
    std::fflush(stdout);
}

void printLatency(Fleet& fleet) {
    std::lock_guard<std::mutex> lock(fleet.mutex);
    std::vector<double> sorted = fleet.latenciesUs;
    if (sorted.empty()) return;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double p) {
        return sorted[static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1))];
    };
    std::printf("events %zu, report to subscriber: p50 %.0f us, p99 %.0f us, max %.0f us\n",
                sorted.size(), at(0.5), at(0.99), sorted.back());
}

bool readOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--host") options.host = value;
        else if (key == "--port") options.port = std::atoi(value.c_str());
        else if (key == "--prefix") options.prefix = value;
        else if (key == "--for") options.forSeconds = std::atoi(value.c_str());
        else if (key == "--latency") options.latencyEvents = std::strtoul(value.c_str(), nullptr, 10);
        else return false;
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    Fleet fleet;
    if (!readOptions(argc, argv, fleet.options)) {
        std::fprintf(stderr, "usage: fleet-table [--host H] [--port P] [--prefix P] "
                             "[--for SECONDS] [--latency EVENTS]\n");
        return 2;
    }
    mosquitto_lib_init();
    mosquitto* client = mosquitto_new(nullptr, true, &fleet);
    mosquitto_connect_callback_set(client, onConnect);
    mosquitto_message_callback_set(client, onMessage);
    if (mosquitto_connect(client, fleet.options.host.c_str(), fleet.options.port, 30) !=
        MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "fleet-table: cannot reach %s:%d\n", fleet.options.host.c_str(),
                     fleet.options.port);
        return 1;
    }
    mosquitto_loop_start(client);
    while (fleet.options.latencyEvents) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard<std::mutex> lock(fleet.mutex);
        if (fleet.latenciesUs.size() >= fleet.options.latencyEvents) break;
    }
    for (int second = 1; !fleet.options.latencyEvents; ++second) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (fleet.options.forSeconds) {
            if (second >= fleet.options.forSeconds) break;
            continue;
        }
        std::printf("\033[H\033[2J");
        printTable(fleet);
    }
    if (fleet.options.latencyEvents) printLatency(fleet);
    else printTable(fleet);
    mosquitto_disconnect(client);
    mosquitto_loop_stop(client, false);
    mosquitto_destroy(client);
    mosquitto_lib_cleanup();
    return 0;
}

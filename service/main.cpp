// main.cpp - qxd: reads the settings, makes or reads the token, and runs
// the service until SIGINT or SIGTERM.
#include <csignal>
#include <iostream>
#include <string>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include "platform.h"
#include "service.h"
#include "settings.h"
#include "telemetry_hookup.h"
#include "token.h"

namespace {

const char* const kUsage =
    "usage: qxd [--config FILE] [--port N]\n"
    "  --config FILE  the settings file (default: the system's qxd.conf)\n"
    "  --port N       the loopback port, instead of the settings' port\n";

struct Arguments {
    std::string config = qxd::defaultSettingsFile();
    int port = -1;
};

// false with the reason in error; "help" asks for the usage.
bool parseArguments(int argc, char** argv, Arguments& args, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            error = "help";
            return false;
        }
        if (arg == "--config" && hasValue) {
            args.config = argv[++i];
        } else if (arg == "--port" && hasValue) {
            try {
                args.port = std::stoi(argv[++i]);
            } catch (const std::exception&) {
                args.port = -2;
            }
            if (args.port < 0 || args.port > 65535) {
                error = "--port: not a port number";
                return false;
            }
        } else {
            error = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, args, error)) {
        if (error == "help") return std::cout << kUsage, 0;
        std::cerr << "qxd: " << error << "\n" << kUsage;
        return 2;
    }
    qxd::Settings settings;
    if (!qxd::readSettings(args.config, settings, error)) {
        std::cerr << "qxd: " << args.config << ": " << error << "\n";
        return 1;
    }
    if (args.port >= 0) settings.port = static_cast<unsigned short>(args.port);
    if (settings.tokenFile.empty()) settings.tokenFile = qxd::defaultStateFolder() + "/token";
    std::string token;
    if (!qxd::loadOrCreateToken(settings.tokenFile, token, error)) {
        std::cerr << "qxd: " << error << "\n";
        return 1;
    }
    qxd::ServiceLog log;
    qxd::DriverTable driver = qxd::linkedDriver();
    driver.portSettings = settings.portSettings;
    qxd::Service service(settings, token, driver, log);
    if (!service.start(error)) {
        std::cerr << "qxd: " << error << "\n";
        return 1;
    }
    log.info("token in " + settings.tokenFile);
    const auto telemetry = qxd::startTelemetry(settings.file, service, driver, log);
    boost::asio::io_context signals;
    boost::asio::signal_set stopSignals(signals, SIGINT, SIGTERM);
    stopSignals.async_wait([&](const boost::system::error_code& ec, int) {
        if (!ec) log.info("stopping");
        service.stop();
    });
    std::thread waiter([&] { signals.run(); });
    service.run();
    signals.stop();
    waiter.join();
    log.info("stopped");
    return 0;
}

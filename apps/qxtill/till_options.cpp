// till_options.cpp - parsing of the till's command line.
#include "till_options.h"

namespace till {

bool parseOptions(const std::vector<std::string>& args, Options& options,
                  std::string& error) {
    bool jobGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--window") {
            options.delivery = Delivery::Window;
        } else if (arg == "--callbacks") {
            options.delivery = Delivery::Callbacks;
        } else if (arg == "--port") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                error = "--port needs a port name";
                return false;
            }
            options.port = args[++i];
        } else if (arg == "--help" || arg == "-h" || arg == "help") {
            options.job = Job::Help;
            jobGiven = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (jobGiven) {
            error = "more than one job given ('" + arg + "')";
            return false;
        } else if (arg == "demo") {
            options.job = Job::Demo;
            jobGiven = true;
        } else if (arg == "interactive") {
            options.job = Job::Interactive;
            jobGiven = true;
        } else {
            error = "unknown job '" + arg + "'";
            return false;
        }
    }
    return true;
}

const char* usage() {
    return "usage: qxtill [demo | interactive] [--window | --callbacks] [--port NAME]\n"
           "  demo          run a scripted shift against the device and exit\n"
           "  interactive   type till commands (the default; 'help' lists them)\n"
           "  --window      receive events as window messages and fetch their\n"
           "                texts with the get*InfoQX functions\n"
           "  --callbacks   receive events through callback functions (default)\n"
           "  --port NAME   the device's port name (default COM1)\n"
           "Logs go to $QXLOGS; when it is not set, to ./logs.\n";
}

std::string portSettings(const Options& options) {
    return "Type:RS232;Name:" + options.port;
}

}  // namespace till

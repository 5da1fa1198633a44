// main.cpp - qxtill, the demo till: chooses the log folder, binds the
// simulated customer, and runs the demo shift or the interactive till.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "till_customer.h"
#include "till_demo.h"
#include "till_interactive.h"
#include "till_options.h"
#include "till_platform.h"

namespace {

// The driver writes its logs to $QXLOGS; unless the caller chose a folder,
// the till keeps them beside itself in ./logs.  Runs before any export.
void chooseLogFolder(std::ostream& out) {
    const char* chosen = std::getenv("QXLOGS");
    if (chosen && *chosen) {
        out << "Logs: " << chosen << " (QXLOGS)\n";
        return;
    }
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::current_path(ec) / "logs";
    std::filesystem::create_directories(folder, ec);
    till::setEnvironment("QXLOGS", folder.string());
    out << "Logs: " << folder.string() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    till::Options options;
    std::string error;
    if (!till::parseOptions(args, options, error)) {
        std::cerr << "qxtill: " << error << "\n" << till::usage();
        return 2;
    }
    if (options.job == till::Job::Help) {
        std::cout << till::usage();
        return 0;
    }
    chooseLogFolder(std::cout);
    till::Customer customer;
    customer.bind();
    if (options.job == till::Job::Demo) return till::runDemo(std::cout, options, customer);
    return till::runInteractive(std::cin, std::cout, options, customer);
}

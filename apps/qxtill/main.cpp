// main.cpp - qxtill, the demo till: settles the log folder, binds the
// simulated customer, and runs the demo shift or the interactive till.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "till_customer.h"
#include "till_demo.h"
#include "till_interactive.h"
#include "till_options.h"
#include "till_platform.h"

namespace {

void sayWhereTheLogsGo(std::ostream& out, const std::string& chosen) {
    if (!chosen.empty()) {
        out << "Logs: " << chosen << "\n";
        return;
    }
    const char* given = std::getenv("QXLOGS");
    out << "Logs: " << (given ? given : "the driver's default folder") << " (QXLOGS)\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::string chosenLogs;
    int relaunched = 0;
    if (!till::settleLogFolder(argc, argv, chosenLogs, relaunched)) return relaunched;
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
    sayWhereTheLogsGo(std::cout, chosenLogs);
    till::Customer customer;
    customer.bind();
    if (options.job == till::Job::Demo) return till::runDemo(std::cout, options, customer);
    return till::runInteractive(std::cin, std::cout, options, customer);
}

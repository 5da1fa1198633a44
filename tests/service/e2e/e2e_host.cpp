// e2e_host.cpp - qxd's service and the simulator in one process for the
// browser test: prints "port <n>" once listening, then plays the customer
// and reads the simulator on the commands of its standard input, one
// answer line each:
//   insert <minor units>  -> "ok" or "refused"
//   total | cashbox       -> the simulator's total value or cash box
//   quit                  -> stops the service
// Usage: qxd_e2e_host <token>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "service.h"
#include "sim/qxsim.h"

int main(int argc, char** argv) {
    if (argc != 2) return std::cerr << "usage: qxd_e2e_host <token>\n", 2;
    qxsim_reset();
    qxd::Settings settings;
    settings.port = 0;
    qxd::ServiceLog log;
    qxd::Service service(settings, argv[1], qxd::linkedDriver(), log);
    std::string error;
    if (!service.start(error)) return std::cerr << error << "\n", 1;
    std::thread network([&] { service.run(); });
    std::cout << "port " << service.port() << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string command;
        long long value = 0;
        words >> command >> value;
        if (command == "insert") {
            const bool taken = qxsim_insert(static_cast<int>(value)) == 0;
            qxsim_wait_idle(30000);
            std::cout << (taken ? "ok" : "refused") << std::endl;
        } else if (command == "total") {
            std::cout << qxsim_total_value() << std::endl;
        } else if (command == "cashbox") {
            std::cout << qxsim_cash_box() << std::endl;
        } else if (command == "quit") {
            break;
        } else {
            std::cout << "unknown" << std::endl;
        }
    }
    service.stop();
    network.join();
    return 0;
}

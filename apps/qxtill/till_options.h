// till_options.h - the till's command line: which job, which way events
// are delivered, which port.
#ifndef QXTILL_OPTIONS_H
#define QXTILL_OPTIONS_H

#include <string>
#include <vector>

namespace till {

enum class Job { Interactive, Demo, Help };
enum class Delivery { Callbacks, Window };

struct Options {
    Job job = Job::Interactive;
    Delivery delivery = Delivery::Callbacks;
    std::string port = "COM1";  // the "Name:" of the port settings
};

// Parses the arguments after the program name.  On failure returns false
// and says why in error.
bool parseOptions(const std::vector<std::string>& args, Options& options,
                  std::string& error);

// The usage text.
const char* usage();

// The port settings text handed to initQX.
std::string portSettings(const Options& options);

}  // namespace till

#endif  // QXTILL_OPTIONS_H

// test_env.h - what every test program shares: a private log directory per
// test, reading back the log files, and small text helpers.
#ifndef QX_TEST_ENV_H
#define QX_TEST_ENV_H

#include <string>
#include <vector>

namespace qxtest {

// A fresh, empty directory under the build's temporary folder.
std::string makeTempDir(const std::string& hint);

// The directory QXLOGS names now.
std::string logDir();

// Whole text of the current file of a log ("qxapi", "qxlogic", "qxerror")
// in dir; "" when it does not exist.
std::string readLog(const std::string& baseName, const std::string& dir = logDir());
// Lines of that log whose text (after the marker) contains needle.
std::vector<std::string> logLinesContaining(const std::string& baseName,
                                            const std::string& needle,
                                            const std::string& dir = logDir());

void setEnv(const std::string& name, const std::string& value);
void unsetEnv(const std::string& name);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// The bound of every wait for the simulated device to deliver what it queued (qxsim_wait_idle)
// where the test needs it delivered.  Generous, as the wait ends the moment the device is idle:
// only a loaded machine, Wine or a sanitizer ever brings a wait near it.
constexpr int kIdleWaitMs = 30000;

// Every note and coin the simulated device holds, largest first.
constexpr int kDenominations[] = {50000, 20000, 10000, 5000, 2000, 1000, 500, 200,
                                  100,   50,    20,    10,   5,    2,    1};

// "a" FS "b" from "a|b": lets tests write device texts readably.
std::string fs(std::string withBars);

}  // namespace qxtest

#endif  // QX_TEST_ENV_H

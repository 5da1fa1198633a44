// run_program.h - starting another program from a test without a shell: its argument vector,
// working folder and environment given as data, standard input from a file and standard output
// and error into one file, both opened by the test.
#ifndef QX_RUN_PROGRAM_H
#define QX_RUN_PROGRAM_H

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qxtest {

struct ProgramRun {
    std::string program;                 // the program's file, full path
    std::vector<std::string> arguments;  // those after the program's own name
    std::string folder;                  // its working folder; "" keeps the test's
    // Variables set for it, or removed (nullopt); the rest of the test's environment is kept.
    std::map<std::string, std::optional<std::string>> environment;
    std::string input;   // read as its standard input; "" reads the null device
    std::string output;  // receives its standard output and error, truncated first
};

// Runs the program to its end: its exit code (128 + the signal when a signal ended it), or -1
// when it could not be started, with the reason written into the output file where possible.
int runProgram(const ProgramRun& run);

}  // namespace qxtest

#endif  // QX_RUN_PROGRAM_H

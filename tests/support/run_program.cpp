// run_program.cpp - runProgram: the child's environment, then one OS section each that starts
// the program with posix_spawn or with CreateProcess, and waits for it.
#include "tests/support/run_program.h"

#include <cctype>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace qxtest {
namespace {

// Windows compares variable names without regard to case.
std::string nameKey(const std::string& entry) {
    std::string name = entry.substr(0, entry.find('=', 1));  // "=C:=C:\" names a drive's folder
#if defined(_WIN32)
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
#endif
    return name;
}

// The test's own "NAME=value" entries with the run's changes.
std::vector<std::string> childEnvironment(const std::vector<std::string>& own,
                                          const ProgramRun& run) {
    std::map<std::string, std::string> byName;
    for (const std::string& entry : own) byName.emplace(nameKey(entry), entry);
    for (const auto& [name, value] : run.environment) {
        if (value) {
            byName[nameKey(name)] = name + "=" + *value;
        } else {
            byName.erase(nameKey(name));
        }
    }
    std::vector<std::string> entries;
    for (const auto& entry : byName) entries.push_back(entry.second);
    return entries;  // sorted by name, as a Windows environment block wants
}

#if defined(_WIN32)

std::vector<std::string> ownEnvironment() {
    std::vector<std::string> entries;
    char* block = GetEnvironmentStringsA();
    for (const char* entry = block; entry && *entry; entry += std::strlen(entry) + 1)
        entries.emplace_back(entry);
    FreeEnvironmentStringsA(block);
    return entries;
}

HANDLE openInherited(const std::string& path, bool forWriting) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    return CreateFileA(path.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                       forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int runProgram(const ProgramRun& run) {
    HANDLE output = openInherited(run.output, true);
    if (output == INVALID_HANDLE_VALUE) return -1;
    HANDLE input = openInherited(run.input.empty() ? "NUL" : run.input, false);
    // Each argument quoted for the blanks of a folder's name (none holds a quote or ends in a
    // backslash, which the C runtime would read otherwise).
    std::string commandLine = "\"" + run.program + "\"";
    for (const std::string& argument : run.arguments) commandLine += " \"" + argument + "\"";
    std::string block;
    for (const std::string& entry : childEnvironment(ownEnvironment(), run)) block += entry + '\0';
    block += '\0';
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION child = {};
    const BOOL started =
        input != INVALID_HANDLE_VALUE &&
        CreateProcessA(run.program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, &block[0],
                       run.folder.empty() ? nullptr : run.folder.c_str(), &startup, &child);
    if (!started) {
        const std::string why = "cannot start " + commandLine + ": error " +
                                std::to_string(GetLastError()) + "\n";
        DWORD written = 0;
        WriteFile(output, why.data(), static_cast<DWORD>(why.size()), &written, nullptr);
    }
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    CloseHandle(output);
    if (!started) return -1;
    DWORD exitCode = 0;
    WaitForSingleObject(child.hProcess, INFINITE);
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return static_cast<int>(exitCode);
}

#else

std::vector<std::string> ownEnvironment() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

int runProgram(const ProgramRun& run) {
    std::vector<std::string> arguments = {run.program};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> environment = childEnvironment(ownEnvironment(), run);
    std::vector<char*> argv = pointersTo(arguments), envp = pointersTo(environment);
    const int output = open(run.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0) return -1;
    const int input =
        open(run.input.empty() ? "/dev/null" : run.input.c_str(), O_RDONLY | O_CLOEXEC);
    const int unreadable = input < 0 ? errno : 0;
    // The child's standard files and folder are set up in the child, and a failed exec is
    // reported as the spawn's error.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    if (!run.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, run.folder.c_str());
    pid_t child = -1;
    const int failed = unreadable ? unreadable
                                  : posix_spawn(&child, argv[0], &actions, nullptr, argv.data(),
                                                envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        const std::string why = "cannot start " + run.program + ": " + std::strerror(failed) + "\n";
        (void)!write(output, why.data(), why.size());
    }
    if (input >= 0) close(input);
    close(output);
    if (failed) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace qxtest

// run_program.cpp - runProgram: the child's environment, then one OS section each that starts
// the program with fork and execve or with CreateProcess, and waits for it.
#include "tests/support/run_program.h"

#include <cctype>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
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

// One argument as the C runtime splits a command line: quoted when it holds blanks or quotes,
// backslashes doubled only where a quote follows them.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        text += c;
        backslashes = 0;
    }
    text.append(2 * backslashes, '\\');
    return text + "\"";
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
    std::string commandLine = quoted(run.program);
    for (const std::string& argument : run.arguments) commandLine += " " + quoted(argument);
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

// In the child between fork and exec: only calls that are safe there (the test's other threads
// may have held any lock at the fork).
[[noreturn]] void becomeProgram(int input, int output, const char* folder, char** argv,
                                char** envp) {
    if (dup2(input, STDIN_FILENO) >= 0 && dup2(output, STDOUT_FILENO) >= 0 &&
        dup2(output, STDERR_FILENO) >= 0 && (!*folder || chdir(folder) == 0)) {
        execve(argv[0], argv, envp);
    }
    const char why[] = "cannot start ";
    (void)!write(output, why, sizeof why - 1);
    (void)!write(output, argv[0], std::strlen(argv[0]));
    (void)!write(output, "\n", 1);
    _exit(127);
}

}  // namespace

int runProgram(const ProgramRun& run) {
    // Everything the child needs is made before the fork.
    std::vector<std::string> arguments = {run.program};
    arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
    std::vector<std::string> environment = childEnvironment(ownEnvironment(), run);
    std::vector<char*> argv = pointersTo(arguments), envp = pointersTo(environment);
    const int output = open(run.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int input =
        open(run.input.empty() ? "/dev/null" : run.input.c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t child = output >= 0 && input >= 0 ? fork() : -1;
    if (child == 0) becomeProgram(input, output, run.folder.c_str(), argv.data(), envp.data());
    if (child < 0 && output >= 0) {
        const std::string why = input < 0 ? "cannot open " + run.input + "\n" : "cannot fork\n";
        (void)!write(output, why.data(), why.size());
    }
    if (input >= 0) close(input);
    if (output >= 0) close(output);
    if (child < 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace qxtest

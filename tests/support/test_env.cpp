// test_env.cpp - shared helpers of the test programs.
#include "tests/support/test_env.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs_ = std::filesystem;

namespace qxtest {

std::string makeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs_::path dir = fs_::temp_directory_path() / "qxtests" /
                    (hint + "_" + std::to_string(stamp) + "_" + std::to_string(counter++));
    fs_::create_directories(dir);
    return dir.string();
}

void setEnv(const std::string& name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void unsetEnv(const std::string& name) {
#if defined(_WIN32)
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

std::string logDir() {
    const char* value = std::getenv("QXLOGS");
    return value ? value : "";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string readLog(const std::string& baseName, const std::string& dir) {
    // The newest file of that log: weekday or month files that a clock test
    // did not touch are older.
    std::error_code ec;
    fs_::path newest;
    fs_::file_time_type newestTime{};
    for (const auto& entry : fs_::directory_iterator(dir, ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(baseName + "_", 0) != 0) continue;
        auto time = entry.last_write_time(ec);
        if (newest.empty() || time > newestTime) {
            newest = entry.path();
            newestTime = time;
        }
    }
    return newest.empty() ? std::string() : readFile(newest.string());
}

std::vector<std::string> logLinesContaining(const std::string& baseName,
                                            const std::string& needle,
                                            const std::string& dir) {
    std::vector<std::string> lines;
    std::istringstream text(readLog(baseName, dir));
    for (std::string line; std::getline(text, line);)
        if (line.find(needle) != std::string::npos) lines.push_back(line);
    return lines;
}

std::string fs(std::string withBars) {
    std::replace(withBars.begin(), withBars.end(), '|', '\x1C');
    return withBars;
}

}  // namespace qxtest

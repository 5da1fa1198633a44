// log.cpp - WriteLog and WriteLog2: one line of a kind to one log file,
// under one lock that also guards the creation of the log files on first
// use and their replacement at the first line after midnight.
//
// The logger is never destroyed: the core object's destructor logs while
// the library is being unloaded, after static objects may be gone.
#include "logging/log.h"

#include <mutex>

#include "logging/log_files.h"
#include "logging/log_line.h"

namespace {

struct Logger {
    std::mutex mutex;
    CLogFiles* files = nullptr;
    long day = 0;  // the date of `files` as one number, see dayOf
};

Logger& logger() {
    static auto* instance = new Logger();
    return *instance;
}

// The date as yyyymmdd: compared for every line, where the date text
// would cost a formatting pass.
long dayOf(const qxplat::LocalTime& now) {
    return (static_cast<long>(now.year) * 100 + now.month) * 100 + now.day;
}

// The files of the day of `now`, made anew on first use and at a date change.
CLogFiles& filesFor(Logger& log, const qxplat::LocalTime& now) {
    const long day = dayOf(now);
    if (log.files && log.day != day) {
        log.files->closeAndMarkReadOnly();
        delete log.files;
        log.files = nullptr;
    }
    if (!log.files) {
        log.files = new CLogFiles(now);
        log.day = day;
    }
    return *log.files;
}

}  // namespace

void WriteLog(const char* text, int kind, int file) {
    Logger& log = logger();
    std::lock_guard<std::mutex> lock(log.mutex);
    qxplat::LocalTime now = qxplat::localNow();
    std::FILE* stream = filesFor(log, now).stream(file);
    if (!stream) return;
    if (const char* marker = qxlog::activeMarker(kind)) {
        std::string line = qxlog::formatLine(now, file, marker, text);
        std::fwrite(line.data(), 1, line.size(), stream);
    }
    std::fflush(stream);
}

void WriteLog(const std::string& text, int kind, int file) { WriteLog(text.c_str(), kind, file); }

void WriteLog2(const char* text, int kind, int fileA, int fileB) {
    WriteLog(text, kind, fileA);
    WriteLog(text, kind, fileB);
}

void WriteLog2(const std::string& text, int kind, int fileA, int fileB) {
    WriteLog2(text.c_str(), kind, fileA, fileB);
}

void resetLogFilesForTesting() {
    Logger& log = logger();
    std::lock_guard<std::mutex> lock(log.mutex);
    delete log.files;
    log.files = nullptr;
}

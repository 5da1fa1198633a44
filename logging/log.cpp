// log.cpp - WriteLog and WriteLog2: one line of a kind to one log file,
// under one lock that also guards the creation of the log files on first
// use and their replacement at the first line after midnight.  A kind that
// is switched off returns before the lock.
//
// The logger is never destroyed: the core object's destructor logs while
// the library is being unloaded, after static objects may be gone.
#include "logging/log.h"

#include <cstdarg>
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

bool LogKindOn(int kind) { return qxlog::activeMarker(kind) != nullptr; }

void WriteLog(const char* text, int kind, int file) {
    // Nothing to write: no lock, no clock, no flush.  A date change waits
    // for the next line that is written.
    const char* marker = qxlog::activeMarker(kind);
    if (!marker || file < 0 || file >= CLogFiles::kFileCount) return;
    Logger& log = logger();
    std::lock_guard<std::mutex> lock(log.mutex);
    qxplat::LocalTime now = qxplat::localNow();
    std::FILE* stream = filesFor(log, now).stream(file);
    if (!stream) return;
    std::string line = qxlog::formatLine(now, file, marker, text);
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

void WriteLog(const std::string& text, int kind, int file) { WriteLog(text.c_str(), kind, file); }

void WriteLogf(int kind, int file, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogv(kind, file, format, args);
    va_end(args);
}

void WriteLogv(int kind, int file, const char* format, va_list args) {
    if (!LogKindOn(kind)) return;
    WriteLog(vstrformat(format, args).c_str(), kind, file);
}

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

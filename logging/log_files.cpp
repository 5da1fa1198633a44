// log_files.cpp - CLogFiles: choosing and making the log directory,
// opening the day's three files and the start-of-period check that starts a
// weekday file of an earlier week (a month file of an earlier year) afresh.
#include "logging/log_files.h"

#include <cctype>

#include "logging/log_calendar.h"
#include "logging/strformat.h"

namespace {

const int kErrorFile = 2;

// QXLOGS, else LOGFILE (one level made when missing), else the platform's
// default folder; "" when the directory cannot be made.
std::string usableDirectory() {
    std::string dir;
    // An empty value counts as unset: it could name no directory.
    if ((qxplat::getEnv("QXLOGS", dir) && !dir.empty()) ||
        (qxplat::getEnv("LOGFILE", dir) && !dir.empty()))
        return qxplat::makeDirectory(dir) == qxplat::MakeDirResult::Failed ? std::string() : dir;
    return qxplat::makeDefaultLogDirectory();
}

// Digits at the stream's position; -1 when there are none.
long readNumber(std::FILE* stream) {
    long number = -1;
    for (int c = std::fgetc(stream); c != EOF && std::isdigit(c); c = std::fgetc(stream)) {
        if (number < 0) number = 0;
        if (number < 100000000L) number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

CLogFiles::CLogFiles(const qxplat::LocalTime& now)
    : m_date(qxlog::dateText(now)), m_weekday(qxlog::weekdayName(now)) {
    const std::string dir = usableDirectory();
    // A directory that cannot be made leaves the object without streams;
    // the next date change builds a new object and so tries again.
    if (dir.empty()) return;
    m_directory = dir;
    if (m_directory.back() != qxplat::pathSeparator()) m_directory += qxplat::pathSeparator();
    for (int file = 0; file < kFileCount; ++file) open(file, now);
}

CLogFiles::~CLogFiles() {
    for (std::FILE*& stream : m_streams) {
        if (stream) std::fclose(stream);
        stream = nullptr;
    }
}

void CLogFiles::closeAndMarkReadOnly() {
    for (int file = 0; file < kFileCount; ++file) {
        if (!m_streams[file]) continue;
        std::fclose(m_streams[file]);
        m_streams[file] = nullptr;
        qxplat::setReadOnly(m_paths[file], true);
    }
}

std::FILE* CLogFiles::stream(int file) const {
    return file >= 0 && file < kFileCount ? m_streams[file] : nullptr;
}

void CLogFiles::open(int file, const qxplat::LocalTime& now) {
    const char* suffix = file == kErrorFile ? qxlog::monthName(now) : m_weekday.c_str();
    m_paths[file] = m_directory + strformat("%s_%s", m_baseNames[file].c_str(), suffix) + ".log";
    qxplat::setReadOnly(m_paths[file], false);  // left read-only by an earlier day
    std::FILE* stream = qxplat::openLogFile(m_paths[file]);
    if (stream && beganInEarlierPeriod(stream, file, now)) qxplat::emptyLogFile(stream);
    m_streams[file] = stream;
}

// A weekday file begins "w" and its first line's week; the month file
// begins with its first line's year.  An empty file, or one that does not
// begin that way, is appended to: it is no file of an earlier period.
bool CLogFiles::beganInEarlierPeriod(std::FILE* stream, int file,
                                     const qxplat::LocalTime& now) const {
    long position = std::ftell(stream);
    std::rewind(stream);
    long found = -1;
    long expected = file == kErrorFile ? now.year : qxlog::weekNumber(now);
    if (file == kErrorFile) {
        found = readNumber(stream);
    } else if (std::fgetc(stream) == 'w') {
        found = readNumber(stream);
    }
    std::fseek(stream, position, SEEK_SET);
    return found >= 0 && found != expected;
}

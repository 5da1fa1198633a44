// log_files.h - CLogFiles, the open log files of one day: "qxapi" and
// "qxlogic" of the weekday and "qxerror" of the month, in the directory
// named by QXLOGS, else LOGFILE, else the platform's default folder.
#ifndef QX_LOG_FILES_H
#define QX_LOG_FILES_H

#include <cstdio>
#include <string>

#include "platform/platform.h"

class CLogFiles {
public:
    static constexpr int kFileCount = 3;

    // Makes the directory (one level) and opens the three files of the day
    // of `now`, emptying a file that an earlier week (year) began.
    explicit CLogFiles(const qxplat::LocalTime& now);
    // Closes the streams without marking them: the current day's files.
    ~CLogFiles();
    CLogFiles(const CLogFiles&) = delete;
    CLogFiles& operator=(const CLogFiles&) = delete;

    // At a date change: closes every stream and marks its file read-only.
    void closeAndMarkReadOnly();

    const std::string& date() const { return m_date; }
    const std::string& weekday() const { return m_weekday; }
    // The stream of a LogFile value; null when absent or out of range.
    std::FILE* stream(int file) const;
    const std::string& path(int file) const { return m_paths[file]; }

private:
    void open(int file, const qxplat::LocalTime& now);
    bool beganInEarlierPeriod(std::FILE* stream, int file, const qxplat::LocalTime& now) const;

    std::FILE* m_streams[kFileCount] = {nullptr, nullptr, nullptr};
    std::string m_date;     // "%Y-%m-%d" at creation
    std::string m_weekday;  // "Sun".."Sat" at creation
    std::string m_baseNames[kFileCount] = {"qxapi", "qxlogic", "qxerror"};
    std::string m_directory;  // empty when it could not be made
    std::string m_paths[kFileCount];
};

#endif  // QX_LOG_FILES_H

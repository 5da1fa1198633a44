// event_log.h - the two line shapes the callback path writes most: an
// error line to the logic and error logs, and a trace line to the logic log.
#ifndef QX_EVENT_LOG_H
#define QX_EVENT_LOG_H

#include <string>

#include "logging/log.h"

inline void logEventError(const std::string& text) {
    WriteLog2(text, Error, LogicLog, ErrorLog);
}

inline void logEventDebug(const std::string& text) {
    WriteLog(text, Debug, LogicLog);
}

#endif  // QX_EVENT_LOG_H

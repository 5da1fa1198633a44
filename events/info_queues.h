// info_queues.h - the three bounded queues behind the information
// exports: error texts, cash-level texts and cash-session texts.  The
// delivery thread pushes, the application's thread retrieves; each queue
// has its own lock.
#ifndef QX_INFO_QUEUES_H
#define QX_INFO_QUEUES_H

#include <string>

constexpr int QX_QUEUE_CAPACITY = 100;

short pushToErrorQueue(const std::string& text);
short pushToCashLevelWarningsQueue(const std::string& text);
short pushToCashSessionQueue(const std::string& text);

// 0 with the oldest text removed, or 3 with text untouched when empty.
short retrieveFromErrorQueue(std::string& text);
short retrieveFromCashLevelWarningsQueue(std::string& text);
short retrieveFromCashSessionQueue(std::string& text);

// Test support: empty all three.
void clearInfoQueuesForTesting();

#endif  // QX_INFO_QUEUES_H

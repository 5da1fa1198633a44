// info_queues.cpp - the error, cash-level warnings and cash-session queues.
//
// Each queue is a bounded FIFO of owned texts with its own lock, held only
// while an entry is appended or removed: the driver's delivery thread
// pushes, the application's thread retrieves.  The queues are never
// destroyed: a delivery thread that exit could not wait for may still
// push.
#include "events/info_queues.h"

#include <deque>
#include <mutex>

#include "logging/log_shapes.h"
#include "qxlogics.h"

namespace {

// The log texts that tell one queue from another.
struct QueueTexts {
    const char* full;
    const char* emptyText;
    const char* emptyQueue;
};

class InfoQueue {
public:
    explicit InfoQueue(const QueueTexts& texts) : m_texts(texts) {}

    short push(const std::string& text) {
        const char* refusal = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // Full is checked first: a full queue refuses any text.
            if (m_count >= QX_QUEUE_CAPACITY) {
                refusal = m_texts.full;
            } else if (text.empty()) {
                refusal = m_texts.emptyText;
            } else {
                m_entries.push_back(text);
                ++m_count;
            }
        }
        if (!refusal) return QX_STATUS_OK;
        logError(refusal);  // outside the lock: the logger takes its own
        return QX_STATUS_ERROR;
    }

    short retrieve(std::string& text) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_count > 0) {
                text = std::move(m_entries.front());
                m_entries.pop_front();
                --m_count;
                return QX_STATUS_OK;
            }
        }
        logError(m_texts.emptyQueue);
        return QX_STATUS_WARNING;
    }

    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.clear();
        m_count = 0;
    }

private:
    const QueueTexts m_texts;
    std::mutex m_mutex;
    std::deque<std::string> m_entries;
    int m_count = 0;
};

// Made on first use, whatever the order of static construction, and never
// destroyed (see above).
InfoQueue& errorQueue() {
    static auto* queue = new InfoQueue({
        "cqxlogics.pushToErrorQueue: Error: Max number of errors pushed to queue",
        "cqxlogics.pushToErrorQueue: Empty error text (dont save)",
        "retrieveFromErrorQueue: Queue is empty"});
    return *queue;
}

InfoQueue& cashLevelWarningsQueue() {
    static auto* queue = new InfoQueue({
        "pushToCashLevelWarningsQueue: Error: Max number of warnings pushed to queue",
        "pushToCashLevelWarningsQueue: Empty warning text (dont save)",
        "retrieveFromCashLevelWarningsQueue: Queue is empty"});
    return *queue;
}

InfoQueue& cashSessionQueue() {
    static auto* queue = new InfoQueue({
        "pushToCashSessionQueue: Error: Max number of sessions pushed to queue",
        "pushToCashSessionQueue: Empty session text (don't save)",
        "retrieveFromCashSessionQueue: Queue is empty"});
    return *queue;
}

}  // namespace

short pushToErrorQueue(const std::string& text) { return errorQueue().push(text); }
short pushToCashLevelWarningsQueue(const std::string& text) {
    return cashLevelWarningsQueue().push(text);
}
short pushToCashSessionQueue(const std::string& text) {
    return cashSessionQueue().push(text);
}

short retrieveFromErrorQueue(std::string& text) { return errorQueue().retrieve(text); }
short retrieveFromCashLevelWarningsQueue(std::string& text) {
    return cashLevelWarningsQueue().retrieve(text);
}
short retrieveFromCashSessionQueue(std::string& text) {
    return cashSessionQueue().retrieve(text);
}

void clearInfoQueuesForTesting() {
    errorQueue().clear();
    cashLevelWarningsQueue().clear();
    cashSessionQueue().clear();
}

// event_channel.h - the events on their way to the control object: one
// queue and one delivery thread of the service object's own, which
// invokes the control object's SOData, SODirectIO and SOStatusUpdate by
// name.  FreezeEvents holds every event; DataEventEnabled holds data
// events, and the delivery of one turns it off again.  Nothing here waits
// for the delivery thread: the control object may hold that thread until
// the application's thread pumps its messages.
#ifndef QX_OPOS_EVENT_CHANNEL_H
#define QX_OPOS_EVENT_CHANNEL_H

#include <windows.h>
#include <oaidl.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace qxopos {

struct SoEvent {
    enum Kind { Data, DirectIO, StatusUpdate } kind;
    long number;       // Data: the status; DirectIO: the event number; StatusUpdate: the value
    long data;         // DirectIO's data
    std::string text;  // DirectIO's string
};

class EventChannel {
public:
    // Looks the event names up on the calling thread (the control
    // object's own) and starts the delivery thread; null when no thread
    // could be started.
    static std::shared_ptr<EventChannel> start(IDispatch* controlObject);
    ~EventChannel();

    void post(const SoEvent& event);
    void setFrozen(bool frozen);
    bool frozen() const;
    void setDataEventEnabled(bool enabled);
    bool dataEventEnabled() const;
    long dataCount() const;
    void clearData();
    // Ends delivery: queued events are dropped and the thread leaves after
    // the event it may be delivering.  Returns at once.
    void stop();

private:
    explicit EventChannel(IDispatch* controlObject);
    static DWORD WINAPI threadMain(void* self);
    void run();
    bool takeDeliverable(SoEvent& event);
    void deliver(SoEvent& event);

    IDispatch* m_co;
    DISPID m_soData = DISPID_UNKNOWN;
    DISPID m_soDirectIO = DISPID_UNKNOWN;
    DISPID m_soStatusUpdate = DISPID_UNKNOWN;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SoEvent> m_queue;
    bool m_frozen = false;
    bool m_dataEventEnabled = false;
    bool m_stopping = false;
};

}  // namespace qxopos

#endif  // QX_OPOS_EVENT_CHANNEL_H

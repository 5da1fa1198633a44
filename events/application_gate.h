// application_gate.h - one delivery of events to the application at a time.
//
// The callback handler passes each report's events through this gate, so
// that application callbacks never run at the same time, whatever number
// of threads the device library calls back from.  The thread inside may
// enter again (a device library that calls back from inside a callback).
// While the device link closes the gate stays shut: a callback thread
// waiting at it gives up its events - the receivers are about to be
// forgotten - instead of holding up a close that may wait for that very
// thread.
//
// Who calls: the callback threads enter and leave; the core's exit closes
// it before it closes the device and opens it again when that failed; init
// opens it.  Every method takes the gate's lock for itself.
#ifndef QX_APPLICATION_GATE_H
#define QX_APPLICATION_GATE_H

#include <condition_variable>
#include <mutex>
#include <thread>

class ApplicationGate {
public:
    // Waits for its turn; false when the gate is closing (deliver nothing).
    bool enter();
    void leave();
    void close();
    void open();

private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::thread::id m_owner;
    int m_depth = 0;
    bool m_closing = false;
};

// The one gate; never destroyed, as a callback may outlive the core.
extern ApplicationGate& g_applicationGate;

#endif  // QX_APPLICATION_GATE_H

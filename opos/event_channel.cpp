// event_channel.cpp - the event queue, its rules of release and the
// delivery thread.  The thread pins this DLL while it runs and leaves
// through FreeLibraryAndExitThread, so a service object closed and
// released while the control object still holds an event cannot unload
// the code under it.
#include "opos/event_channel.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>

#include "opos/text.h"

namespace qxopos {
namespace {

DISPID lookUp(IDispatch* co, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(co->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

struct ThreadStart {
    std::shared_ptr<EventChannel> channel;
    HMODULE pin;
};

}  // namespace

EventChannel::EventChannel(IDispatch* controlObject) : m_co(controlObject) {
    m_co->AddRef();
    m_soData = lookUp(m_co, L"SOData");
    m_soDirectIO = lookUp(m_co, L"SODirectIO");
    m_soStatusUpdate = lookUp(m_co, L"SOStatusUpdate");
}

EventChannel::~EventChannel() { m_co->Release(); }

std::shared_ptr<EventChannel> EventChannel::start(IDispatch* controlObject) {
    std::shared_ptr<EventChannel> channel(new EventChannel(controlObject));
    HMODULE pin = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&EventChannel::threadMain), &pin))
        return nullptr;
    auto* startInfo = new ThreadStart{channel, pin};
    HANDLE thread = CreateThread(nullptr, 0, &EventChannel::threadMain, startInfo, 0, nullptr);
    if (!thread) {
        delete startInfo;
        FreeLibrary(pin);
        return nullptr;
    }
    CloseHandle(thread);
    return channel;
}

DWORD WINAPI EventChannel::threadMain(void* argument) {
    auto* startInfo = static_cast<ThreadStart*>(argument);
    HMODULE pin = startInfo->pin;
    {
        std::shared_ptr<EventChannel> channel = std::move(startInfo->channel);
        delete startInfo;
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        channel->run();
        channel.reset();
        CoUninitialize();
    }
    FreeLibraryAndExitThread(pin, 0);
}

void EventChannel::run() {
    for (;;) {
        SoEvent event{SoEvent::Data, 0, 0, ""};
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || takeDeliverable(event); });
            if (m_stopping) return;
        }
        deliver(event);
    }
}

// The first event the rules release: none while frozen; a data event
// only while data events are enabled, which its delivery turns off.
bool EventChannel::takeDeliverable(SoEvent& event) {
    if (m_frozen) return false;
    auto next = std::find_if(m_queue.begin(), m_queue.end(), [&](const SoEvent& queued) {
        return queued.kind != SoEvent::Data || m_dataEventEnabled;
    });
    if (next == m_queue.end()) return false;
    event = *next;
    m_queue.erase(next);
    if (event.kind == SoEvent::Data) m_dataEventEnabled = false;
    return true;
}

void EventChannel::deliver(SoEvent& event) {
    VARIANT args[3];
    for (VARIANT& arg : args) VariantInit(&arg);
    DISPPARAMS params = {args, nullptr, 1, 0};
    DISPID id = DISPID_UNKNOWN;
    long data = event.data;
    BSTR text = nullptr;
    switch (event.kind) {
    case SoEvent::Data:
        id = m_soData;
        args[0].vt = VT_I4;
        args[0].lVal = event.number;
        break;
    case SoEvent::StatusUpdate:
        id = m_soStatusUpdate;
        args[0].vt = VT_I4;
        args[0].lVal = event.number;
        break;
    case SoEvent::DirectIO:
        // SODirectIO(EventNumber, pData, pString): arguments in reverse.
        id = m_soDirectIO;
        text = toBstr(event.text);
        args[0].vt = VT_BYREF | VT_BSTR;
        args[0].pbstrVal = &text;
        args[1].vt = VT_BYREF | VT_I4;
        args[1].plVal = &data;
        args[2].vt = VT_I4;
        args[2].lVal = event.number;
        params.cArgs = 3;
        break;
    }
    if (id != DISPID_UNKNOWN) {
        VARIANT result;
        VariantInit(&result);
        m_co->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                     nullptr, nullptr);
        VariantClear(&result);
    }
    SysFreeString(text);
}

void EventChannel::post(const SoEvent& event) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping) return;
        m_queue.push_back(event);
    }
    m_wake.notify_one();
}

void EventChannel::setFrozen(bool frozen) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frozen = frozen;
    }
    m_wake.notify_one();
}

bool EventChannel::frozen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frozen;
}

void EventChannel::setDataEventEnabled(bool enabled) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_dataEventEnabled = enabled;
    }
    m_wake.notify_one();
}

bool EventChannel::dataEventEnabled() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dataEventEnabled;
}

long EventChannel::dataCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<long>(std::count_if(m_queue.begin(), m_queue.end(), [](const SoEvent& e) {
        return e.kind == SoEvent::Data;
    }));
}

void EventChannel::clearData() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [](const SoEvent& e) { return e.kind == SoEvent::Data; }),
                  m_queue.end());
}

void EventChannel::stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_one();
}

}  // namespace qxopos

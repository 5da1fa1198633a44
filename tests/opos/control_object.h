// control_object.h - a stand-in for the CashChanger control object, doing
// what a control object does and no more: it finds the service object by
// device name through the registry and its ProgID, looks its methods up by
// name, calls them with VARIANT arguments, and hands it its own dispatch
// interface for the events.  An event raised on another thread reaches the
// application's thread through a window, and the raising thread waits
// until that thread has pumped it, as the control object's does.
#ifndef QX_TESTS_OPOS_CONTROL_OBJECT_H
#define QX_TESTS_OPOS_CONTROL_OBJECT_H

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qxopos_test {

struct ReceivedEvent {
    enum Kind { Data, DirectIO, StatusUpdate } kind;
    long number;
    long data;
    std::string text;
    DWORD thread;  // the thread that raised it
};

// The control object's own dispatch interface, given to OpenService.
class EventSink final : public IDispatch {
public:
    EventSink();
    ~EventSink() { DestroyWindow(m_window); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT*, EXCEPINFO*, UINT*) override;

    // Pumps the application thread's messages until done() or timeoutMs.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs);
    void pump(int milliseconds) { pumpUntil([] { return false; }, milliseconds); }
    std::vector<ReceivedEvent> events() const { return m_events; }
    size_t count(ReceivedEvent::Kind kind, long number) const;
    void clear() { m_events.clear(); }
    // Raisers that gave up waiting for this thread (a service object that
    // waited for its own event thread while the application waited for it).
    long stuckDeliveries() const { return m_stuck; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM, LPARAM lParam);

    HWND m_window = nullptr;
    std::vector<ReceivedEvent> m_events;
    volatile long m_stuck = 0;
};

// Its AddRef and Release count nothing, and a service object's event thread
// may still hold and release the sink after the test let go of the service
// object: a sink lives until the process ends, as a referenced control
// object would.
struct KeepSinkAlive {
    void operator()(EventSink*) const {}
};
using SinkHolder = std::unique_ptr<EventSink, KeepSinkAlive>;

// The service object as the control object drives it.
class ServiceObject {
public:
    // The ProgID from the device name's registry key, the object from the
    // ProgID, and every method of the version looked up by name; null with
    // the reason when any step fails.
    static std::unique_ptr<ServiceObject> create(const std::string& deviceName,
                                                 std::string& error);
    ~ServiceObject() { m_object->Release(); }

    long call(const wchar_t* method) { return invokeLong(method, {}); }
    long call(const wchar_t* method, long argument);
    long call(const wchar_t* method, const std::string& argument);
    long open(const std::string& deviceClass, const std::string& deviceName, IDispatch* sink);
    long number(long index) { return call(L"GetPropertyNumber", index); }
    void setNumber(long index, long value);
    std::string text(long index);
    // Methods with out-parameters, by reference as the control object passes them.
    long directIO(long command, long& data, std::string& text);
    long readCashCounts(std::string& counts, bool& discrepancy);
    long compareFirmwareVersion(const std::string& file, long& result);
    long retrieveStatistics(std::string& buffer);

private:
    explicit ServiceObject(IDispatch* object) : m_object(object) {}
    // Arguments in declared order; they are handed over reversed.
    VARIANT invoke(const std::wstring& method, std::vector<VARIANT> arguments);
    long invokeLong(const std::wstring& method, std::vector<VARIANT> arguments);
    // The arguments with a text passed by reference inserted at `at`; the text as it came back.
    long invokeWithText(const wchar_t* method, std::vector<VARIANT> arguments, size_t at,
                        std::string& text);

    IDispatch* m_object;
    std::map<std::wstring, DISPID> m_ids;
};

}  // namespace qxopos_test

#endif  // QX_TESTS_OPOS_CONTROL_OBJECT_H

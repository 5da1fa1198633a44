// control_object.cpp - the stand-in control object: event delivery
// through a window of the application's thread, and calls into the
// service object by name with VARIANT arguments.
#include "tests/opos/control_object.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>

namespace qxopos_test {
namespace {

const UINT kDeliver = WM_APP + 1;
// How long a raising thread waits for the application's thread.
const DWORD kDeliveryWaitMs = 20000;

enum SinkId : DISPID { kSoData = 1, kSoDirectIO, kSoStatusUpdate };

struct Delivery {
    ReceivedEvent event;
    HANDLE done;
};

std::string narrow(BSTR text) {
    std::string out;
    for (UINT i = 0; text && i < SysStringLen(text); ++i) out += static_cast<char>(text[i]);
    return out;
}

BSTR wide(const std::string& text) {
    std::wstring w(text.begin(), text.end());
    return SysAllocString(w.c_str());
}

VARIANT longValue(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT textValue(const std::string& value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = wide(value);
    return v;
}

VARIANT byRef(long* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_I4;
    v.plVal = value;
    return v;
}

VARIANT byRef(BSTR* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = value;
    return v;
}

}  // namespace

// ---- EventSink -------------------------------------------------------------

EventSink::EventSink() : m_thread(GetCurrentThreadId()) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &EventSink::windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QXOposStandInEvents";
    RegisterClassA(&windowClass);
    m_window = CreateWindowA("QXOposStandInEvents", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

EventSink::~EventSink() {
    if (m_window) DestroyWindow(m_window);
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return DISP_E_BADINDEX;
}

// The CashChanger control object has no error and no output-complete
// event: SOError and SOOutputComplete are unknown here.
HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                   DISPID* ids) {
    static const std::pair<const wchar_t*, DISPID> known[] = {
        {L"SOData", kSoData}, {L"SODirectIO", kSoDirectIO}, {L"SOStatusUpdate", kSoStatusUpdate}};
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const auto& name : known)
            if (i == 0 && _wcsicmp(names[0], name.first) == 0) ids[0] = name.second;
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                            VARIANT*, EXCEPINFO*, UINT*) {
    ReceivedEvent event{ReceivedEvent::Data, 0, 0, "", GetCurrentThreadId()};
    VARIANTARG* args = params->rgvarg;
    switch (id) {
    case kSoData:
    case kSoStatusUpdate:
        if (params->cArgs != 1 || args[0].vt != VT_I4) return DISP_E_TYPEMISMATCH;
        event.kind = id == kSoData ? ReceivedEvent::Data : ReceivedEvent::StatusUpdate;
        event.number = args[0].lVal;
        break;
    case kSoDirectIO:
        // SODirectIO(EventNumber, pData, pString), reversed.
        if (params->cArgs != 3 || args[2].vt != VT_I4 || args[1].vt != (VT_BYREF | VT_I4) ||
            args[0].vt != (VT_BYREF | VT_BSTR))
            return DISP_E_TYPEMISMATCH;
        event.kind = ReceivedEvent::DirectIO;
        event.number = args[2].lVal;
        event.data = *args[1].plVal;
        event.text = narrow(*args[0].pbstrVal);
        break;
    default: return DISP_E_MEMBERNOTFOUND;
    }
    if (GetCurrentThreadId() == m_thread) {
        m_events.push_back(event);
        return S_OK;
    }
    auto* delivery = new Delivery{event, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    PostMessageA(m_window, kDeliver, 0, reinterpret_cast<LPARAM>(delivery));
    if (WaitForSingleObject(delivery->done, kDeliveryWaitMs) != WAIT_OBJECT_0) {
        // The window may still reach it: leave it to leak.
        InterlockedIncrement(&m_stuck);
        return E_FAIL;
    }
    CloseHandle(delivery->done);
    delete delivery;
    return S_OK;
}

LRESULT CALLBACK EventSink::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kDeliver) return DefWindowProcA(window, message, wParam, lParam);
    auto* sink = reinterpret_cast<EventSink*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    auto* delivery = reinterpret_cast<Delivery*>(lParam);
    sink->m_events.push_back(delivery->event);
    SetEvent(delivery->done);
    return 0;
}

bool EventSink::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done()) return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= static_cast<DWORD>(timeoutMs)) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

size_t EventSink::count(ReceivedEvent::Kind kind, long number) const {
    return static_cast<size_t>(std::count_if(m_events.begin(), m_events.end(), [&](const auto& e) {
        return e.kind == kind && (kind == ReceivedEvent::Data || e.number == number);
    }));
}

// ---- ServiceObject ---------------------------------------------------------

const std::vector<std::wstring>& ServiceObject::methodNames() {
    static const std::vector<std::wstring> names = {
        L"COFreezeEvents",     L"GetPropertyNumber",      L"SetPropertyNumber",
        L"GetPropertyString",  L"SetPropertyString",      L"OpenService",
        L"CheckHealth",        L"ClaimDevice",            L"CloseService",
        L"DirectIO",           L"ReleaseDevice",          L"DispenseCash",
        L"DispenseChange",     L"ReadCashCounts",         L"ClearInput",
        L"BeginDeposit",       L"EndDeposit",             L"FixDeposit",
        L"PauseDeposit",       L"ResetStatistics",        L"RetrieveStatistics",
        L"UpdateStatistics",   L"CompareFirmwareVersion", L"UpdateFirmware",
        L"AdjustCashCounts"};
    return names;
}

std::unique_ptr<ServiceObject> ServiceObject::create(const std::string& deviceName,
                                                     std::string& error) {
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashChanger\\" + deviceName;
    char progId[256] = "";
    DWORD size = sizeof progId;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, progId,
                     &size) != ERROR_SUCCESS) {
        error = "no ProgID under HKLM\\" + key;
        return nullptr;
    }
    const std::wstring wideProgId(progId, progId + std::char_traits<char>::length(progId));
    CLSID classId;
    if (FAILED(CLSIDFromProgID(wideProgId.c_str(), &classId))) {
        error = std::string("no class for the ProgID ") + progId;
        return nullptr;
    }
    IDispatch* object = nullptr;
    HRESULT created = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&object));
    if (FAILED(created)) {
        error = "CoCreateInstance failed: " + std::to_string(created);
        return nullptr;
    }
    std::unique_ptr<ServiceObject> so(new ServiceObject(object));
    std::vector<std::wstring> names = methodNames();
    names.push_back(L"GetOpenResult");
    for (const std::wstring& name : names) {
        LPOLESTR asked[] = {const_cast<LPOLESTR>(name.c_str())};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(object->GetIDsOfNames(IID_NULL, asked, 1, LOCALE_USER_DEFAULT, &id))) {
            error = "the service object lacks " + std::string(name.begin(), name.end());
            return nullptr;
        }
        so->m_ids[name] = id;
    }
    return so;
}

ServiceObject::~ServiceObject() { m_object->Release(); }

VARIANT ServiceObject::invoke(const std::wstring& method, std::vector<VARIANT> arguments) {
    std::reverse(arguments.begin(), arguments.end());
    DISPPARAMS params = {arguments.empty() ? nullptr : arguments.data(), nullptr,
                         static_cast<UINT>(arguments.size()), 0};
    VARIANT result;
    VariantInit(&result);
    UINT bad = 0;
    HRESULT hr = m_object->Invoke(m_ids.at(method), IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_METHOD, &params, &result, nullptr, &bad);
    for (VARIANT& argument : arguments)
        if (!(argument.vt & VT_BYREF)) VariantClear(&argument);
    if (FAILED(hr)) {
        result.vt = VT_I4;
        result.lVal = -1;
    }
    return result;
}

long ServiceObject::invokeLong(const std::wstring& method, std::vector<VARIANT> arguments) {
    VARIANT result = invoke(method, std::move(arguments));
    return result.vt == VT_I4 ? result.lVal : -2;
}

long ServiceObject::call(const wchar_t* method) { return invokeLong(method, {}); }
long ServiceObject::call(const wchar_t* method, long argument) {
    return invokeLong(method, {longValue(argument)});
}
long ServiceObject::call(const wchar_t* method, const std::string& argument) {
    return invokeLong(method, {textValue(argument)});
}

long ServiceObject::open(const std::string& deviceClass, const std::string& deviceName,
                         IDispatch* sink) {
    VARIANT co;
    VariantInit(&co);
    co.vt = VT_DISPATCH;
    co.pdispVal = sink;
    sink->AddRef();
    return invokeLong(L"OpenService", {textValue(deviceClass), textValue(deviceName), co});
}

long ServiceObject::number(long index) { return call(L"GetPropertyNumber", index); }

void ServiceObject::setNumber(long index, long value) {
    invoke(L"SetPropertyNumber", {longValue(index), longValue(value)});
}

std::string ServiceObject::text(long index) {
    VARIANT result = invoke(L"GetPropertyString", {longValue(index)});
    std::string value = result.vt == VT_BSTR ? narrow(result.bstrVal) : "<not a text>";
    VariantClear(&result);
    return value;
}

long ServiceObject::directIO(long command, long& data, std::string& text) {
    BSTR buffer = wide(text);
    long result = invokeLong(L"DirectIO", {longValue(command), byRef(&data), byRef(&buffer)});
    text = narrow(buffer);
    SysFreeString(buffer);
    return result;
}

long ServiceObject::readCashCounts(std::string& counts, bool& discrepancy) {
    BSTR buffer = wide("unchanged");
    VARIANT flag;
    VariantInit(&flag);
    VARIANT_BOOL value = VARIANT_TRUE;
    flag.vt = VT_BYREF | VT_BOOL;
    flag.pboolVal = &value;
    long result = invokeLong(L"ReadCashCounts", {byRef(&buffer), flag});
    counts = narrow(buffer);
    discrepancy = value != VARIANT_FALSE;
    SysFreeString(buffer);
    return result;
}

long ServiceObject::compareFirmwareVersion(const std::string& file, long& result) {
    return invokeLong(L"CompareFirmwareVersion", {textValue(file), byRef(&result)});
}

long ServiceObject::retrieveStatistics(std::string& buffer) {
    BSTR text = wide(buffer);
    long result = invokeLong(L"RetrieveStatistics", {byRef(&text)});
    buffer = narrow(text);
    SysFreeString(text);
    return result;
}

}  // namespace qxopos_test

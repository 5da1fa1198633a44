// control_object.cpp - the stand-in control object: event delivery
// through a window of the application's thread, and calls into the
// service object by name with VARIANT arguments.
#include "tests/opos/control_object.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>

#include "tests/opos/field.h"

namespace qxopos_test {
namespace {

const UINT kDeliver = WM_APP + 1;
// How long a raising thread waits for the application's thread.
const DWORD kDeliveryWaitMs = 20000;

enum SinkId : DISPID { kSoData = 1, kSoDirectIO, kSoStatusUpdate };

std::string narrow(BSTR text) {
    std::string out;
    for (UINT i = 0; text && i < SysStringLen(text); ++i) out += static_cast<char>(text[i]);
    return out;
}

BSTR wide(const std::string& text) {
    return SysAllocString(std::wstring(text.begin(), text.end()).c_str());
}

VARIANT variant(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}
VARIANT longValue(long value) {
    VARIANT v = variant(VT_I4);
    v.lVal = value;
    return v;
}
VARIANT textValue(const std::string& value) {
    VARIANT v = variant(VT_BSTR);
    v.bstrVal = wide(value);
    return v;
}
VARIANT byRef(long* value) {
    VARIANT v = variant(VT_BYREF | VT_I4);
    v.plVal = value;
    return v;
}

}  // namespace

// ---- EventSink -------------------------------------------------------------

EventSink::EventSink() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &EventSink::windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QXOposStandInEvents";
    RegisterClassA(&windowClass);
    m_window = CreateWindowA("QXOposStandInEvents", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
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
    // A window of this thread's takes it: at once on this thread, else when the thread pumps.
    auto* delivered = new ReceivedEvent(event);
    DWORD_PTR unused = 0;
    if (!SendMessageTimeoutA(m_window, kDeliver, 0, reinterpret_cast<LPARAM>(delivered),
                             SMTO_NORMAL, kDeliveryWaitMs, &unused)) {
        InterlockedIncrement(&m_stuck);  // the window may still reach it: left to leak
        return E_FAIL;
    }
    delete delivered;
    return S_OK;
}

LRESULT CALLBACK EventSink::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kDeliver) return DefWindowProcA(window, message, wParam, lParam);
    auto* sink = reinterpret_cast<EventSink*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    sink->m_events.push_back(*reinterpret_cast<ReceivedEvent*>(lParam));
    return 0;
}

bool EventSink::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    for (const DWORD start = GetTickCount();;
         MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        if (done()) return true;
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
    }
}

size_t EventSink::count(ReceivedEvent::Kind kind, long number) const {
    return static_cast<size_t>(std::count_if(m_events.begin(), m_events.end(), [&](const auto& e) {
        return e.kind == kind && (kind == ReceivedEvent::Data || e.number == number);
    }));
}

// ---- ServiceObject ---------------------------------------------------------

std::unique_ptr<ServiceObject> ServiceObject::create(const std::string& deviceName,
                                                     std::string& error) {
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashChanger\\" + deviceName;
    const std::string progId = registryText(key, nullptr);
    CLSID classId;
    if (progId == "<missing>") {
        error = "no ProgID under HKLM\\" + key;
        return nullptr;
    }
    if (FAILED(CLSIDFromProgID(std::wstring(progId.begin(), progId.end()).c_str(), &classId))) {
        error = "no class for the ProgID " + progId;
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
    for (const wchar_t* name :
         {L"COFreezeEvents", L"GetPropertyNumber", L"SetPropertyNumber", L"GetPropertyString",
          L"SetPropertyString", L"OpenService", L"CheckHealth", L"ClaimDevice", L"CloseService",
          L"DirectIO", L"ReleaseDevice", L"DispenseCash", L"DispenseChange", L"ReadCashCounts",
          L"ClearInput", L"BeginDeposit", L"EndDeposit", L"FixDeposit", L"PauseDeposit",
          L"ResetStatistics", L"RetrieveStatistics", L"UpdateStatistics",
          L"CompareFirmwareVersion", L"UpdateFirmware", L"AdjustCashCounts", L"GetOpenResult"}) {
        LPOLESTR asked[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        if (FAILED(object->GetIDsOfNames(IID_NULL, asked, 1, LOCALE_USER_DEFAULT, &id))) {
            const std::wstring lacking(name);
            error = "the service object lacks " + std::string(lacking.begin(), lacking.end());
            return nullptr;
        }
        so->m_ids[name] = id;
    }
    return so;
}

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

long ServiceObject::call(const wchar_t* method, long argument) {
    return invokeLong(method, {longValue(argument)});
}
long ServiceObject::call(const wchar_t* method, const std::string& argument) {
    return invokeLong(method, {textValue(argument)});
}

long ServiceObject::open(const std::string& deviceClass, const std::string& deviceName,
                         IDispatch* sink) {
    VARIANT co = variant(VT_DISPATCH);
    co.pdispVal = sink;
    sink->AddRef();
    return invokeLong(L"OpenService", {textValue(deviceClass), textValue(deviceName), co});
}

void ServiceObject::setNumber(long index, long value) {
    invoke(L"SetPropertyNumber", {longValue(index), longValue(value)});
}

std::string ServiceObject::text(long index) {
    VARIANT result = invoke(L"GetPropertyString", {longValue(index)});
    std::string value = result.vt == VT_BSTR ? narrow(result.bstrVal) : "<not a text>";
    VariantClear(&result);
    return value;
}

long ServiceObject::invokeWithText(const wchar_t* method, std::vector<VARIANT> arguments,
                                   size_t at, std::string& text) {
    BSTR buffer = wide(text);
    VARIANT reference = variant(VT_BYREF | VT_BSTR);
    reference.pbstrVal = &buffer;
    arguments.insert(arguments.begin() + at, reference);
    long result = invokeLong(method, std::move(arguments));
    text = narrow(buffer);
    SysFreeString(buffer);
    return result;
}

long ServiceObject::directIO(long command, long& data, std::string& text) {
    return invokeWithText(L"DirectIO", {longValue(command), byRef(&data)}, 2, text);
}

long ServiceObject::readCashCounts(std::string& counts, bool& discrepancy) {
    VARIANT_BOOL value = VARIANT_TRUE;
    VARIANT flag = variant(VT_BYREF | VT_BOOL);
    flag.pboolVal = &value;
    counts = "unchanged";
    long result = invokeWithText(L"ReadCashCounts", {flag}, 0, counts);
    discrepancy = value != VARIANT_FALSE;
    return result;
}

long ServiceObject::compareFirmwareVersion(const std::string& file, long& result) {
    return invokeLong(L"CompareFirmwareVersion", {textValue(file), byRef(&result)});
}

long ServiceObject::retrieveStatistics(std::string& buffer) {
    return invokeWithText(L"RetrieveStatistics", {}, 0, buffer);
}

}  // namespace qxopos_test

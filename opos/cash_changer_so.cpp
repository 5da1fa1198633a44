// cash_changer_so.cpp - the method table of the dispatch interface: the
// 25 methods of a 1.15 CashChanger service object and GetOpenResult, each
// with its arguments in declared order, its out-parameters and its long
// result (GetPropertyString's is the text; the property setters have
// none, their outcome is in ResultCode).
#include "opos/cash_changer_so.h"

#include <oleauto.h>

#include "opos/dispatch_args.h"
#include "opos/module.h"
#include "opos/text.h"

namespace qxopos {
namespace {

using Call = HRESULT (*)(Service&, const DispatchArgs&, VARIANT*, UINT*);

struct Method {
    const wchar_t* name;
    UINT arguments;
    Call call;
};

HRESULT answer(VARIANT* result, long value) {
    if (result) {
        result->vt = VT_I4;
        result->lVal = value;
    }
    return S_OK;
}

// Each entry reads its arguments; the first one of the wrong type ends
// the call with DISP_E_TYPEMISMATCH before the service sees it.
#define ARG(read) \
    do { \
        HRESULT hr = (read); \
        if (FAILED(hr)) return hr; \
    } while (0)

// The common shapes: no argument, one number, one text; each answers the
// service's long result.
template <long (Service::*Member)()>
HRESULT noArguments(Service& s, const DispatchArgs&, VARIANT* r, UINT*) {
    return answer(r, (s.*Member)());
}

template <long (Service::*Member)(long)>
HRESULT oneNumber(Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) {
    long value = 0;
    ARG(a.number(0, value, bad));
    return answer(r, (s.*Member)(value));
}

template <long (Service::*Member)(const std::string&)>
HRESULT oneText(Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) {
    std::string value;
    ARG(a.text(0, value, bad));
    return answer(r, (s.*Member)(value));
}

const Method kMethods[] = {
    {L"COFreezeEvents", 1,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         long freeze = 0;
         ARG(a.number(0, freeze, bad));
         return answer(r, s.freezeEvents(freeze != 0));
     }},
    {L"GetPropertyNumber", 1, oneNumber<&Service::getPropertyNumber>},
    {L"SetPropertyNumber", 2,
     [](Service& s, const DispatchArgs& a, VARIANT*, UINT* bad) -> HRESULT {
         long index = 0, value = 0;
         ARG(a.number(0, index, bad));
         ARG(a.number(1, value, bad));
         s.setPropertyNumber(index, value);
         return S_OK;
     }},
    {L"GetPropertyString", 1,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         long index = 0;
         ARG(a.number(0, index, bad));
         const std::string value = s.getPropertyString(index);
         if (r) {
             r->vt = VT_BSTR;
             r->bstrVal = toBstr(value);
         }
         return S_OK;
     }},
    {L"SetPropertyString", 2,
     [](Service& s, const DispatchArgs& a, VARIANT*, UINT* bad) -> HRESULT {
         long index = 0;
         std::string value;
         ARG(a.number(0, index, bad));
         ARG(a.text(1, value, bad));
         s.setPropertyString(index, value);
         return S_OK;
     }},
    {L"OpenService", 3,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         std::string deviceClass, deviceName;
         IDispatch* co = nullptr;
         ARG(a.text(0, deviceClass, bad));
         ARG(a.text(1, deviceName, bad));
         ARG(a.dispatch(2, co, bad));
         const long result = s.openService(deviceClass, deviceName, co);
         co->Release();
         return answer(r, result);
     }},
    {L"CheckHealth", 1, oneNumber<&Service::checkHealth>},
    {L"ClaimDevice", 1, oneNumber<&Service::claimDevice>},
    {L"CloseService", 0, noArguments<&Service::closeService>},
    {L"DirectIO", 3,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         long command = 0, data = 0;
         std::string text;
         ARG(a.number(0, command, bad));
         ARG(a.number(1, data, bad));
         ARG(a.text(2, text, bad));
         const long result = s.directIO(command, data, text);
         ARG(a.setNumber(1, data, bad));
         ARG(a.setText(2, text, bad));
         return answer(r, result);
     }},
    {L"ReleaseDevice", 0, noArguments<&Service::releaseDevice>},
    {L"DispenseCash", 1, oneText<&Service::dispenseCash>},
    {L"DispenseChange", 1, oneNumber<&Service::dispenseChange>},
    {L"ReadCashCounts", 2,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         std::string counts;
         bool discrepancy = false;
         const long result = s.readCashCounts(counts, discrepancy);
         ARG(a.setText(0, counts, bad));
         ARG(a.setBool(1, discrepancy, bad));
         return answer(r, result);
     }},
    {L"ClearInput", 0, noArguments<&Service::clearInput>},
    {L"BeginDeposit", 0, noArguments<&Service::beginDeposit>},
    {L"EndDeposit", 1, oneNumber<&Service::endDeposit>},
    {L"FixDeposit", 0, noArguments<&Service::fixDeposit>},
    {L"PauseDeposit", 1, oneNumber<&Service::pauseDeposit>},
    {L"ResetStatistics", 1, oneText<&Service::resetStatistics>},
    {L"RetrieveStatistics", 1,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         std::string buffer;
         ARG(a.text(0, buffer, bad));
         const long result = s.retrieveStatistics(buffer);
         ARG(a.setText(0, buffer, bad));
         return answer(r, result);
     }},
    {L"UpdateStatistics", 1, oneText<&Service::updateStatistics>},
    {L"CompareFirmwareVersion", 2,
     [](Service& s, const DispatchArgs& a, VARIANT* r, UINT* bad) -> HRESULT {
         std::string file;
         long outcome = 0;
         ARG(a.text(0, file, bad));
         const long result = s.compareFirmwareVersion(file, outcome);
         ARG(a.setNumber(1, outcome, bad));
         return answer(r, result);
     }},
    {L"UpdateFirmware", 1, oneText<&Service::updateFirmware>},
    {L"AdjustCashCounts", 1, oneText<&Service::adjustCashCounts>},
    {L"GetOpenResult", 0,
     [](Service& s, const DispatchArgs&, VARIANT* r, UINT*) -> HRESULT {
         return answer(r, s.getOpenResult());
     }},
};
#undef ARG

constexpr DISPID kFirstId = 1;
constexpr DISPID kMethodCount = static_cast<DISPID>(sizeof kMethods / sizeof kMethods[0]);

}  // namespace

CashChangerSO::CashChangerSO() { moduleAddRef(); }
CashChangerSO::~CashChangerSO() { moduleRelease(); }

HRESULT STDMETHODCALLTYPE CashChangerSO::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CashChangerSO::AddRef() { return ++m_references; }

ULONG STDMETHODCALLTYPE CashChangerSO::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE CashChangerSO::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CashChangerSO::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE CashChangerSO::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                       DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Argument names are not offered: only the method name (the first).
        for (DISPID m = 0; i == 0 && m < kMethodCount; ++m)
            if (names[0] && _wcsicmp(names[0], kMethods[m].name) == 0) ids[0] = kFirstId + m;
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE CashChangerSO::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                                DISPPARAMS* params, VARIANT* result,
                                                EXCEPINFO*, UINT* badArgument) {
    if (id < kFirstId || id >= kFirstId + kMethodCount) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params) return E_INVALIDARG;
    if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    const Method& method = kMethods[id - kFirstId];
    if (params->cArgs != method.arguments) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    // Keeps the object alive should the control object release it from
    // inside an event of this call.
    AddRef();
    HRESULT outcome = method.call(m_service, DispatchArgs(params), result, badArgument);
    Release();
    return outcome;
}

}  // namespace qxopos

// dispatch_args.cpp - VARIANT arguments in and out.
#include "opos/dispatch_args.h"

#include <oleauto.h>

#include "opos/text.h"

namespace qxopos {

VARIANT* DispatchArgs::at(UINT position) const {
    return position < count() ? &m_params->rgvarg[index(position)] : nullptr;
}

HRESULT DispatchArgs::mismatch(UINT position, UINT* bad) const {
    if (bad) *bad = position < count() ? index(position) : 0;
    return DISP_E_TYPEMISMATCH;
}

HRESULT DispatchArgs::number(UINT position, long& value, UINT* bad) const {
    VARIANT* arg = at(position);
    VARIANT converted;
    VariantInit(&converted);
    if (!arg || FAILED(VariantChangeType(&converted, arg, 0, VT_I4)))
        return mismatch(position, bad);
    value = converted.lVal;
    return S_OK;
}

HRESULT DispatchArgs::text(UINT position, std::string& value, UINT* bad) const {
    VARIANT* arg = at(position);
    VARIANT converted;
    VariantInit(&converted);
    if (!arg || FAILED(VariantChangeType(&converted, arg, 0, VT_BSTR)))
        return mismatch(position, bad);
    value = fromBstr(converted.bstrVal);
    VariantClear(&converted);
    return S_OK;
}

HRESULT DispatchArgs::dispatch(UINT position, IDispatch*& value, UINT* bad) const {
    VARIANT* arg = at(position);
    value = nullptr;
    if (!arg) return mismatch(position, bad);
    IUnknown* unknown = nullptr;
    switch (arg->vt) {
    case VT_DISPATCH:
    case VT_UNKNOWN: unknown = arg->punkVal; break;
    case VT_BYREF | VT_DISPATCH:
    case VT_BYREF | VT_UNKNOWN: unknown = arg->ppunkVal ? *arg->ppunkVal : nullptr; break;
    default: return mismatch(position, bad);
    }
    if (!unknown ||
        FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&value))))
        return mismatch(position, bad);
    return S_OK;
}

HRESULT DispatchArgs::setNumber(UINT position, long value, UINT* bad) const {
    VARIANT* arg = at(position);
    if (arg && arg->vt == (VT_BYREF | VT_I4) && arg->plVal) {
        *arg->plVal = value;
        return S_OK;
    }
    if (arg && arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) {
        VariantClear(arg->pvarVal);
        arg->pvarVal->vt = VT_I4;
        arg->pvarVal->lVal = value;
        return S_OK;
    }
    return mismatch(position, bad);
}

HRESULT DispatchArgs::setText(UINT position, const std::string& value, UINT* bad) const {
    VARIANT* arg = at(position);
    if (arg && arg->vt == (VT_BYREF | VT_BSTR) && arg->pbstrVal) {
        SysFreeString(*arg->pbstrVal);
        *arg->pbstrVal = toBstr(value);
        return S_OK;
    }
    if (arg && arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) {
        VariantClear(arg->pvarVal);
        arg->pvarVal->vt = VT_BSTR;
        arg->pvarVal->bstrVal = toBstr(value);
        return S_OK;
    }
    return mismatch(position, bad);
}

HRESULT DispatchArgs::setBool(UINT position, bool value, UINT* bad) const {
    VARIANT* arg = at(position);
    const VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
    if (arg && arg->vt == (VT_BYREF | VT_BOOL) && arg->pboolVal) {
        *arg->pboolVal = flag;
        return S_OK;
    }
    if (arg && arg->vt == (VT_BYREF | VT_I4) && arg->plVal) {
        *arg->plVal = value ? 1 : 0;
        return S_OK;
    }
    if (arg && arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) {
        VariantClear(arg->pvarVal);
        arg->pvarVal->vt = VT_BOOL;
        arg->pvarVal->boolVal = flag;
        return S_OK;
    }
    return mismatch(position, bad);
}

}  // namespace qxopos

// dispatch_args.h - the arguments of one IDispatch::Invoke call, read in
// the method's declared order although COM hands them over in reverse,
// with by-reference out-parameters written back.
#ifndef QX_OPOS_DISPATCH_ARGS_H
#define QX_OPOS_DISPATCH_ARGS_H

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace qxopos {

class DispatchArgs {
public:
    explicit DispatchArgs(DISPPARAMS* params) : m_params(params) {}

    UINT count() const { return m_params ? m_params->cArgs : 0; }
    // By value (a by-reference argument is read through); each answers S_OK
    // or DISP_E_TYPEMISMATCH, with the argument's position in bad.
    HRESULT number(UINT position, long& value, UINT* bad) const;
    HRESULT text(UINT position, std::string& value, UINT* bad) const;
    HRESULT dispatch(UINT position, IDispatch*& value, UINT* bad) const;
    // Out-parameters: the argument must be by reference.
    HRESULT setNumber(UINT position, long value, UINT* bad) const;
    HRESULT setText(UINT position, const std::string& value, UINT* bad) const;
    HRESULT setBool(UINT position, bool value, UINT* bad) const;

private:
    VARIANT* at(UINT position) const;
    UINT index(UINT position) const { return m_params->cArgs - 1 - position; }
    HRESULT mismatch(UINT position, UINT* bad) const;

    DISPPARAMS* m_params;
};

}  // namespace qxopos

#endif  // QX_OPOS_DISPATCH_ARGS_H

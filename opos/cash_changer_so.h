// cash_changer_so.h - the COM object a control object creates from the
// ProgID: IDispatch only (late bound), its methods found by name.
#ifndef QX_OPOS_CASH_CHANGER_SO_H
#define QX_OPOS_CASH_CHANGER_SO_H

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "opos/service.h"

namespace qxopos {

class CashChangerSO final : public IDispatch {
public:
    CashChangerSO();
    ~CashChangerSO();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* badArgument) override;

private:
    std::atomic<ULONG> m_references{1};
    Service m_service;
};

}  // namespace qxopos

#endif  // QX_OPOS_CASH_CHANGER_SO_H

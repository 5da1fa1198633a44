// module.cpp - the DLL's entry points for COM: DllMain, DllGetClassObject
// with the class factory, and DllCanUnloadNow.
#include "opos/module.h"

#include <objbase.h>

#include <atomic>
#include <new>

#include "opos/cash_changer_so.h"

namespace qxopos {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_references{0};

// The class id of kClassIdText.
const CLSID kClassId = {0x6c1e3b52, 0x8a47, 0x4f0d, {0x9d, 0x2b, 0x5e, 0x7a, 0x0c, 0x4f, 0x9b, 0x31}};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references only keep the module.
    ULONG STDMETHODCALLTYPE AddRef() override {
        moduleAddRef();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        moduleRelease();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        CashChangerSO* so = new (std::nothrow) CashChangerSO();
        if (!so) return E_OUTOFMEMORY;
        HRESULT result = so->QueryInterface(iid, object);
        so->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? moduleAddRef() : moduleRelease();
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

HMODULE thisModule() { return g_module; }
void moduleAddRef() { g_references.fetch_add(1); }
void moduleRelease() { g_references.fetch_sub(1); }

}  // namespace qxopos

using namespace qxopos;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (classId != kClassId) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return g_references.load() == 0 ? S_OK : S_FALSE; }

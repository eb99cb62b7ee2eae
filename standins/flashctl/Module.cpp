// The control's module: DllMain, the class factory and the two exports a COM server has.
#include <windows.h>
#include <ole2.h>

#include "FlashControl.h"
#include "UniqueHandle.h"
#include "Record.h"

using flashctl::g_liveObjects;
using flashctl::g_serverLocks;
using flashctl::Record;

namespace {

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory() { InterlockedIncrement(&g_liveObjects); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    // The caller's reference (if any) is the only one left.
    const auto control =
        quenda::com_ptr<flashctl::FlashControl>::attach(new flashctl::FlashControl());
    return control->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_serverLocks);
    } else {
      InterlockedDecrement(&g_serverLocks);
    }
    return S_OK;
  }

 private:
  ~ClassFactory() { InterlockedDecrement(&g_liveObjects); }
  LONG refs_ = 1;
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    flashctl::SetModule(instance);
    Record("load");
  } else if (reason == DLL_PROCESS_DETACH) {
    // "free": unloaded by FreeLibrary; "exit": still loaded when the process ended.
    Record("unload %s live=%ld locks=%ld", reserved ? "exit" : "free", g_liveObjects,
           g_serverLocks);
    flashctl::CloseRecord();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, quillon::CLSID_ShockwaveFlash) || flashctl::SwitchSet("refuse-class")) {
    Record("DllGetClassObject refused");
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  const auto factory = quenda::com_ptr<ClassFactory>::attach(new ClassFactory());
  return factory->QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const HRESULT hr = g_liveObjects == 0 && g_serverLocks == 0 ? S_OK : S_FALSE;
  Record("DllCanUnloadNow %s", hr == S_OK ? "S_OK" : "S_FALSE");
  return hr;
}

// The COM object of the add-in class FPKestrova, as the host creates it.
#ifndef KESTROVA_ADDIN_COM_FPKESTROVA_COM_H_
#define KESTROVA_ADDIN_COM_FPKESTROVA_COM_H_

#include <atomic>
#include <memory>

#include "addin/com/dispatch_from_type_info.h"
#include "addin/com/module_state.h"
#include "addin/com/windows_addin.h"
#include "kestrova_frontpage_addin.h"
#include "platform/win32/com/com_ptr.h"

namespace kestrova::com {

// The add-in object: its default interface _FPKestrova (dual, no members of its own) and the host's
// connection interface IDTExtensibility2 (dual), both reached by QueryInterface on one identity and
// one reference count. Each IDispatch half answers from its own interface's type description. The
// connection calls go to the portable add-in; a failure comes back as the call's HRESULT with the
// add-in's message as the thread's error object (ISupportErrorInfo). No exception leaves any
// method.
class FPKestrovaCom final : private TypeInfoSource,
                            public DispatchFromTypeInfo<_FPKestrova>,
                            public DispatchFromTypeInfo<IDTExtensibility2>,
                            public ISupportErrorInfo {
 public:
  // Creates a new object, not yet bound to any host application, and queries it for `iid` into
  // `object`. Calls nothing of FrontPage: OnConnection binds the application it hands over.
  static HRESULT Create(REFIID iid, void** object) noexcept;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connect_mode,
                                         IDispatch* add_in_inst, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode remove_mode,
                                            SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  // ISupportErrorInfo: both of the object's interfaces report their failures.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  explicit FPKestrovaCom(std::unique_ptr<WindowsAddin> addin) noexcept;
  ~FPKestrovaCom() = default;

  // TypeInfoSource: loads each description on first use and keeps it for the object's life.
  HRESULT InterfaceTypeInfo(REFIID iid, ITypeInfo** info) noexcept override;

  std::atomic<ULONG> references_{1};
  ModuleObjectCount counted_;
  std::unique_ptr<WindowsAddin> addin_;
  win32::ComPtr<ITypeInfo> default_info_;
  win32::ComPtr<ITypeInfo> extensibility_info_;
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_FPKESTROVA_COM_H_

#include "addin/com/fpkestrova_com.h"

#include <new>
#include <utility>

#include "addin/com/class_record.h"
#include "addin/com/error_info.h"
#include "addin/com/type_info_lookup.h"
#include "host/frontpage/event_sink.h"
#include "host/frontpage/frontpage_application.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::com {

using DefaultDispatch = DispatchFromTypeInfo<_FPKestrova>;
using ExtensibilityDispatch = DispatchFromTypeInfo<IDTExtensibility2>;

FPKestrovaCom::FPKestrovaCom(std::unique_ptr<WindowsAddin> addin) noexcept
    : DefaultDispatch(kFPKestrovaInterfaceId, *this),
      ExtensibilityDispatch(kExtensibilityInterfaceId, *this),
      addin_(std::move(addin)) {}

HRESULT FPKestrovaCom::Create(REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // Creation asks FrontPage for nothing. At start-up FrontPage loads its add-ins before it
  // registers its application in the running object table and its class object with COM; a
  // creation that failed for want of the application would make FrontPage switch the add-in off
  // for good (LoadBehavior 2), and a CoCreateInstance of FrontPage's class made before its class
  // object is registered makes COM start a second FrontPage process, invisible, that nobody
  // closes. So neither GetActiveObject nor CoCreateInstance is called at all: OnConnection hands
  // over the application that loads the add-in, which is always the right one.
  std::unique_ptr<WindowsAddin> addin;
  const HRESULT made = GuardWithErrorInfo(IID_IUnknown, [&] {
    addin = std::make_unique<WindowsAddin>();
    return S_OK;
  });
  if (FAILED(made)) return made;
  auto* created = new (std::nothrow) FPKestrovaCom(std::move(addin));
  if (created == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = created->QueryInterface(iid, object);
  created->Release();
  return result;
}

HRESULT FPKestrovaCom::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kFPKestrovaInterfaceId)) {
    *object = static_cast<_FPKestrova*>(static_cast<DefaultDispatch*>(this));
  } else if (IsEqualIID(iid, kExtensibilityInterfaceId)) {
    *object = static_cast<IDTExtensibility2*>(static_cast<ExtensibilityDispatch*>(this));
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG FPKestrovaCom::AddRef() { return ++references_; }

ULONG FPKestrovaCom::Release() {
  const ULONG left = --references_;
  if (left == 0) {
    // Released from inside one of the add-in's own event handlers (the host's messages run
    // during a publish's wait or a modal window), the object goes only once that handler has
    // returned: the handler is still using it. A host that is closing frees its objects as soon
    // as this release has returned to it, long before the handler returns: whatever of them the
    // handler and the object still hold is let go of without a Release, which would run code of
    // a freed object.
    if (host::frontpage::EventSink::InsideEvents() && win32::HostCallsRefused()) {
      win32::AbandonHostObjects();
    }
    try {
      host::frontpage::EventSink::RunAfterEvents([this] { delete this; });
    } catch (...) {
      delete this;
    }
  }
  return left;
}

HRESULT FPKestrovaCom::OnConnection(IDispatch* application, ext_ConnectMode, IDispatch*,
                                    SAFEARRAY**) {
  return GuardWithErrorInfo(kExtensibilityInterfaceId, [&] {
    if (application == nullptr) {
      RaiseProgramError(kErrObjectNotSet, "OnConnection received no host application.");
    }
    // A host that connects is live: its objects may be called (again, after a shutdown).
    win32::RefuseHostCalls(false);
    FPKestrova& addin = addin_->addin();
    const auto* bound = dynamic_cast<const host::FrontPageApplication*>(addin.fpApp().get());
    if (bound == nullptr || !bound->Holds(application)) {
      // The application handed over becomes fpApp: its web events reach the add-in and every
      // host call goes to it (a connection after a shutdown binds it anew).
      auto handed_over =
          std::make_shared<host::FrontPageApplication>(win32::ComPtr<IDispatch>(application));
      addin.BindApplication(handed_over);
    }
    addin.OnConnection(*addin.fpApp());
    return S_OK;
  });
}

HRESULT FPKestrovaCom::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  return GuardWithErrorInfo(kExtensibilityInterfaceId, [&] {
    addin_->addin().OnDisconnection();
    return S_OK;
  });
}

HRESULT FPKestrovaCom::OnAddInsUpdate(SAFEARRAY**) {
  addin_->addin().OnAddInsUpdate();
  return S_OK;
}

HRESULT FPKestrovaCom::OnStartupComplete(SAFEARRAY**) {
  addin_->addin().OnStartupComplete();
  return S_OK;
}

HRESULT FPKestrovaCom::OnBeginShutdown(SAFEARRAY**) {
  return GuardWithErrorInfo(kExtensibilityInterfaceId, [&] {
    addin_->addin().OnBeginShutdown();
    // FrontPage is closing, and may go on to tear itself down while one of our windows still
    // waits (it keeps running under them): from now on nothing of ours calls its objects, which
    // may be gone at any moment, and a publish under way stops as after Cancel.
    win32::RefuseHostCalls(true);
    addin_->CancelWork();
    return S_OK;
  });
}

HRESULT FPKestrovaCom::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, kExtensibilityInterfaceId) || IsEqualIID(iid, kFPKestrovaInterfaceId)
             ? S_OK
             : S_FALSE;
}

HRESULT FPKestrovaCom::InterfaceTypeInfo(REFIID iid, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  win32::ComPtr<ITypeInfo>* cached = nullptr;
  if (IsEqualIID(iid, kFPKestrovaInterfaceId)) {
    cached = &default_info_;
  } else if (IsEqualIID(iid, kExtensibilityInterfaceId)) {
    cached = &extensibility_info_;
  } else {
    return E_NOINTERFACE;
  }
  return win32::GuardComCall([&] {
    if (!*cached) {
      const win32::ComPtr<ITypeLib> library = LoadModuleTypeLibrary();
      *cached = FindInterfaceTypeInfo(*library.Get(), iid);
    }
    return cached->CopyTo(info);
  });
}

}  // namespace kestrova::com

#include "addin/com/fpkestrova_com.h"

#include <new>

#include "addin/com/class_record.h"
#include "addin/com/type_info_lookup.h"
#include "platform/win32/com_failure.h"

namespace kestrova::com {

using DefaultDispatch = DispatchFromTypeInfo<_FPKestrova>;
using ExtensibilityDispatch = DispatchFromTypeInfo<IDTExtensibility2>;

FPKestrovaCom::FPKestrovaCom() noexcept
    : DefaultDispatch(kFPKestrovaInterfaceId, *this),
      ExtensibilityDispatch(kExtensibilityInterfaceId, *this) {}

HRESULT FPKestrovaCom::Create(REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  auto* created = new (std::nothrow) FPKestrovaCom();
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
  if (left == 0) delete this;
  return left;
}

HRESULT FPKestrovaCom::OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  return S_OK;
}

HRESULT FPKestrovaCom::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) { return S_OK; }

HRESULT FPKestrovaCom::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }

HRESULT FPKestrovaCom::OnStartupComplete(SAFEARRAY**) { return S_OK; }

HRESULT FPKestrovaCom::OnBeginShutdown(SAFEARRAY**) { return S_OK; }

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

#include "addin/com/type_info_lookup.h"

#include <string>

#include "addin/com/module_state.h"
#include "platform/win32/com/com_failure.h"

namespace kestrova::com {
namespace {

using win32::ComPtr;
using win32::ThrowIfFailed;

// Attributes of one type description, released when done.
class TypeAttributes {
 public:
  explicit TypeAttributes(ITypeInfo& info) : info_(info) {
    ThrowIfFailed(info_.GetTypeAttr(&attributes_), "ITypeInfo::GetTypeAttr");
  }
  ~TypeAttributes() { info_.ReleaseTypeAttr(attributes_); }
  TypeAttributes(const TypeAttributes&) = delete;
  TypeAttributes& operator=(const TypeAttributes&) = delete;

  const TYPEATTR* operator->() const noexcept { return attributes_; }

 private:
  ITypeInfo& info_;
  TYPEATTR* attributes_ = nullptr;
};

// A dual interface is described twice, as a dispatch interface and as a vtable interface; the
// vtable description is the one that DispInvoke calls through.
ComPtr<ITypeInfo> VtableView(ComPtr<ITypeInfo> info) {
  bool dual_dispatch = false;
  {
    const TypeAttributes attributes(*info.Get());
    dual_dispatch =
        attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0;
  }
  if (!dual_dispatch) return info;
  HREFTYPE vtable = 0;
  ThrowIfFailed(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable),
                "ITypeInfo::GetRefTypeOfImplType");
  ComPtr<ITypeInfo> view;
  ThrowIfFailed(info->GetRefTypeInfo(vtable, view.Put()), "ITypeInfo::GetRefTypeInfo");
  return view;
}

}  // namespace

ComPtr<ITypeLib> LoadModuleTypeLibrary() {
  const std::wstring path = ModulePath();
  ComPtr<ITypeLib> library;
  ThrowIfFailed(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()), "LoadTypeLibEx");
  return library;
}

ComPtr<ITypeInfo> FindInterfaceTypeInfo(ITypeLib& library, REFIID iid) {
  ComPtr<ITypeInfo> own;
  if (SUCCEEDED(library.GetTypeInfoOfGuid(iid, own.Put()))) return VtableView(own);

  // Not described here: look through the interfaces that the library's classes implement.
  const UINT count = library.GetTypeInfoCount();
  for (UINT index = 0; index < count; ++index) {
    TYPEKIND kind = TKIND_MAX;
    ThrowIfFailed(library.GetTypeInfoType(index, &kind), "ITypeLib::GetTypeInfoType");
    if (kind != TKIND_COCLASS) continue;
    ComPtr<ITypeInfo> coclass;
    ThrowIfFailed(library.GetTypeInfo(index, coclass.Put()), "ITypeLib::GetTypeInfo");
    WORD implemented = 0;
    {
      const TypeAttributes attributes(*coclass.Get());
      implemented = attributes->cImplTypes;
    }
    for (UINT slot = 0; slot < implemented; ++slot) {
      HREFTYPE reference = 0;
      ThrowIfFailed(coclass->GetRefTypeOfImplType(slot, &reference),
                    "ITypeInfo::GetRefTypeOfImplType");
      ComPtr<ITypeInfo> candidate;
      ThrowIfFailed(coclass->GetRefTypeInfo(reference, candidate.Put()),
                    "ITypeInfo::GetRefTypeInfo");
      bool match = false;
      {
        const TypeAttributes attributes(*candidate.Get());
        match = IsEqualIID(attributes->guid, iid) != FALSE;
      }
      if (match) return VtableView(candidate);
    }
  }
  throw win32::FailureFromHresult(TYPE_E_ELEMENTNOTFOUND, "FindInterfaceTypeInfo");
}

}  // namespace kestrova::com

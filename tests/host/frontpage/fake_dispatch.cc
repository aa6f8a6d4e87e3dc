#include "tests/host/frontpage/fake_dispatch.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace kestrova::testing {
namespace {

HRESULT STDMETHODCALLTYPE FillDeferred(EXCEPINFO* exception) {
  exception->scode = kDeferredScode;
  exception->bstrSource = SysAllocString(kDeferredSource);
  exception->bstrDescription = SysAllocString(kDeferredDescription);
  return S_OK;
}

}  // namespace

std::vector<RecordedCall> CallLog::Of(std::wstring_view member) const {
  std::vector<RecordedCall> found;
  for (const auto& call : calls_) {
    if (call.member == member) found.push_back(call);
  }
  return found;
}

FakeDispatch::~FakeDispatch() {
  if (type_info_ != nullptr) type_info_->Release();
}

void FakeDispatch::OfferTypeInfo(ITypeInfo* info, TypeInfoRoute route) {
  if (info != nullptr) info->AddRef();
  if (type_info_ != nullptr) type_info_->Release();
  type_info_ = info;
  type_info_route_ = route;
}

HRESULT FakeDispatch::GetClassInfo(ITypeInfo** info) {
  if (CountIfDead(L"GetClassInfo")) return RPC_E_DISCONNECTED;
  if (info == nullptr) return E_POINTER;
  *info = type_info_route_ == TypeInfoRoute::kProvideClassInfo ? type_info_ : nullptr;
  if (*info == nullptr) return E_NOTIMPL;
  (*info)->AddRef();
  return S_OK;
}

void FakeDispatch::Define(std::wstring name, DISPID id, WORD accepted, FakeMember member) {
  members_.push_back(Member{std::move(name), id, accepted, std::move(member)});
}

FakeConnectionPoint& FakeDispatch::AddConnectionPoint(const IID& iid, std::wstring name) {
  points_.push_back(std::make_unique<FakeConnectionPoint>(iid, std::move(name), *this));
  return *points_.back();
}

FakeConnectionPoint* FakeDispatch::ConnectionPoint(const IID& iid) const {
  for (const auto& point : points_) {
    if (IsEqualIID(point->iid(), iid)) return point.get();
  }
  return nullptr;
}

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** object) {
  if (CountIfDead(L"QueryInterface")) return RPC_E_DISCONNECTED;
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(iid, IID_IConnectionPointContainer) && !points_.empty()) {
    *object = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(iid, IID_IProvideClassInfo) && type_info_ != nullptr &&
      type_info_route_ == TypeInfoRoute::kProvideClassInfo) {
    *object = static_cast<IProvideClassInfo*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT FakeDispatch::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (CountIfDead(L"EnumConnectionPoints")) return RPC_E_DISCONNECTED;
  if (points != nullptr) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT FakeDispatch::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (CountIfDead(L"FindConnectionPoint")) return RPC_E_DISCONNECTED;
  if (point == nullptr) return E_POINTER;
  *point = ConnectionPoint(iid);
  if (*point == nullptr) return CONNECT_E_NOCONNECTION;
  (*point)->AddRef();
  return S_OK;
}

bool FakeDispatch::OffersTypeInfo() const {
  return type_info_ != nullptr && type_info_route_ == TypeInfoRoute::kGetTypeInfo;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
  if (CountIfDead(L"GetTypeInfoCount")) return RPC_E_DISCONNECTED;
  if (count == nullptr) return E_POINTER;
  *count = OffersTypeInfo() ? 1 : 0;
  return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (CountIfDead(L"GetTypeInfo")) return RPC_E_DISCONNECTED;
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0 || !OffersTypeInfo()) return DISP_E_BADINDEX;
  *info = type_info_;
  type_info_->AddRef();
  return S_OK;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (CountIfDead(L"GetIDsOfNames")) return RPC_E_DISCONNECTED;
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const auto& member : members_) {
    if (SameTextNoCase(member.name, names[0])) {
      ids[0] = member.id;
      break;
    }
  }
  if (ids[0] == DISPID_UNKNOWN || count > 1) result = DISP_E_UNKNOWNNAME;
  return result;
}

HRESULT FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* exception, UINT*) {
  const Member* found = nullptr;
  for (const auto& member : members_) {
    if (member.id == id) found = &member;
  }
  if (CountIfDead(found != nullptr ? found->name.c_str() : L"Invoke")) return RPC_E_DISCONNECTED;
  if (params == nullptr) return E_INVALIDARG;
  if (found == nullptr || (found->accepted & flags) == 0) return DISP_E_MEMBERNOTFOUND;

  RecordedCall record{name_, found->name, flags, {}, false};
  FakeCall call{flags, {}};
  for (UINT i = params->cArgs; i > 0; --i) {
    const VARIANT& argument = params->rgvarg[i - 1];
    call.arguments.push_back(&argument);
    record.arguments.push_back(RecordedArgument{V_VT(&argument), ArgumentText(argument)});
  }
  record.named_put = params->cNamedArgs == 1 && params->rgdispidNamedArgs != nullptr &&
                     params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
  log_.Add(record);
  // Automation requires the value of a put to come as the named argument.
  if ((flags & DISPATCH_PROPERTYPUT) != 0 && !record.named_put) return DISP_E_PARAMNOTOPTIONAL;
  if (result != nullptr) VariantInit(result);
  return found->handler(call, result, exception);
}

HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
  if (result == nullptr) return E_POINTER;
  if (object != nullptr) object->AddRef();
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
  return S_OK;
}

HRESULT ReturnText(VARIANT* result, std::wstring_view text) {
  if (result == nullptr) return E_POINTER;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return S_OK;
}

HRESULT ReturnInt32(VARIANT* result, std::int32_t value) {
  if (result == nullptr) return E_POINTER;
  V_VT(result) = VT_I4;
  V_I4(result) = value;
  return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool value) {
  if (result == nullptr) return E_POINTER;
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT RaiseHostError(EXCEPINFO* exception, HRESULT scode, std::wstring_view source,
                       std::wstring_view description) {
  if (exception == nullptr) return scode;
  *exception = EXCEPINFO{};
  exception->scode = scode;
  exception->bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
  exception->bstrDescription =
      SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  return DISP_E_EXCEPTION;
}

HRESULT RaiseDeferredHostError(EXCEPINFO* exception) {
  if (exception == nullptr) return kDeferredScode;
  *exception = EXCEPINFO{};
  exception->pfnDeferredFillIn = FillDeferred;
  return DISP_E_EXCEPTION;
}

std::wstring ArgumentText(const VARIANT& argument) {
  switch (V_VT(&argument)) {
    case VT_I2:
      return std::to_wstring(V_I2(&argument));
    case VT_I4:
      return std::to_wstring(V_I4(&argument));
    case VT_BOOL:
      return std::to_wstring(V_BOOL(&argument));
    case VT_BSTR:
      return V_BSTR(&argument) == nullptr
                 ? std::wstring()
                 : std::wstring(V_BSTR(&argument), SysStringLen(V_BSTR(&argument)));
    case VT_ERROR: {
      wchar_t text[16];
      std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(V_ERROR(&argument)));
      return text;
    }
    default:
      return L"?";
  }
}

bool SameTextNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

bool ArgumentIsMissing(const VARIANT& argument) {
  return V_VT(&argument) == VT_ERROR && V_ERROR(&argument) == DISP_E_PARAMNOTFOUND;
}

}  // namespace kestrova::testing

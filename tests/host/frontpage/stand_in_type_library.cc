#include "tests/host/frontpage/stand_in_type_library.h"

#include <oleauto.h>

#include <stdexcept>
#include <string>

#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {
namespace {

// The library's own id, made up for the tests.
constexpr GUID kLibraryId = {
    0x5B0E3C71, 0x2A94, 0x4F6D, {0x8C, 0x15, 0x7E, 0x2D, 0x90, 0x4B, 0x63, 0xA8}};
constexpr CLSID kApplicationClassId = {
    0x04DF1015, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};
constexpr IID kApplicationInterfaceId = {
    0x04DF1014, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    throw std::runtime_error(std::string(what) +
                             " failed: " + std::to_string(static_cast<unsigned long>(result)));
  }
}

template <typename T>
struct Released {
  T* pointer = nullptr;
  ~Released() {
    if (pointer != nullptr) pointer->Release();
  }
};

// Adds a method without parameters named name with DISPID id at index.
void AddEvent(ICreateTypeInfo& info, UINT index, const wchar_t* name, DISPID id) {
  FUNCDESC function{};
  function.memid = id;
  function.funckind = FUNC_DISPATCH;
  function.invkind = INVOKE_FUNC;
  function.callconv = CC_STDCALL;
  function.elemdescFunc.tdesc.vt = VT_VOID;
  Check(info.AddFuncDesc(index, &function), "AddFuncDesc");
  OLECHAR* names[] = {const_cast<OLECHAR*>(name)};
  Check(info.SetFuncAndParamNames(index, names, 1), "SetFuncAndParamNames");
}

UniqueTypeInfo AsTypeInfo(ICreateTypeInfo& info) {
  ITypeInfo* type_info = nullptr;
  Check(info.QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&type_info)), "ITypeInfo");
  return UniqueTypeInfo(type_info);
}

}  // namespace

StandInTypeLibrary BuildStandInTypeLibrary(const EventIds& ids) {
  Released<ICreateTypeLib2> library;
  Check(CreateTypeLib2(SYS_WIN32, L"StandInFrontPage.tlb", &library.pointer), "CreateTypeLib2");
  Check(library.pointer->SetGuid(kLibraryId), "SetGuid");
  Check(library.pointer->SetName(const_cast<OLECHAR*>(L"FrontPage")), "SetName");
  Check(library.pointer->SetVersion(1, 0), "SetVersion");

  Released<ICreateTypeInfo> events;
  Check(library.pointer->CreateTypeInfo(const_cast<OLECHAR*>(L"_IApplicationEvents"),
                                        TKIND_DISPATCH, &events.pointer),
        "CreateTypeInfo");
  Check(events.pointer->SetGuid(kApplicationEventsId), "SetGuid");
  AddEvent(*events.pointer, 0, L"OnWebNew", ids.web_new);
  AddEvent(*events.pointer, 1, L"OnWebOpen", ids.web_open);
  AddEvent(*events.pointer, 2, L"OnBeforeWebPublish", ids.before_web_publish);

  Released<ICreateTypeInfo> application;
  Check(library.pointer->CreateTypeInfo(const_cast<OLECHAR*>(L"_Application"), TKIND_DISPATCH,
                                        &application.pointer),
        "CreateTypeInfo");
  Check(application.pointer->SetGuid(kApplicationInterfaceId), "SetGuid");

  Released<ICreateTypeInfo> application_class;
  Check(library.pointer->CreateTypeInfo(const_cast<OLECHAR*>(L"Application"), TKIND_COCLASS,
                                        &application_class.pointer),
        "CreateTypeInfo");
  Check(application_class.pointer->SetGuid(kApplicationClassId), "SetGuid");

  return StandInTypeLibrary{AsTypeInfo(*application_class.pointer),
                            AsTypeInfo(*application.pointer)};
}

}  // namespace kestrova::testing

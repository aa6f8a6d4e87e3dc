// The FPKestrova object: its interfaces, its reference count and its IDispatch halves.
#include <gtest/gtest.h>
#include <ole2.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "addin_designer_objects.h"
#include "host/frontpage/frontpage_ids.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_bstr.h"
#include "platform/win32/com/unique_safearray.h"
#include "platform/win32/com/unique_variant.h"
#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/server_module.h"
#include "tests/host/frontpage/class_registration.h"
#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {
namespace {

using win32::ComPtr;
using win32::UniqueBstr;
using win32::UniqueSafeArray;
using win32::UniqueVariant;

// Interfaces of COM's own that the add-in does not implement (IPersist, IMarshal, IDispatchEx,
// IConnectionPointContainer, IProvideClassInfo, IStream, IClassFactory).
const std::vector<GUID> kRefusedInterfaces = {
    {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
    {0x00000003, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
    {0xA6EF9860, 0xC720, 0x11D0, {0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9}},
    {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}},
    {0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}},
    {0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
    {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
};

class FPKestrovaObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(server_.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object_.PutVoid()), S_OK);
  }

  void TearDown() override {
    object_.Reset();
    EXPECT_EQ(server_.CanUnloadNow(), S_OK) << "the test left a reference behind";
    EXPECT_EQ(frontpage_.OutstandingReferences(), 0) << "the add-in kept a host object";
  }

  ComPtr<IDispatch> DefaultDispatch() const {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(object_.QueryTo(IID_IDispatch, &dispatch), S_OK);
    return dispatch;
  }

  ComPtr<IDTExtensibility2> Extensibility() const {
    ComPtr<IDTExtensibility2> extensibility;
    EXPECT_EQ(object_.QueryTo(kExtensibilityId, &extensibility), S_OK);
    return extensibility;
  }

  // The running host the add-in connects to when it is created.
  StandInHost frontpage_;
  ClassObjectRegistration running_frontpage_{host::frontpage::kFrontPageApplicationClassId,
                                             frontpage_.application()};
  ServerModule server_;
  ComPtr<IUnknown> object_;
};

TEST_F(FPKestrovaObjectTest, AnswersForItsInterfacesWithOneIdentity) {
  for (const GUID& iid :
       {IID_IUnknown, IID_IDispatch, kInterfaceId, kExtensibilityId, IID_ISupportErrorInfo}) {
    ComPtr<IUnknown> asked;
    ASSERT_EQ(object_.QueryTo(iid, &asked), S_OK);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(asked.QueryTo(IID_IUnknown, &identity), S_OK);
    EXPECT_EQ(identity.Get(), object_.Get());
  }
  ComPtr<IUnknown> as_default;
  ComPtr<IUnknown> as_dispatch;
  ASSERT_EQ(object_.QueryTo(kInterfaceId, &as_default), S_OK);
  ASSERT_EQ(object_.QueryTo(IID_IDispatch, &as_dispatch), S_OK);
  EXPECT_EQ(as_default.Get(), as_dispatch.Get()) << "IDispatch is the default interface's";
}

TEST_F(FPKestrovaObjectTest, RefusesEveryOtherInterface) {
  for (const GUID& iid : kRefusedInterfaces) {
    void* asked = reinterpret_cast<void*>(static_cast<std::uintptr_t>(1));
    EXPECT_EQ(object_->QueryInterface(iid, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
  }
  EXPECT_EQ(object_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(FPKestrovaObjectTest, CountsReferencesAcrossItsInterfaces) {
  EXPECT_EQ(object_->AddRef(), 2u);
  ComPtr<IDTExtensibility2> extensibility = Extensibility();
  EXPECT_EQ(extensibility->AddRef(), 4u);
  EXPECT_EQ(extensibility->Release(), 3u);
  extensibility.Reset();
  EXPECT_EQ(object_->Release(), 1u);
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE);
  IUnknown* last = object_.Detach();
  EXPECT_EQ(last->Release(), 0u);
  EXPECT_EQ(server_.CanUnloadNow(), S_OK) << "the last Release destroys the object";
}

TEST_F(FPKestrovaObjectTest, DefaultDispatchServesTheDefaultInterfaceDescription) {
  const ComPtr<IDispatch> dispatch = DefaultDispatch();
  UINT count = 0;
  ASSERT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.Put()), S_OK);
  UniqueBstr name;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(name.View(), L"_FPKestrova");
  EXPECT_EQ(dispatch->GetTypeInfo(1, 0, info.Put()), DISP_E_BADINDEX);
  EXPECT_FALSE(info);
}

TEST_F(FPKestrovaObjectTest, DefaultDispatchHasNoMembersOfItsOwn) {
  const ComPtr<IDispatch> dispatch = DefaultDispatch();
  for (const wchar_t* member : {L"OnConnection", L"Application", L"Mend"}) {
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id), DISP_E_UNKNOWNNAME) << name;
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(dispatch->Invoke(1, kInterfaceId, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(FPKestrovaObjectTest, ExtensibilityDispatchFindsTheConnectionCallsByName) {
  const ComPtr<IDTExtensibility2> extensibility = Extensibility();
  const std::array<std::wstring, 5> members = {L"OnConnection", L"OnDisconnection",
                                               L"OnAddInsUpdate", L"OnStartupComplete",
                                               L"OnBeginShutdown"};
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::wstring name = members[i];
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    ASSERT_EQ(extensibility->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id), S_OK) << name;
    EXPECT_EQ(id, static_cast<DISPID>(i + 1)) << name;
  }
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(extensibility->GetTypeInfo(0, 0, info.Put()), S_OK);
  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_EQ(info->GetContainingTypeLib(library.Put(), &index), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, kDesignerLibraryId))
      << "the description comes from AddInDesignerObjects";
  library->ReleaseTLibAttr(attributes);
}

// One late-bound call of a connection method, its arguments given in the order of the method's
// parameters.
struct ConnectionCall {
  DISPID id;
  std::vector<VARTYPE> arguments;  // VT_DISPATCH, VT_I4 or VT_ARRAY|VT_VARIANT|VT_BYREF
};

class ExtensibilityInvokeTest : public FPKestrovaObjectTest,
                                public ::testing::WithParamInterface<ConnectionCall> {};

TEST_P(ExtensibilityInvokeTest, ReachesTheMethodThroughTheTypeDescription) {
  const ComPtr<IDTExtensibility2> extensibility = Extensibility();
  UniqueSafeArray custom = UniqueSafeArray::CreateVector(VT_VARIANT, 1);
  custom.PutVariant(0, UniqueVariant::FromText(L"custom").Get());
  SAFEARRAY* custom_slot = custom.Get();
  std::vector<VARIANT> arguments;
  // OnConnection's Application is the host's; its AddInInst may be null.
  IDispatch* object_argument = frontpage_.application();
  for (VARTYPE type : GetParam().arguments) {
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = type;
    if (type == VT_DISPATCH) V_DISPATCH(&argument) = std::exchange(object_argument, nullptr);
    if (type == VT_I4) V_I4(&argument) = 1;
    if (type == (VT_ARRAY | VT_VARIANT | VT_BYREF)) V_ARRAYREF(&argument) = &custom_slot;
    arguments.insert(arguments.begin(), argument);  // IDispatch takes them last to first
  }
  DISPPARAMS parameters = {arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  UniqueVariant result;
  UINT argument_error = 0;
  EXPECT_EQ(extensibility->Invoke(GetParam().id, IID_NULL, 0x0409, DISPATCH_METHOD, &parameters,
                                  result.Put(), nullptr, &argument_error),
            S_OK);

  // Without its arguments the same call is refused before it reaches the object.
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(extensibility->Invoke(GetParam().id, IID_NULL, 0x0409, DISPATCH_METHOD, &none,
                                  result.Put(), nullptr, &argument_error),
            DISP_E_BADPARAMCOUNT);
}

TEST_F(FPKestrovaObjectTest, ALateBoundConnectionFailureCarriesTheAddinsMessage) {
  const ComPtr<IDTExtensibility2> extensibility = Extensibility();
  // OnConnection(Application, ConnectMode, AddInInst, custom) without an application.
  SAFEARRAY* custom = nullptr;
  VARIANT arguments[4];
  for (VARIANT& argument : arguments) VariantInit(&argument);
  V_VT(&arguments[0]) = VT_ARRAY | VT_VARIANT | VT_BYREF;
  V_ARRAYREF(&arguments[0]) = &custom;
  V_VT(&arguments[1]) = VT_DISPATCH;
  V_DISPATCH(&arguments[1]) = nullptr;
  V_VT(&arguments[2]) = VT_I4;
  V_I4(&arguments[2]) = 1;
  V_VT(&arguments[3]) = VT_DISPATCH;
  V_DISPATCH(&arguments[3]) = nullptr;
  DISPPARAMS parameters = {arguments, nullptr, 4, 0};
  EXCEPINFO exception = {};
  UINT argument_error = 0;
  UniqueVariant result;
  EXPECT_EQ(extensibility->Invoke(1, IID_NULL, 0x0409, DISPATCH_METHOD, &parameters, result.Put(),
                                  &exception, &argument_error),
            DISP_E_EXCEPTION);
  const UniqueBstr description = UniqueBstr::Attach(exception.bstrDescription);
  const UniqueBstr source = UniqueBstr::Attach(exception.bstrSource);
  const UniqueBstr help_file = UniqueBstr::Attach(exception.bstrHelpFile);
  EXPECT_NE(std::wstring(description.View()).find(L"no host application"), std::wstring::npos);
  EXPECT_EQ(source.View(), L"FPKestrova");
  EXPECT_TRUE(FAILED(exception.scode));
}

constexpr VARTYPE kCustom = VT_ARRAY | VT_VARIANT | VT_BYREF;

INSTANTIATE_TEST_SUITE_P(
    ConnectionMethods, ExtensibilityInvokeTest,
    ::testing::Values(ConnectionCall{1, {VT_DISPATCH, VT_I4, VT_DISPATCH, kCustom}},
                      ConnectionCall{2, {VT_I4, kCustom}}, ConnectionCall{3, {kCustom}},
                      ConnectionCall{4, {kCustom}}, ConnectionCall{5, {kCustom}}));

}  // namespace
}  // namespace kestrova::testing

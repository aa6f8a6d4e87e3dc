// DllGetClassObject, the class factory, CoCreateInstance and DllCanUnloadNow.
#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdint>
#include <string>

#include "addin_designer_objects.h"
#include "host/frontpage/frontpage_ids.h"
#include "platform/win32/com/com_ptr.h"
#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/server_module.h"
#include "tests/host/frontpage/class_registration.h"
#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {
namespace {

using win32::ComPtr;

// A value that no call leaves in an out parameter, to see that refusals clear it.
void* const kUntouched = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5A5A5A5A));

class ClassFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(server_.CanUnloadNow(), S_OK) << "an earlier test leaked"; }

  ComPtr<IClassFactory> Factory() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(server_.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    return factory;
  }

  // The running host the add-in connects to when it is created.
  StandInHost frontpage_;
  ClassObjectRegistration running_frontpage_{host::frontpage::kFrontPageApplicationClassId,
                                             frontpage_.application()};
  ServerModule server_;
};

class ForeignClassTest : public ClassFactoryTest, public ::testing::WithParamInterface<GUID> {};

TEST_P(ForeignClassTest, IsRefusedAndNothingIsCreated) {
  void* object = kUntouched;
  EXPECT_EQ(server_.GetClassObject(GetParam(), IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = kUntouched;
  EXPECT_EQ(server_.GetClassObject(GetParam(), IID_IUnknown, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(OtherIds, ForeignClassTest,
                         ::testing::Values(GUID{},            // the null class id
                                           kLibraryId,        // our type library's id
                                           kInterfaceId,      // our default interface's id
                                           kExtensibilityId,  // the host interface's id
                                           GUID{0xA57F6D0A,
                                                0x5DBA,
                                                0x11D6,
                                                {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81,
                                                 0x2E}}));  // one past ours

TEST_F(ClassFactoryTest, GivesItsFactoryAsIClassFactoryOrIUnknownOnly) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(server_.GetClassObject(kClassId, IID_IUnknown, unknown.PutVoid()), S_OK);
  EXPECT_TRUE(unknown);
  void* object = kUntouched;
  EXPECT_EQ(server_.GetClassObject(kClassId, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(server_.GetClassObject(kClassId, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, CreatesANewObjectForEveryRequest) {
  const ComPtr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  ComPtr<IUnknown> first;
  ComPtr<IUnknown> second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, first.PutVoid()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, second.PutVoid()), S_OK);
  EXPECT_NE(first.Get(), second.Get());
}

TEST_F(ClassFactoryTest, RefusesAggregationAndUnknownInterfaces) {
  const ComPtr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  void* object = kUntouched;
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = kUntouched;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ClassFactoryTest, CanUnloadOnlyWhenNoObjectLivesAndNoFactoryIsLocked) {
  ComPtr<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE) << "a factory is alive";
  ComPtr<IDTExtensibility2> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, kExtensibilityId, object.PutVoid()), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE) << "an object is alive and the factory locked";
  object.Reset();
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE) << "the factory is locked";
  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
}

// Creation through COM needs the registration in place.
class CreationTest : public ClassFactoryTest {
 protected:
  void SetUp() override {
    ClassFactoryTest::SetUp();
    ASSERT_EQ(server_.RegisterServer(), S_OK);
  }
  void TearDown() override { EXPECT_EQ(server_.UnregisterServer(), S_OK); }
};

TEST_F(CreationTest, CoCreateInstanceByProgIdGivesBothInterfacesOfThisModule) {
  CLSID class_id = {};
  ASSERT_EQ(CLSIDFromProgID(std::wstring(kProgId).c_str(), &class_id), S_OK);
  ComPtr<IDispatch> object;
  ASSERT_EQ(
      CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.PutVoid()),
      S_OK);
  // The object came from this very module: it counts in the module's unload test.
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE);
  ComPtr<IDTExtensibility2> extensibility;
  EXPECT_EQ(object.QueryTo(kExtensibilityId, &extensibility), S_OK);
  object.Reset();
  extensibility.Reset();
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
}

TEST_F(CreationTest, CoCreateInstanceOfAnotherClassOfOursFails) {
  ComPtr<IUnknown> object;
  EXPECT_EQ(
      CoCreateInstance(kInterfaceId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()),
      REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(object);
}

}  // namespace
}  // namespace kestrova::testing

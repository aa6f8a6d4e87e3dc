// The add-in object's life with the host: creation without FrontPage, the event connection to the
// application handed over that it holds until shutdown or release, and the failures of its
// connection calls as COM callers receive them.
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>

#include "addin_designer_objects.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_bstr.h"
#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/server_module.h"
#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {
namespace {

using win32::ComPtr;
using win32::UniqueBstr;

// The description of the thread's error object, empty when there is none.
std::wstring ErrorInfoDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
  UniqueBstr description;
  info->GetDescription(description.Put());
  return std::wstring(description.View());
}

class AddinCreationTest : public ::testing::Test {
 protected:
  HRESULT Create(ComPtr<IDTExtensibility2>& object) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(server_.GetClassObject(kClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    return factory->CreateInstance(nullptr, kExtensibilityId, object.PutVoid());
  }

  StandInHost frontpage_;
  ServerModule server_;
};

TEST_F(AddinCreationTest, TheAddinHearsTheApplicationHandedOverUntilShutdownOrRelease) {
  // No FrontPage registered at all: creation still succeeds, and binds nothing yet.
  ComPtr<IDTExtensibility2> first;
  ASSERT_EQ(Create(first), S_OK);
  EXPECT_EQ(frontpage_.ApplicationSinkCount(), 0u);
  ASSERT_EQ(first->OnConnection(frontpage_.application(), ext_cm_Startup, nullptr, nullptr), S_OK);
  EXPECT_EQ(frontpage_.ApplicationSinkCount(), 1u);
  // Shutdown lets go of the host's events while the object lives on.
  ASSERT_EQ(first->OnBeginShutdown(nullptr), S_OK);
  EXPECT_EQ(frontpage_.ApplicationSinkCount(), 0u);
  EXPECT_EQ(first->OnBeginShutdown(nullptr), S_OK) << "a second shutdown is harmless";
  first.Reset();
  EXPECT_EQ(frontpage_.OutstandingReferences(), 0) << "every host reference came back";

  // Released without a shutdown, the add-in disconnects itself.
  ComPtr<IDTExtensibility2> second;
  ASSERT_EQ(Create(second), S_OK);
  ASSERT_EQ(second->OnConnection(frontpage_.application(), ext_cm_Startup, nullptr, nullptr), S_OK);
  EXPECT_EQ(frontpage_.ApplicationSinkCount(), 1u);
  second.Reset();
  EXPECT_EQ(frontpage_.ApplicationSinkCount(), 0u);
  EXPECT_EQ(frontpage_.OutstandingReferences(), 0);
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
}

TEST_F(AddinCreationTest, ConnectionCallsReportFailuresWithTheAddinsMessage) {
  ComPtr<IDTExtensibility2> object;
  ASSERT_EQ(Create(object), S_OK);

  // No application to build the menu on: a failure with a message, nothing added.
  const HRESULT refused = object->OnConnection(nullptr, ext_cm_Startup, nullptr, nullptr);
  EXPECT_TRUE(FAILED(refused));
  EXPECT_NE(ErrorInfoDescription().find(L"no host application"), std::wstring::npos);
  EXPECT_EQ(StandInHost::Captions(frontpage_.menu_bar_controls()).size(), 10u);

  // A host whose menu bar refuses the popup: the host's own error comes back.
  frontpage_.set_defer_caption_errors(true);
  const HRESULT failed =
      object->OnConnection(frontpage_.application(), ext_cm_Startup, nullptr, nullptr);
  EXPECT_EQ(failed, kDeferredScode);
  EXPECT_EQ(ErrorInfoDescription(), kDeferredDescription);
  frontpage_.set_defer_caption_errors(false);

  // Disconnecting after a failed connection still succeeds and removes what was added.
  EXPECT_EQ(object->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
  EXPECT_EQ(StandInHost::Captions(frontpage_.menu_bar_controls()).size(), 10u);
  object.Reset();
  EXPECT_EQ(frontpage_.OutstandingReferences(), 0);
}

}  // namespace
}  // namespace kestrova::testing

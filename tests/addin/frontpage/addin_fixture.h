// FrontPage's side of the add-in's life, for the end-to-end tests: the stand-in application is
// registered under FrontPage's class id and a recording browser under Internet Explorer's ProgID;
// FPKestrova.dll (registered beforehand) is created through COM and connected; at the end it is
// disconnected, shut down and released, and every reference it took must be back and the DLL must
// agree to be unloaded.
#ifndef KESTROVA_TESTS_ADDIN_FRONTPAGE_ADDIN_FIXTURE_H_
#define KESTROVA_TESTS_ADDIN_FRONTPAGE_ADDIN_FIXTURE_H_

#include <gtest/gtest.h>
#include <ole2.h>
// The host's connection interface IDTExtensibility2, as the build declares it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin_designer_objects.h"
#include "platform/win32/com/com_ptr.h"
#include "tests/host/frontpage/class_registration.h"
#include "tests/host/frontpage/fake_dispatch.h"
#include "tests/host/frontpage/stand_in_host.h"
#include "tests/ui/win32/ui_test_support.h"

namespace kestrova::testing {

// FrontPage 2000's application class.
inline constexpr CLSID kFrontPageApplicationId = {
    0x04DF1015, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};
// The browser's automation ProgID that the add-in opens pages with, and the class id the tests
// register it under for the current user.
inline constexpr wchar_t kBrowserProgId[] = L"InternetExplorer.Application";
inline constexpr CLSID kStandInBrowserId = {
    0x6D8A3F2E, 0x1B7C, 0x4E55, {0x9A, 0x0D, 0x3C, 0x2B, 0x1A, 0x0F, 0x9E, 0x87}};

// DllCanUnloadNow of the loaded FPKestrova.dll, called through GetProcAddress; nullopt when the
// DLL is not loaded in this process.
std::optional<HRESULT> AddinCanUnloadNow();

class AddinFixture : public ::testing::Test {
 protected:
  // Skips without an X display. Registers the stand-ins, creates the add-in and calls
  // OnConnection(Application, ext_cm_Startup, AddInInst, custom).
  void SetUp() override;
  // OnDisconnection and OnBeginShutdown (again, when a case called them already: both must
  // succeed every time), then the host's last Release; checks that no sink is connected, that
  // every reference to the stand-in objects came back and that the DLL may be unloaded.
  void TearDown() override;

  // The connection calls with an empty custom array.
  HRESULT Connect();
  HRESULT Disconnect();
  HRESULT BeginShutdown();

  win32::ScheduledActionsScope actions_;
  StandInHost host_;
  IDispatch* add_in_inst_ = host_.AddObject(L"AddInInst");
  CallLog browser_log_;
  FakeDispatch browser_{L"InternetExplorer", browser_log_};
  std::unique_ptr<ClassObjectRegistration> frontpage_;
  std::unique_ptr<ProgIdRegistration> browser_prog_id_;
  std::unique_ptr<ClassObjectRegistration> browser_class_;
  win32::ComPtr<IDTExtensibility2> addin_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_FRONTPAGE_ADDIN_FIXTURE_H_

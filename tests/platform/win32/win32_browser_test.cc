#include "platform/win32/win32_browser.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/win32/wide_text.h"
#include "tests/host/frontpage/class_registration.h"
#include "tests/host/frontpage/fake_dispatch.h"

namespace kestrova::win32 {
namespace {

using testing::CallLog;
using testing::FakeCall;
using testing::FakeDispatch;
using testing::RaiseHostError;
using testing::RecordedArgument;
using testing::RecordedCall;

// The stand-in browser's class, and a ProgID for it that only this test registers.
// {5C1E7A32-0D4B-4F6E-9A21-7B3C8D90E411}
constexpr CLSID kStandInClsid = {
    0x5c1e7a32, 0x0d4b, 0x4f6e, {0x9a, 0x21, 0x7b, 0x3c, 0x8d, 0x90, 0xe4, 0x11}};
constexpr wchar_t kStandInProgId[] = L"KestrovaTest.StandInBrowser";
constexpr wchar_t kUserProgIdKey[] = L"Software\\Classes\\KestrovaTest.StandInBrowser";
constexpr wchar_t kUnregisteredProgId[] = L"KestrovaTest.NoSuchBrowser";

// The browser's automation object as far as Win32Browser uses it: Navigate, Quit and, when a test
// defines it, Visible. Each member answers only the kind of call the automation object takes.
class StandInBrowser {
 public:
  StandInBrowser() {
    object.Define(L"Navigate", 104, DISPATCH_METHOD,
                  [this](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
                    if (!refuse_navigate) return S_OK;
                    return RaiseHostError(exception, static_cast<HRESULT>(0x800A01B0u),
                                          L"Stand-in browser", L"This address may not be visited.");
                  });
    object.Define(L"Quit", 300, DISPATCH_METHOD,
                  [](const FakeCall&, VARIANT*, EXCEPINFO*) { return S_OK; });
  }
  void DefineVisible() {
    object.Define(L"Visible", 402, DISPATCH_PROPERTYPUT,
                  [](const FakeCall&, VARIANT*, EXCEPINFO*) { return S_OK; });
  }
  // The members called, in order.
  std::vector<std::wstring> Members() const {
    std::vector<std::wstring> members;
    for (const RecordedCall& call : log.calls()) members.push_back(call.member);
    return members;
  }

  CallLog log;
  FakeDispatch object{L"browser", log};
  bool refuse_navigate = false;
};

// True while the key `path` under `root` is there.
bool KeyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// True when CLSIDFromProgID finds the stand-in's CLSID for its ProgID.
bool ProgIdResolves() {
  CLSID found{};
  return SUCCEEDED(CLSIDFromProgID(kStandInProgId, &found)) && IsEqualCLSID(found, kStandInClsid);
}

// Registers the stand-in as a running class object, and its ProgID under the user's classes, for
// the length of a test, and removes both afterwards. Windows reads the user's classes through
// HKEY_CLASSES_ROOT; Wine (8.0) reads only the machine's, so there the ProgID also goes under
// HKEY_CLASSES_ROOT itself.
class Win32BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // Keys a run that was cut short left behind.
    RegDeleteTreeW(HKEY_CURRENT_USER, kUserProgIdKey);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kStandInProgId);
    ASSERT_FALSE(ProgIdResolves());
    user_key_ = std::make_unique<testing::ProgIdRegistration>(kStandInProgId, kStandInClsid);
    if (!ProgIdResolves()) {
      machine_key_ = std::make_unique<testing::ProgIdRegistration>(kStandInProgId, kStandInClsid,
                                                                   HKEY_CLASSES_ROOT);
    }
    ASSERT_TRUE(ProgIdResolves());
    registration_ = std::make_unique<testing::ClassObjectRegistration>(
        kStandInClsid, static_cast<IDispatch*>(&browser_.object));
  }

  void TearDown() override {
    registration_.reset();
    user_key_.reset();
    machine_key_.reset();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserProgIdKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kStandInProgId));
    EXPECT_FALSE(ProgIdResolves());
    CoUninitialize();
  }

  // An opener that records what it is given and answers `starts`.
  BrowserOpener RecordingOpener(bool starts) {
    return [this, starts](std::wstring_view url) {
      opened_.emplace_back(url);
      return starts;
    };
  }

  StandInBrowser browser_;
  std::unique_ptr<testing::ClassObjectRegistration> registration_;
  std::unique_ptr<testing::ProgIdRegistration> user_key_;
  std::unique_ptr<testing::ProgIdRegistration> machine_key_;
  std::vector<std::wstring> opened_;
};

// The Failure that `action` raises; a Failure numbered 0 when it raises none.
template <typename Action>
Failure RaisedFailure(Action action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure;
  }
  return Failure(0, "", "nothing raised");
}

TEST_F(Win32BrowserTest, NavigatesTheAutomationObjectThenMakesItVisibleAndLetsItGo) {
  browser_.DefineVisible();
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  const std::string url = "http://127.0.0.1:8080/kestrova/register.asp?site=caf\xC3\xA9&x=1";
  browser.Navigate(url);

  EXPECT_EQ(registration_->created(), 1);
  const std::vector<RecordedCall>& calls = browser_.log.calls();
  ASSERT_EQ(browser_.Members(), (std::vector<std::wstring>{L"Navigate", L"Visible"}));
  EXPECT_EQ(calls[0].arguments,
            (std::vector<RecordedArgument>{
                {VT_BSTR, L"http://127.0.0.1:8080/kestrova/register.asp?site=caf\u00E9&x=1"}}));
  EXPECT_EQ(calls[1].arguments, (std::vector<RecordedArgument>{{VT_BOOL, L"-1"}}));
  EXPECT_EQ(browser_.object.references(), 0);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(Win32BrowserTest, AnUnregisteredObjectFallsBackToTheOpenerWithTheAddress) {
  Win32Browser browser(kUnregisteredProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/kestrova/about.htm");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/kestrova/about.htm"});
  EXPECT_EQ(registration_->created(), 0);
  EXPECT_TRUE(browser_.log.calls().empty());
}

TEST_F(Win32BrowserTest, WhenTheOpenerFailsTooTheFailureNamesTheAddress) {
  Win32Browser browser(kUnregisteredProgId, RecordingOpener(false));
  const Failure failure =
      RaisedFailure([&] { browser.Navigate("http://127.0.0.1/kestrova/about.htm"); });
  EXPECT_NE(failure.number(), 0);
  EXPECT_EQ(failure.source(), std::string(kProgramSource));
  EXPECT_NE(failure.description().find("\"http://127.0.0.1/kestrova/about.htm\""),
            std::string::npos)
      << failure.description();
  EXPECT_NE(failure.description().find("No browser could be started"), std::string::npos)
      << failure.description();
  EXPECT_EQ(opened_.size(), 1u);

  Win32Browser without_opener(kUnregisteredProgId, nullptr);
  EXPECT_NE(RaisedFailure([&] { without_opener.Navigate("http://127.0.0.1/"); }).number(), 0);
}

// An object that is there but refuses is asked to end, and the default browser opens the address;
// only when that fails too does the object's own error reach the caller.
TEST_F(Win32BrowserTest, ARefusedNavigateEndsTheObjectAndFallsBackToTheOpener) {
  browser_.refuse_navigate = true;
  browser_.DefineVisible();
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/x");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/x"});
  // Visible is not set after a failed Navigate.
  EXPECT_EQ(browser_.Members(), (std::vector<std::wstring>{L"Navigate", L"Quit"}));
  EXPECT_EQ(browser_.object.references(), 0);

  opened_.clear();
  Win32Browser refusing_opener(kStandInProgId, RecordingOpener(false));
  const Failure failure = RaisedFailure([&] { refusing_opener.Navigate("http://127.0.0.1/x"); });
  EXPECT_EQ(static_cast<std::uint32_t>(failure.number()), 0x800A01B0u);
  EXPECT_EQ(failure.source(), "Stand-in browser");
  EXPECT_EQ(failure.description(), "This address may not be visited.");
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_EQ(browser_.object.references(), 0);
}

TEST_F(Win32BrowserTest, AnObjectWithoutAVisiblePropertyFallsBackToTheOpener) {
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/x");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/x"});
  // The object navigated without a window: it ends.
  EXPECT_EQ(browser_.Members(), (std::vector<std::wstring>{L"Navigate", L"Quit"}));

  browser_.log.Clear();
  Win32Browser without_opener(kStandInProgId, nullptr);
  const Failure failure = RaisedFailure([&] { without_opener.Navigate("http://127.0.0.1/x"); });
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
  EXPECT_EQ(failure.source(), "Visible");
  EXPECT_EQ(browser_.log.calls().size(), 2u);
  EXPECT_EQ(browser_.object.references(), 0);
}

TEST(OpenWithShellTest, ReportsAFailureForSomethingThatCannotBeOpened) {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, base);
  ASSERT_GT(length, 0u);
  const std::wstring missing =
      std::wstring(base, length) + L"kestrova-no-such-folder\\no-such-page.htm";
  ASSERT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(OpenWithShell(missing));
}

}  // namespace
}  // namespace kestrova::win32

#include "platform/win32/win32_browser.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <cstdint>
#include <cwctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/win32/wide_text.h"
#include "tests/host/frontpage/class_registration.h"

// COM's interfaces have no virtual destructor: objects that implement them are never deleted
// through one.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace kestrova::win32 {
namespace {

// The stand-in browser's class, and a ProgID for it that only this test registers.
// {5C1E7A32-0D4B-4F6E-9A21-7B3C8D90E411}
constexpr CLSID kStandInClsid = {
    0x5c1e7a32, 0x0d4b, 0x4f6e, {0x9a, 0x21, 0x7b, 0x3c, 0x8d, 0x90, 0xe4, 0x11}};
constexpr wchar_t kStandInClsidText[] = L"{5C1E7A32-0D4B-4F6E-9A21-7B3C8D90E411}";
constexpr wchar_t kStandInProgId[] = L"KestrovaTest.StandInBrowser";
constexpr wchar_t kUserProgIdKey[] = L"Software\\Classes\\KestrovaTest.StandInBrowser";
constexpr wchar_t kUnregisteredProgId[] = L"KestrovaTest.NoSuchBrowser";

constexpr DISPID kNavigateId = 104;
constexpr DISPID kVisibleId = 402;
constexpr DISPID kQuitId = 300;

// One Invoke as the stand-in received it.
struct ReceivedCall {
  DISPID member;
  WORD flags;
  VARTYPE type;       // of the one argument
  std::wstring text;  // a BSTR argument's characters
  VARIANT_BOOL flag;  // a VT_BOOL argument's value
  bool named_put;     // the argument came as the named DISPID_PROPERTYPUT
  UINT argument_count;
};

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The browser's automation object as far as Win32Browser uses it: Navigate and Visible. It lives
// in the test and is never deleted by Release; references() is the balance of AddRef and Release.
class StandInBrowser final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
    if (SameNoCase(names[0], L"Navigate")) {
      ids[0] = kNavigateId;
    } else if (SameNoCase(names[0], L"Visible") && has_visible) {
      ids[0] = kVisibleId;
    } else if (SameNoCase(names[0], L"Quit")) {
      ids[0] = kQuitId;
    } else {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT*, EXCEPINFO* exception, UINT*) override {
    if (params == nullptr) return E_INVALIDARG;
    ReceivedCall call{id, flags, VT_EMPTY, {}, VARIANT_FALSE, false, params->cArgs};
    if (params->cArgs >= 1) {
      const VARIANT& argument = params->rgvarg[params->cArgs - 1];
      call.type = V_VT(&argument);
      if (call.type == VT_BSTR) {
        call.text.assign(V_BSTR(&argument), SysStringLen(V_BSTR(&argument)));
      }
      if (call.type == VT_BOOL) call.flag = V_BOOL(&argument);
    }
    call.named_put = params->cNamedArgs == 1 && params->rgdispidNamedArgs != nullptr &&
                     params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    calls.push_back(call);
    if (id == kNavigateId && refuse_navigate) {
      if (exception == nullptr) return DISP_E_EXCEPTION;
      *exception = EXCEPINFO{};
      exception->bstrSource = SysAllocString(L"Stand-in browser");
      exception->bstrDescription = SysAllocString(L"This address may not be visited.");
      exception->scode = static_cast<SCODE>(0x800A01B0u);
      return DISP_E_EXCEPTION;
    }
    return id == kNavigateId || id == kVisibleId || id == kQuitId ? S_OK : DISP_E_MEMBERNOTFOUND;
  }

  long references() const { return references_; }

  std::vector<ReceivedCall> calls;
  bool refuse_navigate = false;
  bool has_visible = true;

 private:
  long references_ = 0;
};

// True while the key `path` under `root` is there.
bool KeyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Writes the stand-in's ProgID (its CLSID key) under `root` and removes it again when it goes.
class ProgIdKey {
 public:
  ProgIdKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, (path_ + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    written_ =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kStandInClsidText),
                       static_cast<DWORD>(sizeof kStandInClsidText)) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ProgIdKey(const ProgIdKey&) = delete;
  ProgIdKey& operator=(const ProgIdKey&) = delete;
  ~ProgIdKey() { Delete(root_, path_); }

  // Removes the ProgID key `path` under `root` with its CLSID key, if they are there.
  static void Delete(HKEY root, const std::wstring& path) {
    RegDeleteKeyW(root, (path + L"\\CLSID").c_str());
    RegDeleteKeyW(root, path.c_str());
  }

  bool written() const { return written_; }

 private:
  HKEY root_;
  std::wstring path_;
  bool written_ = false;
};

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
    ProgIdKey::Delete(HKEY_CURRENT_USER, kUserProgIdKey);
    ProgIdKey::Delete(HKEY_CLASSES_ROOT, kStandInProgId);
    ASSERT_FALSE(ProgIdResolves());
    user_key_ = std::make_unique<ProgIdKey>(HKEY_CURRENT_USER, kUserProgIdKey);
    ASSERT_TRUE(user_key_->written());
    if (!ProgIdResolves()) {
      machine_key_ = std::make_unique<ProgIdKey>(HKEY_CLASSES_ROOT, kStandInProgId);
      ASSERT_TRUE(machine_key_->written());
    }
    ASSERT_TRUE(ProgIdResolves());
    registration_ = std::make_unique<testing::ClassObjectRegistration>(kStandInClsid, &browser_);
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
  std::unique_ptr<ProgIdKey> user_key_;
  std::unique_ptr<ProgIdKey> machine_key_;
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
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  const std::string url = "http://127.0.0.1:8080/kestrova/register.asp?site=caf\xC3\xA9&x=1";
  browser.Navigate(url);

  EXPECT_EQ(registration_->created(), 1);
  ASSERT_EQ(browser_.calls.size(), 2u);
  const ReceivedCall& navigate = browser_.calls[0];
  EXPECT_EQ(navigate.member, kNavigateId);
  EXPECT_EQ(navigate.flags, DISPATCH_METHOD);
  EXPECT_EQ(navigate.argument_count, 1u);
  EXPECT_EQ(navigate.type, VT_BSTR);
  EXPECT_EQ(navigate.text, L"http://127.0.0.1:8080/kestrova/register.asp?site=caf\u00E9&x=1");
  EXPECT_FALSE(navigate.named_put);
  const ReceivedCall& visible = browser_.calls[1];
  EXPECT_EQ(visible.member, kVisibleId);
  EXPECT_EQ(visible.flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(visible.argument_count, 1u);
  EXPECT_EQ(visible.type, VT_BOOL);
  EXPECT_EQ(visible.flag, VARIANT_TRUE);
  EXPECT_TRUE(visible.named_put);

  EXPECT_EQ(browser_.references(), 0);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(Win32BrowserTest, AnUnregisteredObjectFallsBackToTheOpenerWithTheAddress) {
  Win32Browser browser(kUnregisteredProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/kestrova/about.htm");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/kestrova/about.htm"});
  EXPECT_EQ(registration_->created(), 0);
  EXPECT_TRUE(browser_.calls.empty());
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
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/x");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/x"});
  ASSERT_EQ(browser_.calls.size(), 2u);  // Visible is not set after a failed Navigate
  EXPECT_EQ(browser_.calls[0].member, kNavigateId);
  EXPECT_EQ(browser_.calls[1].member, kQuitId);
  EXPECT_EQ(browser_.calls[1].flags, DISPATCH_METHOD);
  EXPECT_EQ(browser_.references(), 0);

  opened_.clear();
  browser_.calls.clear();
  Win32Browser refusing_opener(kStandInProgId, RecordingOpener(false));
  const Failure failure = RaisedFailure([&] { refusing_opener.Navigate("http://127.0.0.1/x"); });
  EXPECT_EQ(static_cast<std::uint32_t>(failure.number()), 0x800A01B0u);
  EXPECT_EQ(failure.source(), "Stand-in browser");
  EXPECT_EQ(failure.description(), "This address may not be visited.");
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_EQ(browser_.references(), 0);
}

TEST_F(Win32BrowserTest, AnObjectWithoutAVisiblePropertyFallsBackToTheOpener) {
  browser_.has_visible = false;
  Win32Browser browser(kStandInProgId, RecordingOpener(true));
  browser.Navigate("http://127.0.0.1/x");
  EXPECT_EQ(opened_, std::vector<std::wstring>{L"http://127.0.0.1/x"});
  ASSERT_EQ(browser_.calls.size(), 2u);
  EXPECT_EQ(browser_.calls[0].member, kNavigateId);
  EXPECT_EQ(browser_.calls[1].member, kQuitId);  // the object navigated without a window: it ends

  browser_.calls.clear();
  Win32Browser without_opener(kStandInProgId, nullptr);
  const Failure failure = RaisedFailure([&] { without_opener.Navigate("http://127.0.0.1/x"); });
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
  EXPECT_EQ(failure.source(), "Visible");
  EXPECT_EQ(browser_.calls.size(), 2u);
  EXPECT_EQ(browser_.references(), 0);
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

#include "tests/addin/frontpage/addin_fixture.h"

#include <oleauto.h>

#include "addin/com/class_record.h"

namespace kestrova::testing {
namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;

// Internet Explorer's DISPIDs of the members the add-in calls.
constexpr DISPID kNavigateId = 104;
constexpr DISPID kVisibleId = 402;

// An empty SAFEARRAY of VARIANTs for the custom argument of the connection calls.
class CustomArray {
 public:
  CustomArray() : array_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~CustomArray() { SafeArrayDestroy(array_); }
  CustomArray(const CustomArray&) = delete;
  CustomArray& operator=(const CustomArray&) = delete;
  SAFEARRAY** get() { return &array_; }

 private:
  SAFEARRAY* array_;
};

}  // namespace

std::optional<HRESULT> AddinCanUnloadNow() {
  HMODULE module = GetModuleHandleW(L"FPKestrova.dll");
  if (module == nullptr) return std::nullopt;
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  const FARPROC found = GetProcAddress(module, "DllCanUnloadNow");
  if (found == nullptr) return std::nullopt;
  // Through void (*)(): the one function pointer type that converts to any other without notice.
  const auto can_unload_now = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void (*)()>(found));
  return can_unload_now();
}

void AddinFixture::SetUp() {
  if (!win32::HasDisplay()) GTEST_SKIP() << "no X display for the add-in's windows";

  browser_.Define(L"Navigate", kNavigateId, kMethod,
                  [](const FakeCall&, VARIANT*, EXCEPINFO*) { return S_OK; });
  browser_.Define(L"Visible", kVisibleId, kGet | kPut,
                  [](const FakeCall& call, VARIANT* result, EXCEPINFO*) {
                    return (call.flags & kPut) != 0 ? S_OK : ReturnBool(result, false);
                  });
  // FrontPage starting up: no running-object entry, and its class object refuses a second client.
  frontpage_ = std::make_unique<ClassObjectRegistration>(
      kFrontPageApplicationId, host_.application(), CO_E_SERVER_EXEC_FAILURE);
  browser_prog_id_ = std::make_unique<ProgIdRegistration>(kBrowserProgId, kStandInBrowserId);
  // The current user's ProgID wins on Windows; Wine reads the machine's classes first. The
  // browser stands in under whichever class id the ProgID leads to here.
  CLSID browser_id{};
  ASSERT_EQ(CLSIDFromProgID(kBrowserProgId, &browser_id), S_OK);
  browser_class_ =
      std::make_unique<ClassObjectRegistration>(browser_id, static_cast<IDispatch*>(&browser_));

  // Created by its class id, as the host does, asking for IDTExtensibility2.
  ASSERT_EQ(CoCreateInstance(com::kFPKestrovaClassId, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IDTExtensibility2), addin_.PutVoid()),
            S_OK);
  ASSERT_TRUE(addin_);
  // Creation asked FrontPage for nothing (no second FrontPage could start); the connection binds
  // the application it hands over, on which every case goes on.
  EXPECT_EQ(frontpage_->requested(), 0);
  ASSERT_EQ(Connect(), S_OK);
}

void AddinFixture::TearDown() {
  if (IsSkipped()) return;
  if (addin_) {
    EXPECT_EQ(Disconnect(), S_OK);
    EXPECT_EQ(BeginShutdown(), S_OK);
    EXPECT_EQ(host_.ConnectedSinkCount(), 0u);
    addin_.Reset();
  }
  EXPECT_EQ(host_.OutstandingReferences(), 0);
  EXPECT_EQ(host_.ObjectsStillReferenced(), std::vector<std::wstring>{});
  EXPECT_EQ(browser_.references(), 0);
  // May be unloaded, unless a case has unloaded it already.
  EXPECT_NE(AddinCanUnloadNow(), std::optional<HRESULT>(S_FALSE));
  browser_class_.reset();
  browser_prog_id_.reset();
  frontpage_.reset();
}

HRESULT AddinFixture::Connect() {
  CustomArray custom;
  return addin_->OnConnection(host_.application(), ext_cm_Startup, add_in_inst_, custom.get());
}

HRESULT AddinFixture::Disconnect() {
  CustomArray custom;
  return addin_->OnDisconnection(ext_dm_HostShutdown, custom.get());
}

HRESULT AddinFixture::BeginShutdown() {
  CustomArray custom;
  return addin_->OnBeginShutdown(custom.get());
}

}  // namespace kestrova::testing

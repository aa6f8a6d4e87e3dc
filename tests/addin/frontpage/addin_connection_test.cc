// FPKestrova.dll inside a stand-in FrontPage: the "Kestrova" menu that OnConnection builds, with
// the exact arguments of its calls, the web events that enable "Demo mend", each menu command
// answered as a user would, and disconnection and shutdown.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/addin/frontpage/add_in_windows.h"
#include "tests/addin/frontpage/addin_fixture.h"

namespace kestrova::testing {
namespace {

const std::vector<std::wstring> kFrontPageMenus = {L"&File",   L"&Edit",  L"&View",  L"&Insert",
                                                   L"F&ormat", L"&Tools", L"T&able", L"F&rames",
                                                   L"&Window", L"&Help"};
constexpr wchar_t kSubscribeUrl[] = L"https://www.kestrova.com/subscribe.html";

using AddinConnectionTest = AddinFixture;

// Clicks control as the user would, under a watchdog that closes any window of ours still up long
// after; expects the test's own answers to have closed every one.
StandInHost::ClickOutcome ClickWatched(StandInHost& host, StandInHost::Control& control,
                                       bool cancel_default = false) {
  auto closed = std::make_shared<std::vector<std::wstring>>();
  ScheduleWatchdog(closed);
  const StandInHost::ClickOutcome outcome = host.Click(control, cancel_default);
  EXPECT_EQ(*closed, std::vector<std::wstring>{}) << "windows the watchdog had to close";
  return outcome;
}

TEST_F(AddinConnectionTest, OnConnectionPutsTheKestrovaMenuNinthOnTheMenuBar) {
  std::vector<std::wstring> menus = kFrontPageMenus;
  menus.insert(menus.begin() + 8, L"Kestrova");
  EXPECT_EQ(StandInHost::Captions(host_.menu_bar_controls()), menus);
  const StandInHost::Control* popup = host_.menu_bar_controls().items.at(8);
  EXPECT_EQ(popup->type, 10);
  EXPECT_TRUE(popup->temporary);
  ASSERT_NE(popup->children, nullptr);
  EXPECT_EQ(StandInHost::Captions(*popup->children),
            (std::vector<std::wstring>{L"Demo mend", L"Register", L"About"}));
  std::vector<bool> enabled;
  for (const StandInHost::Control* button : popup->children->items) {
    enabled.push_back(button->enabled);
    EXPECT_EQ(button->type, 1);
    EXPECT_TRUE(button->temporary);
    EXPECT_EQ(host_.ButtonSinkCount(*button), 1u);
  }
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(host_.ApplicationSinkCount(), 1u);

  // Every Add: Type VT_I4, Id and Parameter missing, Before VT_I2, Temporary VT_BOOL true.
  const RecordedArgument missing{VT_ERROR, L"0x80020004"};
  const RecordedArgument temporary{VT_BOOL, L"-1"};
  const auto adds = host_.log().Of(L"Add");
  ASSERT_EQ(adds.size(), 4u);
  EXPECT_EQ(adds[0].arguments, (std::vector<RecordedArgument>{
                                   {VT_I4, L"10"}, missing, missing, {VT_I2, L"9"}, temporary}));
  for (std::size_t i = 1; i < adds.size(); ++i) {
    EXPECT_EQ(adds[i].flags, DISPATCH_METHOD);
    EXPECT_EQ(adds[i].arguments, (std::vector<RecordedArgument>{
                                     {VT_I4, L"1"}, missing, missing, {VT_I2, L"1"}, temporary}));
  }
  // Caption and Enabled are property puts with the value as the named argument.
  const auto captions = host_.log().Of(L"Caption");
  ASSERT_GE(captions.size(), 4u);
  EXPECT_EQ(captions[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_TRUE(captions[0].named_put);
  EXPECT_EQ(captions[0].arguments, (std::vector<RecordedArgument>{{VT_BSTR, L"Kestrova"}}));
  const auto enabled_puts = host_.log().Of(L"Enabled");
  ASSERT_FALSE(enabled_puts.empty());
  EXPECT_EQ(enabled_puts[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(enabled_puts[0].arguments, (std::vector<RecordedArgument>{{VT_BOOL, L"0"}}));
  // The menu bar is found by its name, a VT_BSTR.
  const auto items = host_.log().Of(L"Item");
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0].arguments, (std::vector<RecordedArgument>{{VT_BSTR, L"Menu Bar"}}));

  // OnDisconnection takes the menu away; the buttons stay connected until shutdown.
  EXPECT_EQ(Disconnect(), S_OK);
  EXPECT_EQ(StandInHost::Captions(host_.menu_bar_controls()), kFrontPageMenus);
  EXPECT_EQ(host_.ApplicationSinkCount(), 1u);
  EXPECT_EQ(BeginShutdown(), S_OK);
  EXPECT_EQ(host_.ConnectedSinkCount(), 0u);
  // After shutdown the host raises its events on nobody.
  IDispatch* web = host_.AddWeb(L"C:\\Webs\\site");
  EXPECT_EQ(host_.FireWebOpen(web).sinks_called, 0u);
}

TEST_F(AddinConnectionTest, OpeningOrCreatingAWebEnablesDemoMend) {
  const struct {
    const char* name;
    std::function<FireOutcome(StandInHost&, IDispatch*)> fire;
  } events[] = {
      {"OnWebOpen", [](StandInHost& host, IDispatch* web) { return host.FireWebOpen(web); }},
      {"OnWebNew", [](StandInHost& host, IDispatch* web) { return host.FireWebNew(web); }},
  };
  for (const auto& event : events) {
    SCOPED_TRACE(event.name);
    StandInHost::Control* demo = host_.MenuItem(L"Kestrova", L"Demo mend");
    ASSERT_NE(demo, nullptr);
    demo->enabled = false;
    IDispatch* web = host_.AddWeb(L"C:\\Webs\\site");
    const FireOutcome outcome = event.fire(host_, web);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.sinks_called, 1u);
    EXPECT_TRUE(demo->enabled);
    // Nothing else on the menu changed.
    EXPECT_EQ(StandInHost::Captions(*host_.menu_bar_controls().items.at(8)->children),
              (std::vector<std::wstring>{L"Demo mend", L"Register", L"About"}));
  }
}

TEST_F(AddinConnectionTest, DemoMendSaysThereIsNoDemo) {
  ASSERT_EQ(host_.FireWebOpen(host_.AddWeb(L"C:\\Webs\\site")).result, S_OK);
  StandInHost::Control* demo = host_.MenuItem(L"Kestrova", L"Demo mend");
  ASSERT_NE(demo, nullptr);
  ASSERT_TRUE(demo->enabled);
  for (const bool cancel_default : {true, false}) {
    SCOPED_TRACE(cancel_default);
    std::vector<std::wstring> texts;
    bool has_cancel = true;
    const auto answered = WhenVisible(kMessageBoxClass, kAddinTitle, [&](HWND box) {
      texts = StaticTexts(box);
      has_cancel = GetDlgItem(box, IDCANCEL) != nullptr;
      ClickButton(box, IDOK);
    });
    const StandInHost::ClickOutcome outcome = ClickWatched(host_, *demo, cancel_default);
    EXPECT_TRUE(*answered);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.cancel_default_value, cancel_default ? VARIANT_TRUE : VARIANT_FALSE);
    EXPECT_EQ(texts, std::vector<std::wstring>{L"No demo here."});
    EXPECT_FALSE(has_cancel);
    EXPECT_EQ(win32::FindVisibleWindow(kMessageBoxClass, kAddinTitle), nullptr);
  }
  EXPECT_TRUE(demo->enabled);
  EXPECT_TRUE(browser_log_.calls().empty());
}

TEST_F(AddinConnectionTest, RegisterOpensTheSubscriptionPageInANewBrowser) {
  StandInHost::Control* register_button = host_.MenuItem(L"Kestrova", L"Register");
  ASSERT_NE(register_button, nullptr);
  const StandInHost::ClickOutcome outcome = host_.Click(*register_button, false);
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_FALSE(outcome.cancel_default);
  EXPECT_EQ(browser_class_->created(), 1);
  const auto& calls = browser_log_.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].member, L"Navigate");
  EXPECT_EQ(calls[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(calls[0].arguments, (std::vector<RecordedArgument>{{VT_BSTR, kSubscribeUrl}}));
  EXPECT_EQ(calls[1].member, L"Visible");
  EXPECT_EQ(calls[1].flags, DISPATCH_PROPERTYPUT);
  EXPECT_TRUE(calls[1].named_put);
  EXPECT_EQ(calls[1].arguments, (std::vector<RecordedArgument>{{VT_BOOL, L"-1"}}));
  // The add-in let go of the browser; its window stays open on its own.
  EXPECT_EQ(browser_.references(), 0);
}

TEST_F(AddinConnectionTest, AboutShowsTheAboutBoxUntilOk) {
  StandInHost::Control* about = host_.MenuItem(L"Kestrova", L"About");
  ASSERT_NE(about, nullptr);
  SIZE client{};
  bool has_ok = false;
  std::wstring screenshot;
  const auto answered = WhenVisible(kAddinWindowClass, kAboutCaption, [&](HWND window) {
    client = win32::ClientSize(window);
    has_ok = win32::FindChild(window, L"Button", L"OK") != nullptr;
    // Wine shows what a window painted a moment later: the picture is taken after a pause.
    win32::RunLater(std::chrono::milliseconds{400}, [&screenshot, window] {
      screenshot = SaveAddinScreenshot(window, L"addin_about_box.bmp");
      ClickButton(window, L"OK");
    });
  });
  const StandInHost::ClickOutcome outcome = ClickWatched(host_, *about);
  EXPECT_TRUE(*answered);
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_FALSE(outcome.cancel_default);
  EXPECT_EQ(client.cx, 518);
  EXPECT_EQ(client.cy, 317);
  EXPECT_TRUE(has_ok);
  EXPECT_FALSE(screenshot.empty());
  EXPECT_EQ(win32::FindVisibleWindow(kAddinWindowClass, kAboutCaption), nullptr);
  EXPECT_TRUE(browser_log_.calls().empty());
}

TEST_F(AddinConnectionTest, MenuCommandsWhileTheAboutBoxIsUpActAsTheyWouldAlone) {
  ASSERT_EQ(host_.FireWebOpen(host_.AddWeb(L"C:\\Webs\\site")).result, S_OK);
  StandInHost::Control* about = host_.MenuItem(L"Kestrova", L"About");
  StandInHost::Control* register_button = host_.MenuItem(L"Kestrova", L"Register");
  StandInHost::Control* demo = host_.MenuItem(L"Kestrova", L"Demo mend");
  ASSERT_NE(about, nullptr);
  ASSERT_NE(register_button, nullptr);
  ASSERT_NE(demo, nullptr);
  const HostMainWindow main_window;
  HWND owner = nullptr;
  bool main_window_enabled = false;
  std::optional<HRESULT> second_about;
  int about_boxes = 0;
  bool raised = false;
  std::optional<HRESULT> register_result;
  std::optional<HRESULT> demo_result;
  std::shared_ptr<bool> demo_answered;
  const auto answered = WhenVisible(kAddinWindowClass, kAboutCaption, [&](HWND box) {
    owner = GetWindow(box, GW_OWNER);
    main_window_enabled = IsWindowEnabled(main_window.hwnd()) != FALSE;
    // The user goes back to FrontPage and chooses About, Register and Demo mend again.
    SetActiveWindow(main_window.hwnd());
    second_about = host_.Click(*about, false).result;
    about_boxes = CountVisibleWindows(kAddinWindowClass, kAboutCaption);
    raised = GetActiveWindow() == box;
    register_result = host_.Click(*register_button, false).result;
    demo_answered = WhenVisible(kMessageBoxClass, kAddinTitle,
                                [](HWND message) { ClickButton(message, IDOK); });
    demo_result = host_.Click(*demo, false).result;
    ClickButton(box, L"OK");
  });
  const StandInHost::ClickOutcome outcome = ClickWatched(host_, *about);
  EXPECT_TRUE(*answered);
  EXPECT_EQ(outcome.result, S_OK);
  // The box stays above FrontPage's main window, which stays usable.
  EXPECT_EQ(owner, main_window.hwnd());
  EXPECT_TRUE(main_window_enabled);
  // The second About came back at once and raised the open box instead of showing another.
  EXPECT_EQ(second_about, std::optional<HRESULT>(S_OK));
  EXPECT_EQ(about_boxes, 1);
  EXPECT_TRUE(raised);
  EXPECT_EQ(register_result, std::optional<HRESULT>(S_OK));
  EXPECT_EQ(browser_log_.Of(L"Navigate").size(), 1u);
  EXPECT_EQ(demo_result, std::optional<HRESULT>(S_OK));
  ASSERT_NE(demo_answered, nullptr);
  EXPECT_TRUE(*demo_answered);
  EXPECT_EQ(win32::FindVisibleWindow(kAddinWindowClass, kAboutCaption), nullptr);
}

TEST_F(AddinConnectionTest, ASinkTheHostKeepsHoldsTheDllUntilReleased) {
  StandInHost::Control* about = host_.MenuItem(L"Kestrova", L"About");
  ASSERT_NE(about, nullptr);
  const auto answered = WhenVisible(kAddinWindowClass, kAboutCaption,
                                    [](HWND window) { ClickButton(window, L"OK"); });
  ASSERT_EQ(ClickWatched(host_, *about).result, S_OK);
  EXPECT_TRUE(*answered);
  // The host holds the application-event sink past the add-in's disconnection and release.
  host_.KeepApplicationSinksPastUnadvise();
  EXPECT_EQ(Disconnect(), S_OK);
  EXPECT_EQ(BeginShutdown(), S_OK);
  addin_.Reset();
  HMODULE module = GetModuleHandleW(L"FPKestrova.dll");
  EXPECT_EQ(AddinCanUnloadNow(), std::optional<HRESULT>(S_FALSE));
  CoFreeUnusedLibraries();
  ASSERT_EQ(GetModuleHandleW(L"FPKestrova.dll"), module) << "unloaded under a held sink";
  EXPECT_EQ(host_.ReleaseKeptSinks(), 1u);
  EXPECT_EQ(AddinCanUnloadNow(), std::optional<HRESULT>(S_OK));
  // No window class of ours is left to point at code that may be unloaded now.
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  EXPECT_EQ(GetClassInfoExW(module, kAddinWindowClass, &window_class), FALSE);
}

}  // namespace
}  // namespace kestrova::testing

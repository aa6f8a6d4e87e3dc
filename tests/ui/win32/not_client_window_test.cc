// The not-a-client dialog as a window: its place, size, texts, bold label, focus, taskbar and
// what each way of answering it does to the dialog's flags.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pump/win32/win32_event_pump.h"
#include "platform/win32/wide_text.h"
#include "ui/frm_ksv_about.h"
#include "ui/frm_not_client.h"
#include "ui/service_site.h"
#include "ui/win32/win32_user_interface.h"
#include "ui_test_support.h"

namespace kestrova::win32 {
namespace {

using std::chrono_literals::operator""ms;

const std::wstring kCaption = WideFromUtf8(FrmNotClient::kCaption);

HWND FindDialog() { return FindVisibleWindow(L"KestrovaWindow", kCaption); }

class NotClientWindowTest : public WindowTest {};

// At its fixed place and size, out of the taskbar, its texts, bold label, picture and buttons in
// their places, OK focused; saved as a screenshot.
void ExpectLaidOut(HWND window) {
  EXPECT_GE(ClientSize(window).cx, 402);  // wider where the font needs it
  EXPECT_EQ(ClientSize(window).cy, 214);
  EXPECT_EQ(ClientOrigin(window).x, 184);
  EXPECT_EQ(ClientOrigin(window).y, 250);
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  // Out of the taskbar: owned, and not an application window.
  EXPECT_NE(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(ex_style & WS_EX_APPWINDOW, 0u);

  for (std::string_view label :
       {FrmNotClient::kLabel1, FrmNotClient::kLabel2, FrmNotClient::kLabel3, FrmNotClient::kLabel4,
        FrmNotClient::kLabel5}) {
    EXPECT_NE(FindChild(window, L"Static", WideFromUtf8(label)), nullptr) << label;
  }
  const auto weight_of = [](HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfWeight;
  };
  EXPECT_EQ(weight_of(FindChild(window, L"Static", WideFromUtf8(FrmNotClient::kLabel2))), 700);
  EXPECT_LT(weight_of(FindChild(window, L"Static", WideFromUtf8(FrmNotClient::kLabel1))), 700);

  HWND register_button = FindChild(window, L"Button", L"Register");
  HWND ok_button = FindChild(window, L"Button", L"OK");
  HWND cancel_button = FindChild(window, L"Button", L"Cancel");
  ASSERT_NE(register_button, nullptr);
  ASSERT_NE(ok_button, nullptr);
  ASSERT_NE(cancel_button, nullptr);
  const RECT left = ChildRect(register_button);
  const RECT middle = ChildRect(ok_button);
  const RECT right = ChildRect(cancel_button);
  EXPECT_EQ(left.top, middle.top);
  EXPECT_EQ(middle.top, right.top);
  EXPECT_LT(left.right, middle.left);
  EXPECT_LT(middle.right, right.left);
  EXPECT_EQ(middle.right - middle.left, 81);
  EXPECT_EQ(middle.bottom - middle.top, 25);
  EXPECT_EQ(GetFocus(), ok_button);
  // Image1: the 32 x 32 warning picture at the top left.
  HWND image = nullptr;
  for (HWND child : ChildrenOfClass(window, L"Static")) {
    const auto child_style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    if ((child_style & SS_TYPEMASK) == SS_ICON) image = child;
  }
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(ChildRect(image).left, 8);
  EXPECT_EQ(ChildRect(image).top, 8);
  ICONINFO icon{};
  ASSERT_NE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(image, STM_GETICON, 0, 0)), &icon),
            FALSE);
  BITMAP colour{};
  GetObjectW(icon.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
  // Tab goes from OK to Cancel, then Register.
  EXPECT_EQ(GetNextDlgTabItem(window, ok_button, FALSE), cancel_button);
  EXPECT_EQ(GetNextDlgTabItem(window, cancel_button, FALSE), register_button);

  EXPECT_FALSE(SaveScreenshot(window, L"not_client_window.bmp").empty());
}

// One way of answering the dialog and the flags it leaves.
struct Answer {
  const char* name;
  std::function<void(HWND)> press;
  bool cancel;
  bool register_flag;
};

TEST_F(NotClientWindowTest, EachAnswerSetsItsFlags) {
  const Answer answers[] = {
      {"OK", [](HWND dialog) { ClickButton(dialog, L"OK"); }, false, false},
      {"Cancel", [](HWND dialog) { ClickButton(dialog, L"Cancel"); }, true, false},
      {"Register", [](HWND dialog) { ClickButton(dialog, L"Register"); }, false, true},
      {"close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, false,
       false},
      {"Enter", [](HWND) { PressKey(VK_RETURN); }, false, false},
      {"Esc", [](HWND) { PressKey(VK_ESCAPE); }, true, false},
      // FrontPage closing under the dialog cancels the publish.
      {"quit", [](HWND) { PostQuitMessage(0); }, true, false},
  };
  for (const Answer& answer : answers) {
    SCOPED_TRACE(answer.name);
    ScheduledActionsScope actions;
    RecordingBrowser browser;
    FrmNotClient dialog(browser);
    Win32UserInterface ui;
    bool pressed = false;
    bool watchdog = false;
    RunLater(150ms, [&] {
      HWND window = FindDialog();
      ASSERT_NE(window, nullptr);
      pressed = true;
      ExpectLaidOut(window);
      answer.press(window);
    });
    ScheduleWatchdog(L"KestrovaWindow", kCaption, watchdog);
    ui.ShowNotClient(dialog);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(watchdog);
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(dialog.Cancel(), answer.cancel);
    EXPECT_EQ(dialog.Register(), answer.register_flag);
    if (answer.register_flag) {
      ASSERT_EQ(browser.urls.size(), 1u);
      EXPECT_EQ(browser.urls[0], kSubscribeUrl);
    } else {
      EXPECT_TRUE(browser.urls.empty());
    }
    EXPECT_EQ(FindDialog(), nullptr);
    MSG quit;  // the quit stays for the host's own loop
    EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE,
              std::string_view(answer.name) == "quit");
  }
}

TEST_F(NotClientWindowTest, RunsTheEventPumpWhileWaitingAndTakesEnterThroughIt) {
  ScheduledActionsScope actions;
  RecordingBrowser browser;
  FrmNotClient dialog(browser);
  Win32EventPump pump;
  Win32UserInterface ui(&pump);
  int ticks = 0;
  bool watchdog = false;
  // The pump's own timer stands for the transfers and the animation that go on behind the dialog.
  const EventPump::TimerId timer = pump.AddTimer(
      50ms,
      [&ticks] {
        if (++ticks == 3) PressKey(VK_RETURN);
      },
      true);
  ScheduleWatchdog(L"KestrovaWindow", kCaption, watchdog);
  ui.ShowNotClient(dialog);
  pump.RemoveTimer(timer);
  EXPECT_GE(ticks, 3);
  EXPECT_FALSE(watchdog);
  EXPECT_FALSE(dialog.visible());
  EXPECT_FALSE(dialog.Cancel());
  EXPECT_FALSE(dialog.Register());
}

TEST_F(NotClientWindowTest, TakesItsKeysWhileAnotherOfOurWindowsWaitsAboveIt) {
  ScheduledActionsScope actions;
  RecordingBrowser browser;
  FrmNotClient dialog(browser);
  FrmKSVAbout about(browser);
  Win32UserInterface ui;
  const std::wstring about_caption = WideFromUtf8(FrmKSVAbout::kCaption);
  bool about_shown = false;
  bool watchdog = false;
  RunLater(150ms, [&] {
    HWND window = FindDialog();
    ASSERT_NE(window, nullptr);
    // The About box opens (from the host's menu) while the dialog waits; the user goes back to
    // the dialog and presses Esc there, then Enter in the About box.
    RunLater(150ms, [&, window] {
      SetFocus(GetDlgItem(window, IDOK));
      PressKey(VK_ESCAPE);
      RunLater(150ms, [&] {
        HWND about_box = FindVisibleWindow(L"KestrovaWindow", about_caption);
        ASSERT_NE(about_box, nullptr);
        SetFocus(about_box);
        PressKey(VK_RETURN);
      });
    });
    about_shown = true;
    ui.ShowAbout(about);
  });
  ScheduleWatchdog(L"KestrovaWindow", about_caption, watchdog);
  ScheduleWatchdog(L"KestrovaWindow", kCaption, watchdog);
  ui.ShowNotClient(dialog);
  EXPECT_TRUE(about_shown);
  EXPECT_FALSE(watchdog);
  EXPECT_TRUE(dialog.Cancel()) << "Esc pressed Cancel";
  EXPECT_FALSE(about.loaded()) << "Enter pressed OK";
  EXPECT_EQ(FindDialog(), nullptr);
}

}  // namespace
}  // namespace kestrova::win32

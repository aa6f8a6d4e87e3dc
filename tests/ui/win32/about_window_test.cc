// The About box as a window: centred, its size, OK and the web-site picture in their places, and
// what OK, the close box, the picture and a click on the artwork do to the model.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "ui/frm_ksv_about.h"
#include "ui/service_site.h"
#include "ui/win32/win32_user_interface.h"
#include "ui_test_support.h"

namespace kestrova::win32 {
namespace {

using std::chrono_literals::operator""ms;

const std::wstring kCaption = WideFromUtf8(FrmKSVAbout::kCaption);

HWND FindAbout() { return FindVisibleWindow(L"KestrovaWindow", kCaption); }

// The web-site picture: the one bitmap static that notifies its clicks.
HWND WebSitePicture(HWND about) {
  for (HWND child : ChildrenOfClass(about, L"Static")) {
    const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    if ((style & SS_TYPEMASK) == SS_BITMAP && (style & SS_NOTIFY) != 0) return child;
  }
  return nullptr;
}

void ClickAt(HWND window, int x, int y) {
  const auto position = static_cast<LPARAM>(MAKELONG(x, y));
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
  PostMessageW(window, WM_LBUTTONUP, 0, position);
}

class AboutWindowTest : public WindowTest {};

// Centred, its size, OK and the web-site picture in their places; saved as a screenshot.
void ExpectLaidOut(HWND window) {
  EXPECT_EQ(ClientSize(window).cx, 518);
  EXPECT_EQ(ClientSize(window).cy, 317);
  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_NE(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetFocus(), window);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

  HWND ok_button = FindChild(window, L"Button", L"OK");
  ASSERT_NE(ok_button, nullptr);
  const RECT ok = ChildRect(ok_button);
  EXPECT_EQ(ok.left, 440);
  EXPECT_EQ(ok.top, 216);
  EXPECT_EQ(ok.right - ok.left, 65);
  EXPECT_EQ(ok.bottom - ok.top, 25);
  HWND picture = WebSitePicture(window);
  ASSERT_NE(picture, nullptr);
  const RECT site = ChildRect(picture);
  EXPECT_EQ(site.left, 368);
  EXPECT_EQ(site.top, 288);
  EXPECT_EQ(site.right - site.left, 145);
  EXPECT_EQ(site.bottom - site.top, 17);
  BITMAP image{};
  GetObjectW(reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)),
             sizeof(image), &image);
  EXPECT_EQ(image.bmWidth, 147);
  EXPECT_EQ(image.bmHeight, 19);
  EXPECT_EQ(image.bmBitsPixel, 24);

  EXPECT_FALSE(SaveScreenshot(window, L"about_window.bmp").empty());
}

// One way of leaving the About box and the model's state after it.
struct Leave {
  const char* name;
  std::function<void(HWND)> act;
  bool loaded;
  bool opens_site;
};

TEST_F(AboutWindowTest, EachWayOutLeavesItsState) {
  const Leave leaves[] = {
      {"OK", [](HWND about) { ClickButton(about, L"OK"); }, false, false},
      {"close box", [](HWND about) { PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }, false,
       false},
      {"Esc", [](HWND) { PressKey(VK_ESCAPE); }, false, false},
      {"web-site picture", [](HWND about) { ClickAt(WebSitePicture(about), 5, 5); }, true, true},
  };
  for (const Leave& leave : leaves) {
    SCOPED_TRACE(leave.name);
    ScheduledActionsScope actions;
    RecordingBrowser browser;
    FrmKSVAbout about(browser);
    Win32UserInterface ui;
    bool still_open_after_artwork_click = false;
    bool watchdog = false;
    RunLater(150ms, [&] {
      HWND window = FindAbout();
      ASSERT_NE(window, nullptr);
      ExpectLaidOut(window);
      // A click on the artwork away from the controls does nothing.
      ClickAt(window, 60, 60);
      RunLater(100ms, [&] {
        HWND again = FindAbout();
        still_open_after_artwork_click = again != nullptr && about.visible();
        if (again != nullptr) leave.act(again);
      });
    });
    ScheduleWatchdog(L"KestrovaWindow", kCaption, watchdog);
    ui.ShowAbout(about);
    EXPECT_TRUE(still_open_after_artwork_click);
    EXPECT_FALSE(watchdog);
    EXPECT_FALSE(about.visible());
    EXPECT_EQ(about.loaded(), leave.loaded);
    if (leave.opens_site) {
      ASSERT_EQ(browser.urls.size(), 1u);
      EXPECT_EQ(browser.urls[0], kServiceSiteUrl);
    } else {
      EXPECT_TRUE(browser.urls.empty());
    }
    EXPECT_EQ(FindAbout(), nullptr);
  }
}

}  // namespace
}  // namespace kestrova::win32

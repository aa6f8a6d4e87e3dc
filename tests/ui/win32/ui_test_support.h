// Helpers for the window tests: whether windows can open at all, finding controls, geometry,
// actions run later from inside a modal wait, and screenshots.
#ifndef KESTROVA_TESTS_UI_WIN32_UI_TEST_SUPPORT_H_
#define KESTROVA_TESTS_UI_WIN32_UI_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/recording_browser.h"

namespace kestrova::win32 {

// True when an X display is there for Wine's windows.
bool HasDisplay();

// Skips every test of a fixture derived from it when there is no display.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// The window's text.
std::wstring TextOf(HWND window);
// The direct children of parent whose class is class_name (case-insensitive), in z-order.
std::vector<HWND> ChildrenOfClass(HWND parent, std::wstring_view class_name);
// The child of class_name whose text is text, or null.
HWND FindChild(HWND parent, std::wstring_view class_name, std::wstring_view text);
// The top-level window of class_name and caption of this thread that is visible, or null.
HWND FindVisibleWindow(std::wstring_view class_name, std::wstring_view caption);
// The client area's size.
SIZE ClientSize(HWND window);
// The client area's top left corner on the screen.
POINT ClientOrigin(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// Runs action once, about delay from now, from whatever loop dispatches this thread's messages.
void RunLater(std::chrono::milliseconds delay, std::function<void()> action);
// Cancels, when it goes, every action RunLater scheduled and that has not run yet, so that no
// action of one case (a watchdog, say) runs in the next.
class ScheduledActionsScope {
 public:
  ScheduledActionsScope() = default;
  ~ScheduledActionsScope();
  ScheduledActionsScope(const ScheduledActionsScope&) = delete;
  ScheduledActionsScope& operator=(const ScheduledActionsScope&) = delete;
};
// Closes the visible window of class_name and caption about 5 s from now if it is still open, and
// then sets fired, so that a window the test's actions fail to close fails the test instead of
// hanging it. fired must outlive the ScheduledActionsScope in force.
void ScheduleWatchdog(std::wstring_view class_name, std::wstring caption, bool& fired);
// Clicks the button of parent whose text is text.
void ClickButton(HWND parent, std::wstring_view text);
// Presses and releases key in the window that has the focus.
void PressKey(WPARAM key);
// Dispatches this thread's messages until done() or timeout; returns done().
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Copies the window as the screen shows it into a 24-bit .bmp file named name beside the test
// program; returns the file's path (empty when it could not be written).
std::wstring SaveScreenshot(HWND window, std::wstring_view name);

using testing::RecordingBrowser;

}  // namespace kestrova::win32

#endif  // KESTROVA_TESTS_UI_WIN32_UI_TEST_SUPPORT_H_

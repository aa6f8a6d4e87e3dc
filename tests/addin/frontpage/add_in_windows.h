// Finding and answering the add-in's windows while the add-in waits for them on this thread:
// actions run from timers inside the modal loops, a watchdog closes whatever a broken case left
// open, the status window's texts are read back, and screenshots go where the run asks.
#ifndef KESTROVA_TESTS_ADDIN_FRONTPAGE_ADD_IN_WINDOWS_H_
#define KESTROVA_TESTS_ADDIN_FRONTPAGE_ADD_IN_WINDOWS_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/ui/win32/ui_test_support.h"

namespace kestrova::testing {

// The window classes and captions the add-in shows.
inline constexpr wchar_t kAddinWindowClass[] = L"KestrovaWindow";
inline constexpr wchar_t kMessageBoxClass[] = L"#32770";
inline constexpr wchar_t kStatusCaption[] = L"Kestrova mending status";
inline constexpr wchar_t kAboutCaption[] = L"About Kestrova FrontPage Add-In";
inline constexpr wchar_t kErrorCaption[] = L"Error";
inline constexpr wchar_t kAddinTitle[] = L"FPKestrova";

// Runs action once with the window of class_name and caption as soon as it is visible on this
// thread, looking every 50 ms for about 5 s. The flag it returns turns true when action ran.
std::shared_ptr<bool> WhenVisible(std::wstring class_name, std::wstring caption,
                                  std::function<void(HWND)> action);

// From about 10 s on, closes every visible window of this thread once a second and records its
// caption in closed, so that a case whose window was never answered fails instead of hanging.
void ScheduleWatchdog(std::shared_ptr<std::vector<std::wstring>> closed);

// The texts of the Static children of window that show text (not pictures), in z-order.
std::vector<std::wstring> StaticTexts(HWND window);

// The status window's step label and status bar, as the screen shows them.
struct StatusTexts {
  std::wstring label;
  std::wstring status_bar;
  bool operator==(const StatusTexts&) const = default;
};
// The visible status window's texts; empty when it is not shown.
StatusTexts ReadStatusWindow();

// Records the status window's texts every 20 ms while it lives, each change once, until the
// recorder goes.
class StatusWindowRecorder {
 public:
  StatusWindowRecorder();
  ~StatusWindowRecorder();
  StatusWindowRecorder(const StatusWindowRecorder&) = delete;
  StatusWindowRecorder& operator=(const StatusWindowRecorder&) = delete;

  // Reads the window now (also from a host call inside the add-in's work).
  void Sample();
  // The step labels and the status bar texts seen, each run of equal texts once, in order.
  std::vector<std::wstring> labels() const;
  std::vector<std::wstring> status_bar_texts() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// A visible, active top-level window of this thread standing for FrontPage's main window while it
// lives.
class HostMainWindow {
 public:
  HostMainWindow();
  ~HostMainWindow();
  HostMainWindow(const HostMainWindow&) = delete;
  HostMainWindow& operator=(const HostMainWindow&) = delete;
  HWND hwnd() const { return window_; }

 private:
  HWND window_;
};

// The number of visible windows of class_name and caption on this thread.
int CountVisibleWindows(std::wstring_view class_name, std::wstring_view caption);

// Clicks the push button of window with control id `id`, or (win32's) whose text is text.
void ClickButton(HWND window, int id);
using win32::ClickButton;

// Saves window as a 24-bit .bmp named name in the folder that KESTROVA_SCREENSHOT_DIR names, or
// beside the program when it is unset; returns the file's path (empty when it failed).
std::wstring SaveAddinScreenshot(HWND window, std::wstring_view name);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_FRONTPAGE_ADD_IN_WINDOWS_H_

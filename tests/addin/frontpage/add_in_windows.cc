#include "tests/addin/frontpage/add_in_windows.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kestrova::testing {
namespace {

using std::chrono_literals::operator""ms;

constexpr int kLookups = 100;  // 100 x 50 ms
constexpr auto kLookupGap = 50ms;
constexpr auto kWatchdogStart = 10000ms;
constexpr auto kWatchdogGap = 1000ms;
constexpr auto kRecorderGap = 20ms;

void LookFor(std::wstring class_name, std::wstring caption, std::function<void(HWND)> action,
             std::shared_ptr<bool> done, int lookups_left) {
  if (HWND window = win32::FindVisibleWindow(class_name, caption)) {
    *done = true;
    action(window);
    return;
  }
  if (lookups_left <= 0) return;
  win32::RunLater(kLookupGap, [class_name = std::move(class_name), caption = std::move(caption),
                               action = std::move(action), done, lookups_left]() mutable {
    LookFor(std::move(class_name), std::move(caption), std::move(action), done, lookups_left - 1);
  });
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window) != FALSE) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

// The visible top-level windows of this thread.
std::vector<HWND> VisibleWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64];
  return GetClassNameW(window, name, 64) == 0 ? std::wstring() : std::wstring(name);
}

void CloseStrayWindows(std::shared_ptr<std::vector<std::wstring>> closed) {
  for (HWND window : VisibleWindows()) {
    closed->push_back(win32::TextOf(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  win32::RunLater(kWatchdogGap, [closed] { CloseStrayWindows(closed); });
}

bool IsPicture(HWND control) {
  const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
  const DWORD type = style & SS_TYPEMASK;
  return type == SS_BITMAP || type == SS_ICON;
}

// The status window's status bar is the sunken field along the bottom; its step label is the
// other text.
bool IsStatusBar(HWND control) {
  return (static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & SS_SUNKEN) != 0;
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH * 4);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return std::filesystem::path(std::wstring(path.data(), length)).parent_path().wstring();
}

void AppendChange(std::vector<std::wstring>& seen, const std::wstring& text) {
  if (seen.empty() || seen.back() != text) seen.push_back(text);
}

}  // namespace

std::shared_ptr<bool> WhenVisible(std::wstring class_name, std::wstring caption,
                                  std::function<void(HWND)> action) {
  auto done = std::make_shared<bool>(false);
  win32::RunLater(kLookupGap, [class_name = std::move(class_name), caption = std::move(caption),
                               action = std::move(action), done]() mutable {
    LookFor(std::move(class_name), std::move(caption), std::move(action), done, kLookups);
  });
  return done;
}

void ScheduleWatchdog(std::shared_ptr<std::vector<std::wstring>> closed) {
  win32::RunLater(kWatchdogStart, [closed] { CloseStrayWindows(closed); });
}

std::vector<std::wstring> StaticTexts(HWND window) {
  std::vector<std::wstring> texts;
  for (HWND control : win32::ChildrenOfClass(window, L"Static")) {
    if (!IsPicture(control)) texts.push_back(win32::TextOf(control));
  }
  return texts;
}

StatusTexts ReadStatusWindow() {
  StatusTexts texts;
  HWND window = win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption);
  if (window == nullptr) return texts;
  for (HWND control : win32::ChildrenOfClass(window, L"Static")) {
    if (!IsPicture(control))
      (IsStatusBar(control) ? texts.status_bar : texts.label) = win32::TextOf(control);
  }
  return texts;
}

struct StatusWindowRecorder::State {
  std::vector<std::wstring> labels;
  std::vector<std::wstring> status_bar_texts;
  HHOOK hook = nullptr;

  void Sample() {
    const StatusTexts texts = ReadStatusWindow();
    if (!texts.label.empty()) AppendChange(labels, texts.label);
    if (!texts.status_bar.empty()) AppendChange(status_bar_texts, texts.status_bar);
  }

  // Sees every text set on the status window's controls as it is set, also between two samples
  // when the add-in lets no message through.
  void See(HWND control, const wchar_t* text) {
    HWND window = GetParent(control);
    if (window == nullptr || ClassOf(window) != kAddinWindowClass ||
        win32::TextOf(window) != kStatusCaption || text == nullptr || *text == L'\0' ||
        CompareStringOrdinal(ClassOf(control).c_str(), -1, L"Static", -1, TRUE) != CSTR_EQUAL ||
        IsPicture(control)) {
      return;
    }
    AppendChange(IsStatusBar(control) ? status_bar_texts : labels, text);
  }

  // A chain of timers, one sample each, that ends once the recorder is gone.
  static void Tick(const std::weak_ptr<State>& weak) {
    const std::shared_ptr<State> state = weak.lock();
    if (!state) return;
    state->Sample();
    win32::RunLater(kRecorderGap, [weak] { Tick(weak); });
  }
};

namespace {

// The recorder whose hook runs; one at a time.
StatusWindowRecorder::State* active_recorder = nullptr;

LRESULT CALLBACK SeeSentMessage(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && active_recorder != nullptr) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (sent->message == WM_SETTEXT) {
      active_recorder->See(sent->hwnd, reinterpret_cast<const wchar_t*>(sent->lParam));
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

StatusWindowRecorder::StatusWindowRecorder() : state_(std::make_shared<State>()) {
  active_recorder = state_.get();
  state_->hook = SetWindowsHookExW(WH_CALLWNDPROC, &SeeSentMessage, nullptr, GetCurrentThreadId());
  std::weak_ptr<State> weak = state_;
  win32::RunLater(kRecorderGap, [weak] { State::Tick(weak); });
}

StatusWindowRecorder::~StatusWindowRecorder() {
  if (state_->hook != nullptr) UnhookWindowsHookEx(state_->hook);
  if (active_recorder == state_.get()) active_recorder = nullptr;
}

void StatusWindowRecorder::Sample() { state_->Sample(); }

std::vector<std::wstring> StatusWindowRecorder::labels() const { return state_->labels; }

std::vector<std::wstring> StatusWindowRecorder::status_bar_texts() const {
  return state_->status_bar_texts;
}

HostMainWindow::HostMainWindow()
    : window_(CreateWindowExW(0, L"STATIC", L"Microsoft FrontPage", WS_OVERLAPPEDWINDOW, 40, 40,
                              640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
}

HostMainWindow::~HostMainWindow() { DestroyWindow(window_); }

int CountVisibleWindows(std::wstring_view class_name, std::wstring_view caption) {
  const std::vector<HWND> windows = VisibleWindows();
  return static_cast<int>(std::count_if(windows.begin(), windows.end(), [&](HWND window) {
    return ClassOf(window) == class_name && win32::TextOf(window) == caption;
  }));
}

void ClickButton(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

std::wstring SaveAddinScreenshot(HWND window, std::wstring_view name) {
  const std::wstring saved = win32::SaveScreenshot(window, name);
  if (saved.empty()) return saved;
  wchar_t folder[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableW(L"KESTROVA_SCREENSHOT_DIR", folder, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return saved;
  const std::filesystem::path target =
      std::filesystem::path(std::wstring(folder, length)) / std::wstring(name);
  if (target == std::filesystem::path(ProgramFolder()) / std::wstring(name)) return saved;
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  if (MoveFileExW(saved.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) == FALSE) {
    return {};
  }
  return target.wstring();
}

}  // namespace kestrova::testing

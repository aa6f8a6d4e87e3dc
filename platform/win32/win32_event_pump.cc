#include "platform/win32/win32_event_pump.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "base/failure.h"
#include "platform/win32/com_failure.h"

// The module this code is linked into (the add-in's DLL or a test program), for the window class.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace kestrova::win32 {
namespace {

constexpr wchar_t kWindowClassName[] = L"KestrovaEventPumpWindow";
// The message that carries a cancel request; the window is message-only, so WM_APP is free.
constexpr UINT kCancelMessage = WM_APP + 1;

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Guards the window class: registered while any pump's window exists in the process.
std::mutex& WindowClassMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

void Win32EventPump::WindowDestroyer::operator()(HWND window) const noexcept {
  const std::lock_guard lock(WindowClassMutex());
  DestroyWindow(window);
  // Fails, harmlessly, while another pump's window still uses the class. Unregistering the last
  // use matters for a DLL: a class left behind would point at code that is unloaded.
  UnregisterClassW(kWindowClassName, ThisModule());
}

Win32EventPump::Win32EventPump() {
  wake_event_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake_event_) throw FailureFromWin32Error(GetLastError(), "CreateEventW");

  const std::lock_guard lock(WindowClassMutex());
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = ThisModule();
  window_class.lpszClassName = kWindowClassName;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw FailureFromWin32Error(GetLastError(), "RegisterClassExW");
  }
  window_.reset(CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ThisModule(), nullptr));
  if (!window_) {
    const DWORD error = GetLastError();
    UnregisterClassW(kWindowClassName, ThisModule());
    throw FailureFromWin32Error(error, "CreateWindowExW");
  }
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32EventPump::~Win32EventPump() {
  // Cancel requests still queued go with the window; none reaches a handler after this.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32EventPump::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  if (message == kCancelMessage) {
    auto* pump = reinterpret_cast<Win32EventPump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // The handler runs later, from the pump: this message may be dispatched by any loop of the
    // thread (a message box's, the host's), where running it would be out of place.
    if (pump != nullptr) pump->cancel_posted_ = true;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Win32EventPump::DoEvents() {
  const DWORD wait = WaitMilliseconds(Clock::now());
  HANDLE event = wake_event_.get();
  // MWMO_INPUTAVAILABLE returns at once for messages already queued, not only for new ones.
  const DWORD woken =
      MsgWaitForMultipleObjectsEx(1, &event, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (woken == WAIT_FAILED)
    throw FailureFromWin32Error(GetLastError(), "MsgWaitForMultipleObjectsEx");
  DispatchMessages();
  DeliverCancel();
  DispatchSources();
  timers_.FireDue();
}

DWORD Win32EventPump::WaitMilliseconds(Clock::time_point now) const {
  std::chrono::milliseconds wait = kMaxWait;
  for (const Win32PumpSource* source : sources_) {
    if (const auto limit = source->Timeout(); limit) wait = std::min(wait, *limit);
  }
  wait = timers_.WaitUntilNext(now, wait);
  return static_cast<DWORD>(std::max(wait, std::chrono::milliseconds{0}).count());
}

void Win32EventPump::DispatchMessages() {
  MSG message;
  for (int count = 0; count < kMaxMessagesPerRound; ++count) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (message.message == WM_QUIT) {
      // The quit request belongs to the outermost loop: leave it for that loop to find.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32EventPump::DeliverCancel() {
  if (!std::exchange(cancel_posted_, false) || !on_cancel_) return;
  const std::function<void()> on_cancel = on_cancel_;  // the handler may replace itself
  on_cancel();
}

void Win32EventPump::DispatchCancelRequest() {
  MSG message;
  // Only the cancel messages of this pump's window: nothing else runs, and nothing sleeps.
  for (int count = 0; count < kMaxMessagesPerRound; ++count) {
    if (!PeekMessageW(&message, window_.get(), kCancelMessage, kCancelMessage, PM_REMOVE)) break;
    cancel_posted_ = true;
  }
  DeliverCancel();
}

void Win32EventPump::DispatchSources() {
  // A copy: a source's Dispatch may add or remove sources, or pump again.
  const std::vector<Win32PumpSource*> round = sources_;
  for (Win32PumpSource* source : round) {
    // An earlier source's callbacks may have removed this one.
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end()) continue;
    source->Dispatch();
  }
}

EventPump::TimerId Win32EventPump::AddTimer(std::chrono::milliseconds interval,
                                            std::function<void()> on_tick, bool enabled) {
  return timers_.Add(interval, std::move(on_tick), enabled);
}

void Win32EventPump::EnableTimer(TimerId id, bool enabled) { timers_.Enable(id, enabled); }

void Win32EventPump::RemoveTimer(TimerId id) { timers_.Remove(id); }

void Win32EventPump::SetCancelHandler(std::function<void()> on_cancel) {
  on_cancel_ = std::move(on_cancel);
}

void Win32EventPump::AddSource(Win32PumpSource& source) {
  if (std::find(sources_.begin(), sources_.end(), &source) == sources_.end()) {
    sources_.push_back(&source);
  }
}

void Win32EventPump::RemoveSource(Win32PumpSource& source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), &source), sources_.end());
}

void Win32EventPump::Wake() const noexcept { SetEvent(wake_event_.get()); }

void Win32EventPump::PostCancel() const noexcept {
  // A full message queue drops the request; a user who presses Ctrl+C again is heard then.
  PostMessageW(window_.get(), kCancelMessage, 0, 0);
}

}  // namespace kestrova::win32

#include "platform/pump/win32/win32_event_pump.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "base/failure.h"
#include "platform/win32/callback_failure.h"
#include "platform/win32/com/com_failure.h"

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
  CheckForQuit();
  const auto wait = WaitTime(Clock::now(), sources_.NearestTimeout());
  HANDLE event = wake_event_.get();
  if (quit_queued_) {
    // The quit stays queued for the host; only the sources and timers go on.
    if (WaitForSingleObject(event, static_cast<DWORD>(wait.count())) == WAIT_FAILED)
      throw FailureFromWin32Error(GetLastError(), "WaitForSingleObject");
  } else {
    // MWMO_INPUTAVAILABLE returns at once for messages already queued, not only for new ones.
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(wait.count()),
                                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_FAILED)
      throw FailureFromWin32Error(GetLastError(), "MsgWaitForMultipleObjectsEx");
    DispatchMessages();
  }
  // A window procedure that failed while these messages were dispatched fails the wait.
  RaiseKeptCallbackFailure();
  DeliverPostedCancel();
  // A source's Dispatch may add or remove sources, or pump again.
  sources_.DispatchRound(sources_.Round(),
                         [](Win32PumpSource& source, std::size_t) { source.Dispatch(); });
  FireDueTimers();
}

void Win32EventPump::DispatchMessages() {
  MSG message;
  for (int count = 0; count < kMaxMessagesPerRound; ++count) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (message.message == WM_QUIT) {
      KeepQuit(message);
      return;
    }
    DispatchOne(message);
  }
}

void Win32EventPump::DispatchOne(MSG& message) {
  if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
    // IsDialogMessage takes only the keys of the window itself and its controls.
    for (HWND window : cancel_windows_) {
      if (IsDialogMessageW(window, &message) != FALSE) return;
    }
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32EventPump::KeepQuit(const MSG& quit) {
  // The quit request belongs to the outermost loop: leave it for that loop to find, and stop the
  // work that pumps here.
  PostQuitMessage(static_cast<int>(quit.wParam));
  quit_queued_ = true;
  cancel_posted_ = true;
}

void Win32EventPump::CheckForQuit() {
  MSG quit;
  const bool queued = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
  if (queued && !quit_queued_) cancel_posted_ = true;
  quit_queued_ = queued;
}

void Win32EventPump::DeliverPostedCancel() {
  if (std::exchange(cancel_posted_, false)) DeliverCancel();
}

void Win32EventPump::DispatchCancelRequest() {
  // A queued quit is a cancel request of its own. It is looked for first: PeekMessage hands out
  // WM_QUIT whatever window and messages it is asked for, and the host's loop must still find it.
  CheckForQuit();
  MSG message;
  // Only the cancel messages of this pump's window and what the cancel windows have waiting:
  // nothing else runs, and nothing sleeps.
  for (int count = 0; count < kMaxMessagesPerRound && !quit_queued_; ++count) {
    if (!PeekMessageW(&message, window_.get(), kCancelMessage, kCancelMessage, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {
      KeepQuit(message);
    } else {
      cancel_posted_ = true;
    }
  }
  // A copy: a dispatched message may add or remove cancel windows.
  const std::vector<HWND> windows = cancel_windows_;
  for (HWND window : windows) {
    for (int count = 0; count < kMaxMessagesPerRound && !quit_queued_; ++count) {
      // The filter takes the window's controls' messages too: the click of its Cancel button.
      if (!PeekMessageW(&message, window, 0, 0, PM_REMOVE)) break;
      if (message.message == WM_QUIT) {
        KeepQuit(message);
      } else {
        DispatchOne(message);
      }
    }
  }
  RaiseKeptCallbackFailure();
  DeliverPostedCancel();
}

void Win32EventPump::AddCancelWindow(HWND window) {
  if (std::find(cancel_windows_.begin(), cancel_windows_.end(), window) == cancel_windows_.end())
    cancel_windows_.push_back(window);
}

void Win32EventPump::RemoveCancelWindow(HWND window) {
  cancel_windows_.erase(std::remove(cancel_windows_.begin(), cancel_windows_.end(), window),
                        cancel_windows_.end());
}

void Win32EventPump::Wake() const noexcept { SetEvent(wake_event_.get()); }

void Win32EventPump::PostCancel() const noexcept {
  // A full message queue drops the request; a user who presses Ctrl+C again is heard then.
  PostMessageW(window_.get(), kCancelMessage, 0, 0);
}

}  // namespace kestrova::win32

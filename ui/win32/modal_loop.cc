#include "ui/win32/modal_loop.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/win32/callback_failure.h"

namespace kestrova::win32 {
namespace {

// The dialogs waiting in modal loops on this thread, outermost first. Each is modal only to
// itself, so the user may work in any of them while an inner one waits.
thread_local std::vector<HWND> modal_dialogs;

// Turns a key for a waiting dialog into its dialog command (the message becomes WM_NULL).
void TakeDialogKey(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE && !modal_dialogs.empty()) {
    auto* message = reinterpret_cast<MSG*>(lparam);
    if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST &&
        message->hwnd != nullptr) {
      HWND dialog = GetAncestor(message->hwnd, GA_ROOT);
      if (std::find(modal_dialogs.begin(), modal_dialogs.end(), dialog) != modal_dialogs.end() &&
          IsDialogMessageW(dialog, message) != FALSE) {
        message->message = WM_NULL;
      }
    }
  }
}

// Sees every message the thread takes from its queue, whoever takes it (the pump's DoEvents among
// them), and turns the dialog keys (Tab, Enter, Esc) of any waiting dialog into its dialog
// commands. A failure on the way is kept for the wait (callback_failure.h).
LRESULT CALLBACK GetMessageHook(int code, WPARAM wparam, LPARAM lparam) {
  GuardCallback([&] { TakeDialogKey(code, wparam, lparam); }, [] {});
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct HookRemover {
  void operator()(HHOOK hook) const noexcept { UnhookWindowsHookEx(hook); }
};
using UniqueHook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookRemover>;

// Counts dialog among the waiting dialogs for its lifetime.
class ModalScope {
 public:
  explicit ModalScope(HWND dialog) { modal_dialogs.push_back(dialog); }
  ~ModalScope() { modal_dialogs.pop_back(); }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

}  // namespace

void RunModalLoop(HWND dialog, Win32EventPump* pump, const std::function<bool()>& finished) {
  ModalScope scope(dialog);
  UniqueHook hook(SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId()));
  while (!finished() && IsWindow(dialog) != FALSE) {
    if (pump != nullptr) {
      pump->DoEvents();
      MSG quit;
      if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE) return;
      continue;
    }
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (got < 0) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    RaiseKeptCallbackFailure();
  }
}

}  // namespace kestrova::win32

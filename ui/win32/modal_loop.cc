#include "ui/win32/modal_loop.h"

#include <memory>
#include <type_traits>

namespace kestrova::win32 {
namespace {

// The dialog whose keys the message hook hands to IsDialogMessage; one per thread, the innermost.
thread_local HWND modal_dialog = nullptr;

// Sees every message the thread takes from its queue, whoever takes it (the pump's DoEvents among
// them), and turns the dialog keys of the modal dialog into its dialog commands.
LRESULT CALLBACK GetMessageHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE && modal_dialog != nullptr) {
    auto* message = reinterpret_cast<MSG*>(lparam);
    if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST &&
        IsDialogMessageW(modal_dialog, message) != FALSE) {
      message->message = WM_NULL;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct HookRemover {
  void operator()(HHOOK hook) const noexcept { UnhookWindowsHookEx(hook); }
};
using UniqueHook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookRemover>;

// Makes dialog the modal dialog for its lifetime and restores the outer one afterwards.
class ModalScope {
 public:
  explicit ModalScope(HWND dialog) : outer_(modal_dialog) { modal_dialog = dialog; }
  ~ModalScope() { modal_dialog = outer_; }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  HWND outer_;
};

}  // namespace

void RunModalLoop(HWND dialog, Win32EventPump* pump, const std::function<bool()>& finished) {
  ModalScope scope(dialog);
  UniqueHook hook(SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId()));
  while (!finished()) {
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
  }
}

}  // namespace kestrova::win32

#include "ui/win32/input_box_window.h"

#include <vector>

#include "platform/win32/wide_text.h"
#include "ui/win32/modal_loop.h"

namespace kestrova::win32 {
namespace {

// Control positions in client pixels.
constexpr ControlBox kPrompt{8, 8, 260, 80};
constexpr ControlBox kOkButton{276, 8, 76, 25};
constexpr ControlBox kCancelButton{276, 40, 76, 25};
constexpr ControlBox kAnswer{8, 98, 344, 22};

}  // namespace

InputBoxWindow::InputBoxWindow(std::string_view prompt, std::string_view title,
                               std::string_view default_answer) {
  Create(WideFromUtf8(title), WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, kClientWidth,
         kClientHeight, std::nullopt, false);
  AddControl(L"STATIC", WideFromUtf8(prompt), SS_LEFT | SS_NOPREFIX, kPrompt, 0);
  answer_ = AddControl(L"EDIT", WideFromUtf8(default_answer),
                       WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, kAnswer, kAnswerId);
  AddControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kOkButton, kOkId);
  AddControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancelButton, kCancelId);
  FitTexts();
}

std::string InputBoxWindow::ShowModal(Win32EventPump* pump) {
  done_ = false;
  result_.clear();
  ShowAboveHost();
  SetFocus(answer_);
  SendMessageW(answer_, EM_SETSEL, 0, -1);
  UpdateWindow(hwnd());
  RunModalLoop(hwnd(), pump, [this] { return done_; });
  ShowWindow(hwnd(), SW_HIDE);
  return result_;
}

LRESULT InputBoxWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) break;
      if (LOWORD(wparam) == kOkId) {
        const int length = GetWindowTextLengthW(answer_);
        std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
        GetWindowTextW(answer_, text.data(), length + 1);
        result_ = Utf8FromWide(std::wstring_view(text.data()));
        done_ = true;
        return 0;
      }
      if (LOWORD(wparam) == kCancelId) {
        result_.clear();
        done_ = true;
        return 0;
      }
      break;
    case DM_GETDEFID:
      return MAKELRESULT(kOkId, DC_HASDEFID);
    case WM_CLOSE:
      result_.clear();
      done_ = true;
      return 0;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wparam, lparam);
}

InputBoxWindow::~InputBoxWindow() { DestroyNow(); }

}  // namespace kestrova::win32

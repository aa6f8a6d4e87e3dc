#include "ui/win32/not_client_window.h"

#include "platform/win32/wide_text.h"
#include "ui/win32/artwork_resources.h"
#include "ui/win32/modal_loop.h"

namespace kestrova::win32 {
namespace {

// Control positions in client pixels.
constexpr ControlBox kImage1{8, 8, 32, 32};
constexpr ControlBox kLabel1{56, 16, 297, 17};
constexpr ControlBox kLabel2{16, 48, 377, 25};
constexpr ControlBox kLabel3{24, 88, 361, 17};
constexpr ControlBox kLabel4{24, 112, 361, 17};
constexpr ControlBox kLabel5{24, 136, 369, 25};
constexpr ControlBox kRegisterButton{72, 176, 81, 25};
constexpr ControlBox kOkButton{160, 176, 81, 25};
constexpr ControlBox kCancelButton{248, 176, 81, 25};

// MS Sans Serif 8.25 pt at 96 dots per inch, bold (scaled with the window).
constexpr int kLabel2FontHeight = 11;
constexpr int kBoldWeight = 700;

constexpr DWORD kLabelStyle = SS_LEFT | SS_NOPREFIX;

}  // namespace

NotClientWindow::NotClientWindow(FrmNotClient& dialog) : dialog_(dialog) {
  Create(WideFromUtf8(FrmNotClient::kCaption), WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME, kClientWidth, kClientHeight, kClientOrigin, false);
  // Tab order follows creation order: OK, Cancel, Register.
  ok_button_ = AddControl(L"BUTTON", WideFromUtf8(FrmNotClient::kOkButton),
                          BS_DEFPUSHBUTTON | WS_TABSTOP, kOkButton, kOkId);
  AddControl(L"BUTTON", WideFromUtf8(FrmNotClient::kCancelButton), BS_PUSHBUTTON | WS_TABSTOP,
             kCancelButton, kCancelId);
  AddControl(L"BUTTON", WideFromUtf8(FrmNotClient::kRegisterButton), BS_PUSHBUTTON | WS_TABSTOP,
             kRegisterButton, kRegisterId);
  HWND image = AddControl(L"STATIC", L"", SS_ICON, kImage1, 0);
  warning_icon_ = LoadWarningIcon();
  SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(warning_icon_.get()), 0);
  AddControl(L"STATIC", WideFromUtf8(FrmNotClient::kLabel1), kLabelStyle, kLabel1, 0);
  HWND label2 = AddControl(L"STATIC", WideFromUtf8(FrmNotClient::kLabel2), kLabelStyle, kLabel2, 0);
  bold_font_.reset(CreateFontW(-Scaled(kLabel2FontHeight), 0, 0, 0, kBoldWeight, FALSE, FALSE,
                               FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  SendMessageW(label2, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.get()), FALSE);
  AddControl(L"STATIC", WideFromUtf8(FrmNotClient::kLabel3), kLabelStyle, kLabel3, 0);
  AddControl(L"STATIC", WideFromUtf8(FrmNotClient::kLabel4), kLabelStyle, kLabel4, 0);
  AddControl(L"STATIC", WideFromUtf8(FrmNotClient::kLabel5), kLabelStyle, kLabel5, 0);
  FitTexts();
}

void NotClientWindow::ShowModal(Win32EventPump* pump) {
  dialog_.Show();
  failure_ = nullptr;
  ShowAboveHost();
  SetFocus(ok_button_);
  UpdateWindow(hwnd());
  RunModalLoop(hwnd(), pump, [this] { return !dialog_.visible(); });
  // Still up, the dialog was not answered: FrontPage is closing (a quit, or its main window took
  // the dialog with it). That cancels the publish, as Cancel would.
  if (dialog_.visible()) dialog_.CancelButton_Click();
  ShowWindow(hwnd(), SW_HIDE);
  if (failure_) std::rethrow_exception(failure_);
}

LRESULT NotClientWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) break;
      switch (LOWORD(wparam)) {
        case kOkId:
          dialog_.OKButton_Click();
          return 0;
        case kCancelId:
          dialog_.CancelButton_Click();
          return 0;
        case kRegisterId:
          // The browser's failure must not cross the window procedure; ShowModal raises it.
          try {
            dialog_.RegisterButton_Click();
          } catch (...) {
            failure_ = std::current_exception();
          }
          return 0;
        default:
          break;
      }
      break;
    case DM_GETDEFID:
      return MAKELRESULT(kOkId, DC_HASDEFID);
    case WM_CLOSE:
      dialog_.Close();
      return 0;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wparam, lparam);
}

NotClientWindow::~NotClientWindow() { DestroyNow(); }

}  // namespace kestrova::win32

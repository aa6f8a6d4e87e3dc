#include "ui/win32/about_window.h"

#include <memory>
#include <type_traits>

#include "platform/win32/wide_text.h"
#include "ui/win32/artwork_resources.h"
#include "ui/win32/modal_loop.h"

namespace kestrova::win32 {
namespace {

// Control positions in client pixels.
constexpr ControlBox kOkButton{440, 216, 65, 25};
constexpr ControlBox kWebSitePicture{368, 288, 145, 17};

}  // namespace

AboutWindow::AboutWindow(FrmKSVAbout& about)
    : about_(about), artwork_(LoadAboutArtwork()), web_site_picture_(LoadWebSitePicture()) {
  Create(WideFromUtf8(FrmKSVAbout::kCaption), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
         WS_EX_DLGMODALFRAME, kClientWidth, kClientHeight, std::nullopt, false);
  icon_ = LoadWindowIcon();
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  AddControl(L"BUTTON", WideFromUtf8(FrmKSVAbout::kOkButton), BS_PUSHBUTTON | WS_TABSTOP, kOkButton,
             kOkId);
  HWND picture =
      AddControl(L"STATIC", L"", SS_BITMAP | SS_NOTIFY, kWebSitePicture, kWebSitePictureId);
  SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(web_site_picture_.get()));
  // The control grew to the bitmap; the box shows its top left part only.
  MoveControl(picture, kWebSitePicture);
  FitTexts();
}

void AboutWindow::ShowModal(Win32EventPump* pump) {
  about_.Show();
  failure_ = nullptr;
  // An About command that comes while the window waits raises it.
  about_.SetFrontHandler([this] { BringToFront(); });
  const struct FrontHandlerReset {
    FrmKSVAbout& about;
    ~FrontHandlerReset() { about.SetFrontHandler(nullptr); }
  } front_handler_reset{about_};
  ShowAboveHost();
  SetFocus(hwnd());
  UpdateWindow(hwnd());
  RunModalLoop(hwnd(), pump, [this] { return !about_.visible(); });
  ShowWindow(hwnd(), SW_HIDE);
  if (failure_) std::rethrow_exception(failure_);
}

void AboutWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  UniqueDc memory(CreateCompatibleDC(dc));
  HGDIOBJ previous = SelectObject(memory.get(), artwork_.get());
  // The artwork is drawn for 96 dots per inch and stretched with the window to the screen's.
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, 0, 0, Scaled(kArtworkWidth), Scaled(kArtworkHeight), memory.get(), 0, 0,
             kArtworkWidth, kArtworkHeight, SRCCOPY);
  SelectObject(memory.get(), previous);
  EndPaint(hwnd(), &paint);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ACTIVATE:
      // Activation gives the window itself the input focus.
      if (LOWORD(wparam) != WA_INACTIVE) SetFocus(hwnd());
      return 0;
    case WM_COMMAND:
      // Esc (IDCANCEL, from the modal loop's dialog keys) closes the box as OK does.
      if ((LOWORD(wparam) == kOkId || LOWORD(wparam) == IDCANCEL) && HIWORD(wparam) == BN_CLICKED) {
        about_.cmdok_Click();
        return 0;
      }
      if (LOWORD(wparam) == kWebSitePictureId && HIWORD(wparam) == STN_CLICKED) {
        // The browser's failure must not cross the window procedure; ShowModal raises it.
        try {
          about_.Picture2_Click();
        } catch (...) {
          failure_ = std::current_exception();
        }
        return 0;
      }
      break;
    case WM_CLOSE:
      about_.Close();
      return 0;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wparam, lparam);
}

AboutWindow::~AboutWindow() { DestroyNow(); }

}  // namespace kestrova::win32

// The not-a-client dialog frmNotClient as a real window at its fixed place on the screen: the
// icon, five labels (the second bold), and Register, OK and Cancel in a row with OK focused, so
// that Enter presses OK and Esc presses Cancel. The buttons and the close box call the model.
#ifndef KESTROVA_UI_WIN32_NOT_CLIENT_WINDOW_H_
#define KESTROVA_UI_WIN32_NOT_CLIENT_WINDOW_H_

#include <windows.h>

#include <exception>

#include "platform/pump/win32/win32_event_pump.h"
#include "ui/frm_not_client.h"
#include "ui/win32/gdi_handles.h"
#include "ui/win32/win32_window.h"

namespace kestrova::win32 {

class NotClientWindow final : public Win32Window {
 public:
  static constexpr int kClientWidth = 402;
  static constexpr int kClientHeight = 214;
  static constexpr POINT kClientOrigin{184, 250};
  static constexpr int kOkId = 1;      // IDOK
  static constexpr int kCancelId = 2;  // IDCANCEL
  static constexpr int kRegisterId = 100;

  // Creates the hidden window for dialog, which must outlive it. Raises a Failure when Windows
  // refuses.
  explicit NotClientWindow(FrmNotClient& dialog);
  ~NotClientWindow() override;

  // Shows the window with OK focused and waits, dispatching messages (through pump when given),
  // until the dialog is hidden; then hides the window. A failure of the browser that Register
  // opens is raised here.
  void ShowModal(Win32EventPump* pump);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  FrmNotClient& dialog_;
  UniqueFont bold_font_;
  UniqueIcon warning_icon_;
  HWND ok_button_ = nullptr;
  std::exception_ptr failure_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_NOT_CLIENT_WINDOW_H_

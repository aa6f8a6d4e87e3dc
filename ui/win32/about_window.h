// The About window frmKSVAbout as a real window, centred: the artwork over the whole client area,
// OK, and the web-site picture that opens the service's site. OK and the close box unload the
// model; the picture hides it.
#ifndef KESTROVA_UI_WIN32_ABOUT_WINDOW_H_
#define KESTROVA_UI_WIN32_ABOUT_WINDOW_H_

#include <windows.h>

#include <exception>

#include "platform/pump/win32/win32_event_pump.h"
#include "ui/frm_ksv_about.h"
#include "ui/win32/gdi_handles.h"
#include "ui/win32/win32_window.h"

namespace kestrova::win32 {

class AboutWindow final : public Win32Window {
 public:
  static constexpr int kClientWidth = 518;
  static constexpr int kClientHeight = 317;
  static constexpr int kOkId = 1;  // IDOK
  static constexpr int kWebSitePictureId = 101;

  // Creates the hidden window for about, which must outlive it. Raises a Failure when Windows
  // refuses.
  explicit AboutWindow(FrmKSVAbout& about);
  ~AboutWindow() override;

  // Shows the window and waits, dispatching messages (through pump when given), until the model
  // is hidden or unloaded; then hides the window. A failure of the browser is raised here.
  void ShowModal(Win32EventPump* pump);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // Paints the artwork over the client area.
  void Paint();

  FrmKSVAbout& about_;
  UniqueIcon icon_;
  UniqueBitmap artwork_;
  UniqueBitmap web_site_picture_;
  std::exception_ptr failure_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_ABOUT_WINDOW_H_

// The Windows user interface: the system's message box, and real windows for the input box, the
// not-a-client dialog, the About box and the status window. Modal windows dispatch the event
// pump's work while they wait, so that transfers and the animation go on.
#ifndef KESTROVA_UI_WIN32_WIN32_USER_INTERFACE_H_
#define KESTROVA_UI_WIN32_WIN32_USER_INTERFACE_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/pump/win32/win32_event_pump.h"
#include "ui/frm_ksv_about.h"
#include "ui/frm_not_client.h"
#include "ui/user_interface.h"

namespace kestrova::win32 {

class Win32UserInterface final : public UserInterface {
 public:
  // pump (may be null) is dispatched while modal windows wait; it must outlive this object.
  explicit Win32UserInterface(Win32EventPump* pump = nullptr) : pump_(pump) {}

  // MessageBoxW with the title, or kAddinTitle when title is empty.
  MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                      std::string_view title) override;
  // The input box window; its caption is title, or kAddinTitle when title is empty.
  std::string InputBox(std::string_view prompt, std::string_view title,
                       std::string_view default_answer) override;
  // A NotClientWindow shown modally.
  void ShowNotClient(FrmNotClient& dialog) override;
  // An AboutWindow shown modally.
  void ShowAbout(FrmKSVAbout& about) override;
  // A Win32StatusView of window, the pump's cancel window.
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending& window) override;

 private:
  Win32EventPump* pump_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_WIN32_USER_INTERFACE_H_

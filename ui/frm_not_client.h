// The not-a-client dialog frmNotClient as a model: its texts, its two public flags, and what its
// buttons do. A view shows it modally and calls the button handlers.
#ifndef KESTROVA_UI_FRM_NOT_CLIENT_H_
#define KESTROVA_UI_FRM_NOT_CLIENT_H_

#include <string_view>

#include "platform/browser.h"

namespace kestrova {

class FrmNotClient {
 public:
  static constexpr std::string_view kCaption = "Error";
  static constexpr std::string_view kLabel1 = "Directory \"kestrova\" not found on server.";
  static constexpr std::string_view kLabel2 =
      "You need to sign up with Kestrova, and then wait for the next mend to be executed.";
  static constexpr std::string_view kLabel3 =
      "Click \"Register\" to open a browser window to the Kestrova registration site.";
  static constexpr std::string_view kLabel4 =
      "Click \"OK\" to continue publishing without Kestrova.";
  static constexpr std::string_view kLabel5 = "Click \"Cancel\" to stop publishing.";
  static constexpr std::string_view kRegisterButton = "Register";
  static constexpr std::string_view kOkButton = "OK";
  static constexpr std::string_view kCancelButton = "Cancel";

  // browser opens the subscription page for Register; it must outlive the dialog.
  explicit FrmNotClient(Browser& browser) : browser_(browser) {}

  // OK: hides the dialog, setting no flag.
  void OKButton_Click() { visible_ = false; }
  // Cancel: sets Cancel and hides the dialog.
  void CancelButton_Click();
  // Register: sets Register, hides the dialog, then opens the subscription page in a browser.
  void RegisterButton_Click();
  // The title bar's close box: hides the dialog, setting no flag.
  void Close() { visible_ = false; }

  void Show() { visible_ = true; }
  bool visible() const { return visible_; }

  // The public flags, both false in a new dialog.
  bool Cancel() const { return cancel_; }
  bool Register() const { return register_; }

 private:
  Browser& browser_;
  bool visible_ = false;
  bool cancel_ = false;
  bool register_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_FRM_NOT_CLIENT_H_

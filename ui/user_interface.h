// What the add-in asks of the platform's user interface: message boxes, the input box, the two
// dialogs and the status window's view. The Windows flavour draws real windows; the Linux host
// prompts on the terminal or answers from its command line.
#ifndef KESTROVA_UI_USER_INTERFACE_H_
#define KESTROVA_UI_USER_INTERFACE_H_

#include <memory>
#include <string>
#include <string_view>

#include "ui/frm_mending.h"

namespace kestrova {

class FrmNotClient;
class FrmKSVAbout;

enum class MsgBoxButtons { kOkOnly, kOkCancel };
enum class MsgBoxIcon { kNone, kCritical, kExclamation };
enum class MsgBoxResult { kOk, kCancel };

// The title of message boxes that have none of their own.
inline constexpr std::string_view kAddinTitle = "FPKestrova";

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows a modal message box and returns the button pressed (Cancel also when closed otherwise
  // in an OK/Cancel box).
  virtual MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                              std::string_view title) = 0;

  // Shows a modal input box preset with default_answer; returns the answer, or empty text when
  // the user cancels.
  virtual std::string InputBox(std::string_view prompt, std::string_view title,
                               std::string_view default_answer) = 0;

  // Shows the not-a-client dialog modally; returns when one of its buttons or its close box
  // hid it. The dialog's buttons set its flags.
  virtual void ShowNotClient(FrmNotClient& dialog) = 0;

  // Shows the About window modally; returns when it was unloaded or hidden.
  virtual void ShowAbout(FrmKSVAbout& about) = 0;

  // A view for a status window that is about to be shown; it is dropped before the window is.
  virtual std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending& window) = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_USER_INTERFACE_H_

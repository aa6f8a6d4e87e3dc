// The user interface of fpkestrova: message boxes, the input box and the dialogs become texts on
// standard error and questions answered on the terminal, or in advance on the command line; the
// status window becomes a ConsoleStatusView. Nothing waits for an answer unless the input is a
// terminal.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_USER_INTERFACE_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_USER_INTERFACE_H_

#include <memory>
#include <string>
#include <string_view>

#include "ui/console/console_input.h"
#include "ui/console/console_options.h"
#include "ui/console/console_output.h"
#include "ui/frm_ksv_about.h"
#include "ui/frm_not_client.h"
#include "ui/user_interface.h"

namespace kestrova {

// The product named in the About text, and its version.
inline constexpr std::string_view kProductName = "FPKestrova";
std::string_view ProductVersion();

class ConsoleUserInterface : public UserInterface {
 public:
  // Works with the streams and answers of options; whether they are terminals is asked of the
  // system where options leave it open.
  explicit ConsoleUserInterface(ConsoleOptions options);

  ConsoleUserInterface(const ConsoleUserInterface&) = delete;
  ConsoleUserInterface& operator=(const ConsoleUserInterface&) = delete;

  // Prints the title (kAddinTitle when empty) and the prompt. An OK-only box returns OK at once.
  // An OK/Cancel box takes the answer from --on-missing when given, else asks on a terminal (OK on
  // Enter, Cancel at the end of the input or on Ctrl+C), else answers Cancel and says why.
  MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                      std::string_view title) override;

  // The first time it is asked, returns the --destination answer when one was given. Otherwise
  // asks on a terminal (Enter keeps default_answer; the end of the input or Ctrl+C cancels with
  // empty text), else returns empty text after saying that --destination is missing.
  std::string InputBox(std::string_view prompt, std::string_view title,
                       std::string_view default_answer) override;

  // Prints the dialog's texts and presses one of its buttons: the one --on-missing names (OK for
  // publish, Cancel for cancel), else the one chosen on a terminal (OK on Enter; the end of the
  // input closes the dialog, Ctrl+C presses Cancel), else Cancel. A failure of the browser that
  // Register opens is passed on to the caller.
  void ShowNotClient(FrmNotClient& dialog) override;

  // Prints the caption, the product and its version and the web site; a terminal may choose the
  // web site (the picture) or OK (on Enter); elsewhere OK is pressed at once. A failure of the
  // browser is passed on to the caller.
  void ShowAbout(FrmKSVAbout& about) override;

  // A ConsoleStatusView of window. The view must be dropped before this object.
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending& window) override;

  bool input_is_terminal() const noexcept { return input_.is_terminal(); }
  bool output_is_terminal() const noexcept { return output_.is_terminal(); }

 private:
  // Prints a dialog's title line, then text with its line breaks.
  void PrintBox(std::string_view title, std::string_view text);
  // Prints one line of information, unless quiet.
  void Inform(std::string_view line);

  ConsoleOptions options_;
  ConsoleOutput output_;
  ConsoleInput input_;
  bool destination_used_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_USER_INTERFACE_H_

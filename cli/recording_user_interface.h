// A user interface that passes everything to another one and records, from the status window's
// changes, what a publish did: the mending files stored and each listed page the mend phase met.
#ifndef KESTROVA_CLI_RECORDING_USER_INTERFACE_H_
#define KESTROVA_CLI_RECORDING_USER_INTERFACE_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "cli/publish_record.h"
#include "ui/user_interface.h"

namespace kestrova {

class RecordingUserInterface final : public UserInterface {
 public:
  // inner and record must outlive the object. mend_phase_begins runs when the status window
  // turns to the mend phase, with the local inventory complete: it fills record.pages.
  RecordingUserInterface(UserInterface& inner, PublishRecord& record,
                         std::function<void()> mend_phase_begins)
      : inner_(inner), record_(record), mend_phase_begins_(std::move(mend_phase_begins)) {}

  // A terminal has room for more than the message: the message of a failed request is followed
  // by the address it asked for.
  MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                      std::string_view title) override {
    if (record_.failure && !record_.failure->address.empty() &&
        prompt == record_.failure->description) {
      return inner_.MsgBox(
          std::string(prompt) + "\r\nThe request for \"" + record_.failure->address + "\" failed.",
          buttons, icon, title);
    }
    return inner_.MsgBox(prompt, buttons, icon, title);
  }
  std::string InputBox(std::string_view prompt, std::string_view title,
                       std::string_view default_answer) override {
    return inner_.InputBox(prompt, title, default_answer);
  }
  void ShowNotClient(FrmNotClient& dialog) override { inner_.ShowNotClient(dialog); }
  void ShowAbout(FrmKSVAbout& about) override { inner_.ShowAbout(about); }
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending& window) override;

 private:
  UserInterface& inner_;
  PublishRecord& record_;
  std::function<void()> mend_phase_begins_;
};

}  // namespace kestrova

#endif  // KESTROVA_CLI_RECORDING_USER_INTERFACE_H_

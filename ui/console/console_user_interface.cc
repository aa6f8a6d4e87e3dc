#include "ui/console/console_user_interface.h"

#include <unistd.h>

#include <array>
#include <string>
#include <utility>

#include "base/hidden_password.h"
#include "ui/console/console_choice.h"
#include "ui/console/console_status_view.h"
#include "ui/console/console_text.h"
#include "ui/service_site.h"

#ifndef KESTROVA_VERSION
#error "KESTROVA_VERSION must name the version of the program"
#endif

namespace kestrova {
namespace {

constexpr std::string_view kNoTerminalCancel =
    "Answered Cancel: there is no terminal to ask on. Run with --on-missing=publish to publish "
    "without mends.\n";

bool IsTerminal(std::optional<bool> given, int fd) { return given ? *given : ::isatty(fd) == 1; }

// The line that tells which button the command line pressed.
std::string AnsweredFromOption(std::string_view button, OnMissing on_missing) {
  return "Answered " + std::string(button) +
         ", as --on-missing=" + (on_missing == OnMissing::kPublish ? "publish" : "cancel") +
         " asks.\n";
}

}  // namespace

std::string_view ProductVersion() { return KESTROVA_VERSION; }

ConsoleUserInterface::ConsoleUserInterface(ConsoleOptions options)
    : options_(std::move(options)),
      output_(options_.output_fd, IsTerminal(options_.output_is_terminal, options_.output_fd),
              options_.output_columns),
      input_(options_.input_fd, IsTerminal(options_.input_is_terminal, options_.input_fd)) {}

MsgBoxResult ConsoleUserInterface::MsgBox(std::string_view prompt, MsgBoxButtons buttons,
                                          MsgBoxIcon /*icon*/, std::string_view title) {
  PrintBox(title.empty() ? kAddinTitle : title, prompt);
  if (buttons == MsgBoxButtons::kOkOnly) return MsgBoxResult::kOk;

  switch (options_.on_missing) {
    case OnMissing::kPublish:
      output_.Print(AnsweredFromOption("OK", options_.on_missing));
      return MsgBoxResult::kOk;
    case OnMissing::kCancel:
      output_.Print(AnsweredFromOption("Cancel", options_.on_missing));
      return MsgBoxResult::kCancel;
    case OnMissing::kUnset:
      break;
  }
  if (!input_.is_terminal()) {
    output_.Print(kNoTerminalCancel);
    return MsgBoxResult::kCancel;
  }
  static constexpr std::array<ChoiceOption, 2> kButtons{{{"OK"}, {"Cancel"}}};
  const ChoiceAnswer answer = AskChoice(input_, output_, kButtons, /*default_choice=*/0);
  // Closing the box any other way than with OK counts as Cancel.
  return answer.how == ReadResult::kLine && answer.choice == 0 ? MsgBoxResult::kOk
                                                               : MsgBoxResult::kCancel;
}

std::string ConsoleUserInterface::InputBox(std::string_view prompt, std::string_view title,
                                           std::string_view default_answer) {
  if (options_.destination && !destination_used_) {
    // Only the first time: an answer the caller rejects must not be given again and again.
    destination_used_ = true;
    Inform(PrintableLine(title) + ": \"" + PrintableLine(HidePasswords(*options_.destination)) +
           "\", from --destination.\n");
    return *options_.destination;
  }
  if (!input_.is_terminal()) {
    output_.Print(PrintableLine(title) + ": " + PrintableLine(prompt) +
                  " There is no terminal to answer on: give the answer with --destination URL.\n");
    return {};
  }
  PrintBox(title, prompt);
  std::string question = "Answer (";
  if (!default_answer.empty()) {
    question += "Enter keeps \"" + PrintableLine(default_answer) + "\", ";
  }
  question += "Ctrl+D cancels): ";
  output_.Print(question);
  std::string line;
  if (input_.ReadLine(line) != ReadResult::kLine) {
    output_.Print("\n");  // the question line is still open
    return {};
  }
  const std::string_view answer = TrimBlanks(line);
  return std::string(answer.empty() ? default_answer : answer);
}

void ConsoleUserInterface::ShowNotClient(FrmNotClient& dialog) {
  dialog.Show();
  std::string text;
  for (const std::string_view label :
       {FrmNotClient::kLabel1, FrmNotClient::kLabel2, FrmNotClient::kLabel3, FrmNotClient::kLabel4,
        FrmNotClient::kLabel5}) {
    text += label;
    text += '\n';
  }
  PrintBox(FrmNotClient::kCaption, text);

  switch (options_.on_missing) {
    case OnMissing::kPublish:
      output_.Print(AnsweredFromOption(FrmNotClient::kOkButton, options_.on_missing));
      dialog.OKButton_Click();
      return;
    case OnMissing::kCancel:
      output_.Print(AnsweredFromOption(FrmNotClient::kCancelButton, options_.on_missing));
      dialog.CancelButton_Click();
      return;
    case OnMissing::kUnset:
      break;
  }
  if (!input_.is_terminal()) {
    output_.Print(kNoTerminalCancel);
    dialog.CancelButton_Click();
    return;
  }
  // In the order of the dialog's row of buttons; OK has the focus, so Enter presses it.
  static constexpr std::array<ChoiceOption, 3> kButtons{
      {{FrmNotClient::kRegisterButton}, {FrmNotClient::kOkButton}, {FrmNotClient::kCancelButton}}};
  const ChoiceAnswer answer = AskChoice(input_, output_, kButtons, /*default_choice=*/1);
  switch (answer.how) {
    case ReadResult::kEnd:
      dialog.Close();  // like the close box: no flag
      return;
    case ReadResult::kInterrupted:
      dialog.CancelButton_Click();  // Ctrl+C asks to stop
      return;
    case ReadResult::kLine:
      break;
  }
  if (answer.choice == 0) {
    Inform("Opening " + std::string(kSubscribeUrl) + " in a browser.\n");
    dialog.RegisterButton_Click();
  } else if (answer.choice == 1) {
    dialog.OKButton_Click();
  } else {
    dialog.CancelButton_Click();
  }
}

void ConsoleUserInterface::ShowAbout(FrmKSVAbout& about) {
  about.Show();
  PrintBox(FrmKSVAbout::kCaption, std::string(kProductName) + ' ' + std::string(ProductVersion()) +
                                      "\nWeb site: " + std::string(kServiceSiteUrl) + '\n');
  if (!input_.is_terminal()) {
    about.cmdok_Click();
    return;
  }
  static constexpr std::array<ChoiceOption, 2> kButtons{{{"Web site"}, {FrmKSVAbout::kOkButton}}};
  const ChoiceAnswer answer = AskChoice(input_, output_, kButtons, /*default_choice=*/1);
  if (answer.how != ReadResult::kLine) {
    about.Close();
  } else if (answer.choice == 0) {
    Inform("Opening " + std::string(kServiceSiteUrl) + " in a browser.\n");
    about.Picture2_Click();
  } else {
    about.cmdok_Click();
  }
}

std::unique_ptr<FrmMendingView> ConsoleUserInterface::CreateStatusView(FrmMending& window) {
  const StatusDetail detail = options_.quiet     ? StatusDetail::kQuiet
                              : options_.verbose ? StatusDetail::kVerbose
                                                 : StatusDetail::kNormal;
  return std::make_unique<ConsoleStatusView>(window, output_, detail, options_.clock);
}

void ConsoleUserInterface::PrintBox(std::string_view title, std::string_view text) {
  std::string box = "== " + PrintableLine(title) + " ==\n" + PrintableLines(text);
  if (box.back() != '\n') box += '\n';
  output_.Print(box);
}

void ConsoleUserInterface::Inform(std::string_view line) {
  if (!options_.quiet) output_.Print(line);
}

}  // namespace kestrova

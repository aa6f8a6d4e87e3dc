// The whole add-in on the Linux host's parts, driven by a scripted user interface against a real
// web server on 127.0.0.1, over a web folder in a temporary folder.
#ifndef KESTROVA_TESTS_SUPPORT_PUBLISH_FIXTURE_H_
#define KESTROVA_TESTS_SUPPORT_PUBLISH_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/fp_kestrova.h"
#include "host/local/local_application.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/files/temporary_folder.h"
#include "platform/pump/posix/poll_event_pump.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "tests/support/loopback_server.h"
#include "tests/support/recording_browser.h"
#include "tests/support/recording_file_system.h"
#include "tests/support/test_files.h"
#include "ui/frm_ksv_about.h"
#include "ui/frm_not_client.h"

namespace kestrova::testing {

struct MessageRecord {
  std::string prompt;
  MsgBoxButtons buttons;
  MsgBoxIcon icon;
  std::string title;
};

enum class NotClientChoice { kOk, kCancel, kRegister, kClose };

// A user interface that answers from a script and records what it was asked and shown.
class ScriptedUi final : public UserInterface {
 public:
  MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                      std::string_view title) override;
  std::string InputBox(std::string_view prompt, std::string_view title,
                       std::string_view default_answer) override;
  void ShowNotClient(FrmNotClient& dialog) override;
  void ShowAbout(FrmKSVAbout& about) override;
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending& window) override;

  // Answers of OK/Cancel boxes, in order (OK when none is left).
  std::deque<MsgBoxResult> box_answers;
  // Answers of the input box, in order (empty when none is left).
  std::deque<std::string> input_answers;
  NotClientChoice not_client_choice = NotClientChoice::kOk;
  // Runs while the About window is shown, before OK is clicked on it.
  std::function<void(FrmKSVAbout&)> on_about;
  // Runs when a status window gets its view, with the window.
  std::function<void(FrmMending&)> on_status_window;
  // Runs when a status window counts a page looked at, with its number.
  std::function<void(std::size_t done)> on_page_done;

  std::vector<MessageRecord> messages;
  std::vector<std::string> input_prompts;
  int not_client_shown = 0;
  int about_shown = 0;
  // How often the shown About window was asked to come to the front.
  int about_raised = 0;
  // Every step label text and every status bar text the status windows showed, in order.
  std::vector<std::string> status_texts;
  std::vector<std::string> status_bar_texts;
  int status_windows = 0;
  bool status_window_visible = false;
};

class PublishFixture : public ::testing::Test {
 protected:
  PublishFixture();
  ~PublishFixture() override;

  // Writes bytes to the file at the path relative to the web folder.
  void WriteWebFile(const std::string& relative, const std::string& bytes) const {
    WriteBytes(web / relative, bytes);
  }
  std::string ReadWebFile(const std::string& relative) const { return ReadBytes(web / relative); }
  // Publishes the web; destination is what the host passes and gets back.
  bool Publish(std::string& destination);
  bool Publish() {
    std::string destination = server.SiteUrl();
    return Publish(destination);
  }
  // The messages shown, as "icon|title|prompt".
  std::vector<std::string> MessageTexts() const;
  // Checks what the file system recorded against the durability the design promises for a publish
  // that stored an inventory: the mending files are put in place together by a transaction (bytes
  // before names), never one by one, before the inventory that lists them is committed; the
  // inventory is committed once, last in the mend folder, its bytes on the disk before its name;
  // the pages (any file outside the mend folder) are put in place together after it. Returns the
  // pages put in place, sorted.
  std::vector<std::string> CheckDurability() const;

  const TemporaryFolder root_folder{"kestrova-publish"};
  std::filesystem::path root = root_folder.path();
  std::filesystem::path web = root / "web";
  LoopbackServer server;
  PollEventPump pump;
  // Shared by every control, as the program's host shares them.
  std::shared_ptr<CurlConnections> shared_connections = std::make_shared<CurlConnections>(pump);
  PosixFileSystem posix_files;
  RecordingFileSystem files{posix_files};
  RecordingBrowser browser;
  LastError last_error;
  ScriptedUi ui;
  PublishServices services;
  PublishSettings settings;
  std::shared_ptr<host::LocalApplication> app;
  std::unique_ptr<FPKestrova> addin;
};

// A mending file as the service writes one, with a head of the given elements.
std::string MendingFile(const std::vector<std::string>& head_elements);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_PUBLISH_FIXTURE_H_

#include "tests/support/publish_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "host/local/local_web.h"
#include "platform/transfer/posix/curl_transfer_control.h"

namespace kestrova::testing {
namespace {

class RecordingView final : public FrmMendingView {
 public:
  explicit RecordingView(ScriptedUi& ui) : ui_(ui) {}
  void OnStatusChanged(const std::string& text) override { ui_.status_texts.push_back(text); }
  void OnStatusBarChanged(const std::string& text) override {
    ui_.status_bar_texts.push_back(text);
  }
  void OnShown() override { ui_.status_window_visible = true; }
  void OnHidden() override { ui_.status_window_visible = false; }
  void OnPageDone(std::size_t done, std::size_t /*total*/, bool /*mended*/) override {
    if (ui_.on_page_done) ui_.on_page_done(done);
  }

 private:
  ScriptedUi& ui_;
};

}  // namespace

MsgBoxResult ScriptedUi::MsgBox(std::string_view prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                                std::string_view title) {
  messages.push_back({std::string(prompt), buttons, icon, std::string(title)});
  if (buttons == MsgBoxButtons::kOkOnly || box_answers.empty()) return MsgBoxResult::kOk;
  const MsgBoxResult answer = box_answers.front();
  box_answers.pop_front();
  return answer;
}

std::string ScriptedUi::InputBox(std::string_view prompt, std::string_view title,
                                 std::string_view default_answer) {
  input_prompts.push_back(std::string(title) + "|" + std::string(prompt) + "|" +
                          std::string(default_answer));
  if (input_answers.empty()) return {};
  std::string answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

void ScriptedUi::ShowNotClient(FrmNotClient& dialog) {
  ++not_client_shown;
  EXPECT_TRUE(dialog.visible());
  EXPECT_FALSE(dialog.Cancel());
  EXPECT_FALSE(dialog.Register());
  switch (not_client_choice) {
    case NotClientChoice::kOk:
      dialog.OKButton_Click();
      break;
    case NotClientChoice::kCancel:
      dialog.CancelButton_Click();
      break;
    case NotClientChoice::kRegister:
      dialog.RegisterButton_Click();
      break;
    case NotClientChoice::kClose:
      dialog.Close();
      break;
  }
  EXPECT_FALSE(dialog.visible());
}

void ScriptedUi::ShowAbout(FrmKSVAbout& about) {
  ++about_shown;
  about.SetFrontHandler([this] { ++about_raised; });
  if (on_about) on_about(about);
  about.cmdok_Click();
  about.SetFrontHandler(nullptr);
}

std::unique_ptr<FrmMendingView> ScriptedUi::CreateStatusView(FrmMending& window) {
  ++status_windows;
  if (on_status_window) on_status_window(window);
  return std::make_unique<RecordingView>(*this);
}

PublishFixture::PublishFixture()
    : services{ui,
               browser,
               pump,
               files,
               last_error,
               [this] {
                 return std::make_unique<CurlTransferControl>(shared_connections,
                                                              CurlTransferControl::Options{});
               }},
      app(std::make_shared<host::LocalApplication>(files)),
      addin(std::make_unique<FPKestrova>(app, services, settings)) {
  std::filesystem::create_directories(web);
  // The suite runs once fetching over one connection and once over several.
  if (const char* connections = std::getenv("KESTROVA_TEST_CONNECTIONS")) {
    settings.connections = std::atoi(connections);
  }
  addin->OnConnection(*app);
}

PublishFixture::~PublishFixture() {
  addin->OnDisconnection();
  addin->OnBeginShutdown();
  addin.reset();
}

bool PublishFixture::Publish(std::string& destination) {
  host::LocalWeb local_web(web.string());
  app->RaiseWebOpen(local_web);
  bool cancel = false;
  app->RaiseBeforeWebPublish(local_web, destination, cancel);
  return cancel;
}

std::vector<std::string> PublishFixture::MessageTexts() const {
  std::vector<std::string> texts;
  for (const MessageRecord& message : ui.messages) {
    const char* icon = message.icon == MsgBoxIcon::kCritical      ? "critical"
                       : message.icon == MsgBoxIcon::kExclamation ? "exclamation"
                                                                  : "none";
    texts.push_back(std::string(icon) + "|" + message.title + "|" + message.prompt);
  }
  return texts;
}

std::vector<std::string> PublishFixture::CheckDurability() const {
  using Kind = FileEvent::Kind;
  const std::vector<FileEvent>& events = files.events;
  const std::string mend = (web / "kestrova").string();
  std::size_t inventory = events.size();
  for (std::size_t k = 0; k < events.size(); ++k) {
    if (events[k].kind != Kind::kCommit || events[k].path != mend + "/inventory.txt") continue;
    EXPECT_EQ(inventory, events.size()) << "the inventory is committed more than once";
    inventory = k;
  }
  if (inventory == events.size()) {
    ADD_FAILURE() << "the inventory was not committed";
    return {};
  }
  EXPECT_EQ(events[inventory].durability, CommitDurability::kBytesBeforeName);
  std::vector<std::string> pages;
  for (std::size_t k = 0; k < events.size(); ++k) {
    const std::string& path = events[k].path;
    if (events[k].kind == Kind::kCommit && k != inventory) {
      ADD_FAILURE() << path << " is put in place alone, not with the others of its kind";
    }
    if (events[k].kind != Kind::kPutInPlace) continue;
    if (path.rfind(mend + "/", 0) == 0) {
      EXPECT_LT(k, inventory) << path << " is put in place after the inventory";
    } else {
      EXPECT_GT(k, inventory) << path << " is put in place before the mending files' inventory";
      pages.push_back(path);
    }
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

std::string MendingFile(const std::vector<std::string>& head_elements) {
  std::string file = "<html>\r\n<head>\r\n";
  for (const std::string& element : head_elements) file += element + "\r\n";
  return file + "</head>\r\n<body><p>Mending file</p></body>\r\n</html>\r\n";
}

}  // namespace kestrova::testing

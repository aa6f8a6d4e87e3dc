#include "bench/download_clients.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/files/posix/posix_file_system.h"
#include "platform/pump/posix/poll_event_pump.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "publish/fetcher.h"
#include "publish/mend_store.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"
#include "tests/support/recording_browser.h"
#include "ui/frm_mending.h"
#include "ui/user_interface.h"

extern char** environ;

namespace kestrova::bench {
namespace {

namespace fs = std::filesystem;

// Date and site lines in front of the entries, as in the server's inventory; DownloadEntries
// reads only the entries.
constexpr std::string_view kInventoryDate = "1/15/2024 10:30:00 AM";

// A user interface for a download that shows no dialog: any call means the mend
// store took a path the benchmark does not expect.
class SilentUi final : public UserInterface {
 public:
  MsgBoxResult MsgBox(std::string_view prompt, MsgBoxButtons, MsgBoxIcon,
                      std::string_view) override {
    Fail("unexpected message box: " + std::string(prompt));
  }
  std::string InputBox(std::string_view prompt, std::string_view, std::string_view) override {
    Fail("unexpected input box: " + std::string(prompt));
  }
  void ShowNotClient(FrmNotClient&) override { Fail("unexpected not-a-client dialog"); }
  void ShowAbout(FrmKSVAbout&) override { Fail("unexpected About window"); }
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending&) override {
    return std::make_unique<FrmMendingView>();
  }
};

}  // namespace

std::vector<std::string> ServerLines(const std::string& site_url,
                                     const std::vector<std::string>& entries) {
  std::vector<std::string> lines{std::string(kInventoryDate), site_url};
  lines.insert(lines.end(), entries.begin(), entries.end());
  return lines;
}

Clock::duration DownloadWithStore(const std::vector<std::string>& server_lines,
                                  const std::string& site_url, const std::string& mend_path,
                                  std::size_t max_body_bytes) {
  PollEventPump pump;
  PosixFileSystem files;
  LastError last_error;
  SilentUi ui;
  testing::RecordingBrowser browser;
  const PublishServices services{
      ui,    browser,    pump,
      files, last_error, [&pump] {
                                    return std::make_unique<CurlTransferControl>(pump); }};
  const PublishSettings settings{.connections = 30, .max_body_bytes = max_body_bytes};
  FrmMending window(pump);
  const std::unique_ptr<FrmMendingView> view = ui.CreateStatusView(window);
  window.SetView(view.get());
  window.Show();
  Fetcher fetcher(services, settings, [&window] {
    if (window.ksvCancel()) Fail("the download was cancelled");
  });
  fetcher.SetStateWatcher([&window](int state) { window.OnTransferStateChanged(state); });
  MendStore store(fetcher, services, settings, site_url, mend_path, {});
  const Clock::time_point start = Clock::now();
  store.DownloadEntries(ServerInventory{.text = {}, .lines = server_lines});
  const Clock::duration elapsed = Clock::now() - start;
  window.StopAnimation();
  window.Hide();
  window.SetView(nullptr);
  if (!browser.urls.empty()) Fail("unexpected browser: " + browser.urls.front());
  return elapsed;
}

std::string CurlConfig(const std::string& site_url, const std::vector<std::string>& names,
                       const fs::path& folder) {
  if (folder.string().find_first_of("\"\\") != std::string::npos) {
    Fail("the scratch folder's name cannot be quoted for curl: " + folder.string());
  }
  std::string config =
      "silent\nshow-error\nfail\nfail-early\nhttp1.1\n"
      "proto = \"=http\"\nnoproxy = \"*\"\nmax-time = 60\n";
  for (const std::string& name : names) {
    config += "url = \"" + site_url + "/kestrova/" + name + "\"\n";
    config += "output = \"" + (folder / name).string() + "\"\n";
  }
  return config;
}

Clock::duration RunCurl(const fs::path& config_path, std::chrono::seconds limit) {
  std::string program = "curl";
  std::string disable = "--disable";
  std::string config_flag = "--config";
  std::string config = config_path.string();
  std::array<char*, 5> argv{program.data(), disable.data(), config_flag.data(), config.data(),
                            nullptr};
  pid_t pid = 0;
  const Clock::time_point start = Clock::now();
  const int error = ::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ);
  if (error != 0) Fail(std::string("cannot start curl: ") + std::strerror(error));
  rusage usage{};
  const int status = WaitForChild(pid, "curl", limit, usage);
  const Clock::duration elapsed = Clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Fail("curl failed (" + DescribeStatus(status) + ")");
  }
  return elapsed;
}

}  // namespace kestrova::bench

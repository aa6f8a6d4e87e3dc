// The Linux host of the add-in: the web-folder host application, the terminal user interface,
// the poll-based pump, libcurl transfers and the file system, with FPKestrova created and
// connected on them as FrontPage would do it.
#ifndef KESTROVA_CLI_LINUX_HOST_H_
#define KESTROVA_CLI_LINUX_HOST_H_

#include <memory>
#include <optional>
#include <string>

#include "addin/fp_kestrova.h"
#include "cli/publish_record.h"
#include "cli/recording_user_interface.h"
#include "host/local/local_application.h"
#include "host/local/local_web.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/files/staging_file_system.h"
#include "platform/posix/desktop_browser.h"
#include "platform/pump/posix/poll_event_pump.h"
#include "platform/pump/posix/signal_cancel.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"
#include "ui/console/console_user_interface.h"

namespace kestrova {

class LinuxHost {
 public:
  // How many mending files a publish fetches at once unless told otherwise.
  static constexpr int kDefaultConnections = 8;

  // The settings of a publish unless the command line says otherwise.
  static PublishSettings DefaultSettings() { return {.connections = kDefaultConnections}; }

  // Creates the add-in with settings for its publishes and connects it (OnConnection,
  // OnStartupComplete). With dry_run, every file a publish writes (mending files, the inventory,
  // pages) is staged beside its file and read back as written, but never put in place: the
  // staging is removed with the host. transfer_options go to every transfer control it makes
  // (the certificates libcurl trusts).
  explicit LinuxHost(const ConsoleOptions& options,
                     const PublishSettings& settings = DefaultSettings(), bool dry_run = false,
                     CurlTransferControl::Options transfer_options = {});
  // Disconnects and shuts the add-in down (OnDisconnection, OnBeginShutdown).
  ~LinuxHost();
  LinuxHost(const LinuxHost&) = delete;
  LinuxHost& operator=(const LinuxHost&) = delete;

  FPKestrova& addin() { return *addin_; }
  host::LocalApplication& application() { return *application_; }
  ConsoleUserInterface& ui() { return ui_; }
  // The files as the publishes so far left them (in a dry run, as they would have).
  FileSystem& files() { return files_; }
  // What the publishes so far did; a publish starts it afresh.
  const PublishRecord& record() const { return record_; }
  // Also keeps the head of every listed page as the mend phase begins, for a summary or a dry
  // run's diff; off by default, so that a plain publish reads each page once.
  void RecordPageHeads() { record_page_heads_ = true; }

  // Opens the web in the folder at path (OnWebOpen), then publishes it (OnBeforeWebPublish)
  // with destination as the host's destination. Returns the cancel flag.
  bool OpenAndPublish(const std::string& path, std::string& destination);
  // Raises OnWebOpen for the web in the folder at path.
  void OpenWeb(const std::string& path);

 private:
  PollEventPump pump_;
  // The connections every request of the host shares: one per server over HTTP/1.1 as requests
  // come and go, one carrying all of them as streams over HTTP/2.
  std::shared_ptr<CurlConnections> connections_ = std::make_shared<CurlConnections>(pump_);
  // Ctrl-C, SIGTERM and SIGHUP cancel the publish in progress instead of ending the program
  // mid-write.
  ScopedSignalCancel signal_cancel_{pump_};
  PosixFileSystem disk_;
  // For a dry run, every write staged and dropped with the host; empty otherwise.
  std::optional<StagingFileSystem> staging_;
  FileSystem& files_;  // the disk_ or the staging_
  DesktopBrowser browser_;
  LastError last_error_;
  ConsoleUserInterface ui_;
  PublishRecord record_;
  std::string web_path_;  // of the publish under way
  bool record_page_heads_ = false;
  RecordingUserInterface recording_ui_;
  PublishServices services_;
  const PublishSettings settings_;
  const CurlTransferControl::Options transfer_options_;
  std::shared_ptr<host::LocalApplication> application_;
  std::unique_ptr<FPKestrova> addin_;
};

}  // namespace kestrova

#endif  // KESTROVA_CLI_LINUX_HOST_H_

#include "cli/linux_host.h"

#include "cli/counting_transfer_control.h"
#include "cli/page_outcomes.h"
#include "platform/transfer/posix/curl_transfer_control.h"

namespace kestrova {

namespace {

std::optional<StagingFileSystem> StagingIf(bool dry_run, FileSystem& disk) {
  if (!dry_run) return std::nullopt;
  // A dry run makes no folder: one the publish would make is held back with its files.
  return std::optional<StagingFileSystem>(std::in_place, disk,
                                          StagingFileSystem::Folders::kHeldBack);
}

}  // namespace

LinuxHost::LinuxHost(const ConsoleOptions& options, const PublishSettings& settings, bool dry_run,
                     CurlTransferControl::Options transfer_options)
    : staging_(StagingIf(dry_run, disk_)),
      files_(staging_ ? static_cast<FileSystem&>(*staging_) : disk_),
      browser_(stdout),
      ui_(options),
      recording_ui_(ui_, record_,
                    [this] {
                      if (!record_page_heads_) return;
                      // Only the summary needs the list: nothing here may disturb the publish.
                      try {
                        record_.pages = ListPages(services_, web_path_);
                      } catch (...) {
                        record_.pages.clear();
                      }
                    }),
      services_{recording_ui_,
                browser_,
                pump_,
                files_,
                last_error_,
                [this] {
                  return std::make_unique<CountingTransferControl>(
                      std::make_unique<CurlTransferControl>(connections_, transfer_options_),
                      record_.bytes_received);
                }},
      settings_(settings),
      transfer_options_(std::move(transfer_options)),
      application_(std::make_shared<host::LocalApplication>(files_)),
      addin_(std::make_unique<FPKestrova>(application_, services_, settings_)) {
  services_.on_failure = [this](const Failure& failure) {
    record_.failure = RecordedFailure{failure.number(), failure.description(), failure.address()};
  };
  addin_->OnConnection(*application_);
  addin_->OnStartupComplete();
}

LinuxHost::~LinuxHost() {
  addin_->OnDisconnection();
  addin_->OnBeginShutdown();
}

void LinuxHost::OpenWeb(const std::string& path) {
  host::LocalWeb web(path);
  application_->RaiseWebOpen(web);
}

bool LinuxHost::OpenAndPublish(const std::string& path, std::string& destination) {
  record_ = PublishRecord{};
  web_path_ = path;
  host::LocalWeb web(path);
  application_->RaiseWebOpen(web);
  bool cancel = false;
  application_->RaiseBeforeWebPublish(web, destination, cancel);
  return cancel;
}

}  // namespace kestrova

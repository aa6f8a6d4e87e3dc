#include "cli/linux_host.h"

#include "platform/posix/curl_transfer_control.h"

namespace kestrova {

LinuxHost::LinuxHost(const ConsoleOptions& options)
    : browser_(stdout),
      ui_(options),
      services_{ui_,         browser_,
                pump_,       files_,
                last_error_, [this] { return std::make_unique<CurlTransferControl>(pump_); }},
      application_(std::make_shared<host::LocalApplication>()),
      addin_(std::make_unique<FPKestrova>(application_, services_)) {
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
  host::LocalWeb web(path);
  application_->RaiseWebOpen(web);
  bool cancel = false;
  application_->RaiseBeforeWebPublish(web, destination, cancel);
  return cancel;
}

}  // namespace kestrova

// The handler of the host's before-publish event: brings the local copy of the service's mending
// files up to date and mends the web's pages, showing each step in the status window; every
// failure ends in one failure path that shows a dialog and decides whether publishing goes on.
#ifndef KESTROVA_PUBLISH_PUBLISH_DRIVER_H_
#define KESTROVA_PUBLISH_PUBLISH_DRIVER_H_

#include <functional>
#include <string>
#include <string_view>

#include "host/application.h"
#include "publish/fetcher.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"
#include "ui/frm_mending.h"

namespace kestrova {

// The step texts of the status window.
inline constexpr std::string_view kCheckingText = "Checking for mending files on server.";
inline constexpr std::string_view kDownloadNotNeededText = "Download not needed.";
inline constexpr std::string_view kMendingText = "Mending local files.";

// The URL prompt.
inline constexpr std::string_view kUrlPrompt =
    "Please provide the correct http url for your web site.";
inline constexpr std::string_view kUrlPromptTitle = "Web URL needed";
inline constexpr std::string_view kUrlPromptAnswer = "http://";

// What the failure path adds to a failure that lets publishing go on without mends.
inline constexpr std::string_view kContinueWithoutMends =
    "Click \"OK\" to continue publishing without Kestrova mends.";
inline constexpr std::string_view kErrorTitle = "Error";

class PublishDriver {
 public:
  // app, services and settings must outlive the driver.
  PublishDriver(host::Application& app, const PublishServices& services,
                const PublishSettings& settings);

  // fpApp_OnBeforeWebPublish: runs the whole publish preparation. Leaves cancel true when
  // publishing must not take place and destination as the host must publish to. Never raises.
  void OnBeforeWebPublish(host::Web& web, std::string& destination, bool& cancel);

  // True while a publish is being prepared.
  bool running() const { return running_; }

  // The web's folder and the local mend folder inside it, as the last publish found them; empty
  // before the first.
  const std::string& web_path() const { return web_path_; }
  const std::string& mend_path() const { return mend_path_; }

 private:
  void Run(host::Web& web, std::string& destination, bool& cancel, FrmMending& window,
           Fetcher& fetcher, const std::function<void()>& check_cancel);
  // The failure path: the dialog for the failure, and the cancel flag.
  void HandleFailure(const Failure& failure, bool& cancel);
  // The same; a failure of the dialog itself stops publishing.
  void HandleFailureSafely(const Failure& failure, bool& cancel);

  host::Application& app_;
  const PublishServices& services_;
  const PublishSettings& settings_;
  std::string web_path_;
  std::string mend_path_;
  bool running_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_PUBLISH_DRIVER_H_

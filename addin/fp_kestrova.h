// The add-in object FPKestrova: its life with the host (creation, the connection calls), the
// host's web events, the "Kestrova" menu and its three commands, and the before-publish handler.
// It talks to the host only through the host interfaces, so the same object serves FrontPage and
// the Linux host.
#ifndef KESTROVA_ADDIN_FP_KESTROVA_H_
#define KESTROVA_ADDIN_FP_KESTROVA_H_

#include <memory>
#include <string>

#include "host/application.h"
#include "publish/publish_driver.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"
#include "ui/frm_ksv_about.h"

namespace kestrova {

// The menu's texts and the place of its popup on the menu bar.
inline constexpr std::string_view kMenuCaption = "Kestrova";
inline constexpr std::string_view kAboutCaption = "About";
inline constexpr std::string_view kRegisterCaption = "Register";
inline constexpr std::string_view kDemoCaption = "Demo mend";
inline constexpr std::int16_t kMenuPosition = 9;
inline constexpr std::string_view kNoDemoText = "No demo here.";

class FPKestrova final : public host::ApplicationEvents {
 public:
  // Creation: takes its own reference to the host application (fpApp) and connects to its web
  // events; without one (null) the object waits unbound for BindApplication, and no web event
  // reaches it until then. Raises a Failure when the application refuses the events. services
  // and settings must outlive the object.
  FPKestrova(std::shared_ptr<host::Application> host_application, const PublishServices& services,
             const PublishSettings& settings);
  ~FPKestrova() override;
  FPKestrova(const FPKestrova&) = delete;
  FPKestrova& operator=(const FPKestrova&) = delete;

  // Binds the host calls and the web events to application, in place of any bound before: the
  // host handed over its application at connection. A publish under way finishes on the old one.
  // Raises a Failure when application is null or refuses the events; nothing changed then.
  void BindApplication(std::shared_ptr<host::Application> application);

  // IDTExtensibility2. OnConnection builds the menu and traps nothing: its first failure comes
  // back to the caller, and controls added before it stay. The others never fail.
  void OnConnection(host::Application& application);
  void OnDisconnection();
  void OnAddInsUpdate() {}
  void OnStartupComplete() {}
  void OnBeginShutdown();

  // The host's web events. OnWebNew fails when there is no menu; OnWebOpen ignores every error.
  void OnWebNew(host::Web& web) override;
  void OnWebOpen(host::Web& web) override;
  // fpApp_OnBeforeWebPublish.
  void OnBeforeWebPublish(host::Web& web, std::string& destination, bool& cancel) override;

  // The menu commands; their failures go back to the host.
  void ksvMenuDemo_Click();
  void ksvMenuAbout_Click();
  void ksvMenuRegister_Click();

  // The fields, for the host's views and the tests.
  const std::shared_ptr<host::Application>& fpApp() const { return fpApp_; }
  const std::shared_ptr<host::CommandBarControl>& ksvMenuPopup() const { return ksvMenuPopup_; }
  const std::shared_ptr<host::CommandBarControl>& ksvMenuAbout() const { return ksvMenuAbout_; }
  const std::shared_ptr<host::CommandBarControl>& ksvMenuRegister() const {
    return ksvMenuRegister_;
  }
  const std::shared_ptr<host::CommandBarControl>& ksvMenuDemo() const { return ksvMenuDemo_; }
  // The web's folder and its local mend folder, as the publish driver last found them.
  // Empty while no application is bound.
  const std::string& webPath() const;
  const std::string& mendPath() const;

 private:
  std::shared_ptr<host::CommandBarControl> AddButton(host::CommandBarControls& controls,
                                                     std::string_view caption,
                                                     void (FPKestrova::*on_click)());
  void SetDemoEnabled();
  void DropButtons();

  const PublishServices& services_;
  const PublishSettings& settings_;
  std::shared_ptr<host::Application> fpApp_;
  std::shared_ptr<host::CommandBarControl> ksvMenuPopup_;
  std::shared_ptr<host::CommandBarControl> ksvMenuRegister_;
  std::shared_ptr<host::CommandBarControl> ksvMenuAbout_;
  std::shared_ptr<host::CommandBarControl> ksvMenuDemo_;
  // Shared with a publish under way, which keeps it when the application is bound anew.
  std::shared_ptr<PublishDriver> driver_;
  // The About window, kept while a click on its web-site picture only hid it.
  std::unique_ptr<FrmKSVAbout> about_;
  // True while an About click waits for its window: the host's menus stay live meanwhile.
  bool about_shown_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_ADDIN_FP_KESTROVA_H_

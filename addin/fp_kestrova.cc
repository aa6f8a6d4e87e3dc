#include "addin/fp_kestrova.h"

#include <utility>

#include "ui/service_site.h"

namespace kestrova {
namespace {

// Runs step and ignores any failure it raises: the connection calls that must always succeed.
template <typename Step>
void IgnoringFailures(Step step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

FPKestrova::FPKestrova(std::shared_ptr<host::Application> host_application,
                       const PublishServices& services, const PublishSettings& settings)
    : services_(services), settings_(settings) {
  if (host_application) BindApplication(std::move(host_application));
}

void FPKestrova::BindApplication(std::shared_ptr<host::Application> application) {
  if (!application) {
    RaiseProgramError(kErrObjectNotSet, "The host application could not be obtained.");
  }
  auto driver = std::make_shared<PublishDriver>(*application, services_, settings_);
  application->Advise(this);
  if (fpApp_) IgnoringFailures([this] { fpApp_->Unadvise(); });
  fpApp_ = std::move(application);
  driver_ = std::move(driver);
}

const std::string& FPKestrova::webPath() const {
  static const std::string kNone;
  return driver_ ? driver_->web_path() : kNone;
}

const std::string& FPKestrova::mendPath() const {
  static const std::string kNone;
  return driver_ ? driver_->mend_path() : kNone;
}

FPKestrova::~FPKestrova() {
  IgnoringFailures([this] { DropButtons(); });
  if (fpApp_) IgnoringFailures([this] { fpApp_->Unadvise(); });
}

std::shared_ptr<host::CommandBarControl> FPKestrova::AddButton(host::CommandBarControls& controls,
                                                               std::string_view caption,
                                                               void (FPKestrova::*on_click)()) {
  auto button = controls.Add(host::kControlButton, std::nullopt, std::nullopt, std::int16_t{1},
                             /*temporary=*/true);
  button->SetClickHandler([this, on_click](host::CommandBarControl&, bool& /*cancel_default*/) {
    (this->*on_click)();
  });
  button->SetCaption(caption);
  return button;
}

void FPKestrova::OnConnection(host::Application& application) {
  const auto menu_bar = application.CommandBars()->Item("Menu Bar");
  ksvMenuPopup_ = menu_bar->Controls()->Add(host::kControlPopup, std::nullopt, std::nullopt,
                                            kMenuPosition, /*temporary=*/true);
  ksvMenuPopup_->SetCaption(kMenuCaption);
  const auto popup_controls = ksvMenuPopup_->Controls();
  // Each button goes before the first, so the popup lists them bottom-up: Demo mend, Register,
  // About.
  ksvMenuAbout_ = AddButton(*popup_controls, kAboutCaption, &FPKestrova::ksvMenuAbout_Click);
  ksvMenuRegister_ =
      AddButton(*popup_controls, kRegisterCaption, &FPKestrova::ksvMenuRegister_Click);
  ksvMenuDemo_ = AddButton(*popup_controls, kDemoCaption, &FPKestrova::ksvMenuDemo_Click);
  ksvMenuDemo_->SetEnabled(false);
}

void FPKestrova::OnDisconnection() {
  IgnoringFailures([this] {
    if (ksvMenuPopup_) ksvMenuPopup_->Delete();
  });
}

void FPKestrova::DropButtons() {
  for (auto* button : {&ksvMenuRegister_, &ksvMenuAbout_, &ksvMenuDemo_}) {
    if (*button) {
      // The handler refers to this object; a button that outlives it must not call it.
      IgnoringFailures([button] { (*button)->SetClickHandler(nullptr); });
      button->reset();
    }
  }
}

void FPKestrova::OnBeginShutdown() {
  IgnoringFailures([this] {
    if (fpApp_) fpApp_->Unadvise();
    fpApp_.reset();
  });
  IgnoringFailures([this] { DropButtons(); });
}

void FPKestrova::SetDemoEnabled() {
  if (!ksvMenuDemo_) {
    RaiseProgramError(kErrObjectNotSet,
                      "The Kestrova menu is missing: the add-in is not connected.");
  }
  ksvMenuDemo_->SetEnabled(true);
}

void FPKestrova::OnWebNew(host::Web& /*web*/) { SetDemoEnabled(); }

void FPKestrova::OnWebOpen(host::Web& /*web*/) {
  IgnoringFailures([this] { SetDemoEnabled(); });
}

void FPKestrova::OnBeforeWebPublish(host::Web& web, std::string& destination, bool& cancel) {
  // The publish dispatches the host's messages while it waits; a shutdown the host starts
  // meanwhile drops fpApp, but the driver goes on using the application until it returns.
  const std::shared_ptr<host::Application> application = fpApp_;
  const std::shared_ptr<PublishDriver> driver = driver_;
  if (!driver) return;  // only a bound application raises the event
  driver->OnBeforeWebPublish(web, destination, cancel);
}

void FPKestrova::ksvMenuDemo_Click() {
  services_.ui.MsgBox(kNoDemoText, MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, kAddinTitle);
}

void FPKestrova::ksvMenuAbout_Click() {
  if (about_shown_) {
    // A click that came while the window is up (the host's menus stay live) raises that window:
    // the first click still waits on it, so it is neither shown twice nor freed here.
    if (about_) about_->BringToFront();
    return;
  }
  about_shown_ = true;
  const struct Done {
    bool& shown;
    ~Done() { shown = false; }
  } done{about_shown_};
  if (!about_) about_ = std::make_unique<FrmKSVAbout>(services_.browser);
  about_->Show();
  services_.ui.ShowAbout(*about_);
  if (!about_->loaded()) about_.reset();
}

void FPKestrova::ksvMenuRegister_Click() { services_.browser.Navigate(kSubscribeUrl); }

}  // namespace kestrova

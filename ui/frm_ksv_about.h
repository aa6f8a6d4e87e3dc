// The About window frmKSVAbout as a model: its caption and what its OK button, its close box and
// its web-site picture do. A view shows it modally and calls the handlers.
#ifndef KESTROVA_UI_FRM_KSV_ABOUT_H_
#define KESTROVA_UI_FRM_KSV_ABOUT_H_

#include <functional>
#include <string_view>
#include <utility>

#include "platform/browser.h"

namespace kestrova {

class FrmKSVAbout {
 public:
  static constexpr std::string_view kCaption = "About Kestrova FrontPage Add-In";
  static constexpr std::string_view kOkButton = "OK";

  // browser opens the service's web site; it must outlive the window.
  explicit FrmKSVAbout(Browser& browser) : browser_(browser) {}

  void Show() {
    loaded_ = true;
    visible_ = true;
  }
  // OK or the close box: unloads the window; the next About command creates it anew.
  void cmdok_Click() { Unload(); }
  void Close() { Unload(); }
  // The web-site picture: hides the window (it stays loaded) and opens the service's web site.
  void Picture2_Click();

  bool visible() const { return visible_; }
  bool loaded() const { return loaded_; }

  // The view that shows the window sets what raises it above the other windows, and clears it
  // (null) when the window goes.
  void SetFrontHandler(std::function<void()> handler) { front_ = std::move(handler); }
  // Raises the shown window above the others; nothing when no view shows it.
  void BringToFront() const {
    if (front_) front_();
  }

 private:
  void Unload() {
    visible_ = false;
    loaded_ = false;
  }

  Browser& browser_;
  bool visible_ = false;
  bool loaded_ = false;
  std::function<void()> front_;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_FRM_KSV_ABOUT_H_

// Publish progress handed on to whichever status view is alive: the publish driver is given one
// PublishProgress for the whole run, while status views come and go with their windows.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_PROGRESS_RELAY_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_PROGRESS_RELAY_H_

#include <cstddef>

#include "publish/publish_services.h"

namespace kestrova {

class ConsoleProgressRelay : public PublishProgress {
 public:
  // Hands progress on to target from now on (nullptr: drop it). target must stay alive until it
  // is detached.
  void Attach(PublishProgress* target) noexcept { target_ = target; }
  // Stops handing progress on to target, if it is the one attached.
  void Detach(const PublishProgress* target) noexcept {
    if (target_ == target) target_ = nullptr;
  }
  // The receiver of progress now; nullptr for none.
  PublishProgress* target() const noexcept { return target_; }

  void OnEntryStored(std::size_t done, std::size_t total) override {
    if (target_ != nullptr) target_->OnEntryStored(done, total);
  }
  void OnPageDone(std::size_t done, std::size_t total, bool mended) override {
    if (target_ != nullptr) target_->OnPageDone(done, total, mended);
  }

 private:
  PublishProgress* target_ = nullptr;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_PROGRESS_RELAY_H_

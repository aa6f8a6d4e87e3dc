#include "cli/recording_user_interface.h"

#include "publish/publish_driver.h"

namespace kestrova {
namespace {

// The mend phase tells why it passes over an existing file in a status bar sentence that starts
// so, just before it counts the page.
constexpr std::string_view kPassedOverNote = "Passed over ";

class RecordingView final : public FrmMendingView {
 public:
  RecordingView(std::unique_ptr<FrmMendingView> inner, PublishRecord& record,
                const std::function<void()>& mend_phase_begins)
      : inner_(std::move(inner)), record_(record), mend_phase_begins_(mend_phase_begins) {}

  void OnStatusChanged(const std::string& text) override {
    if (text == kMendingText && mend_phase_begins_) mend_phase_begins_();
    if (inner_) inner_->OnStatusChanged(text);
  }
  void OnStatusBarChanged(const std::string& text) override {
    if (text.starts_with(kPassedOverNote)) pending_note_ = text;
    if (inner_) inner_->OnStatusBarChanged(text);
  }
  void OnRequestFailed() override {
    if (inner_) inner_->OnRequestFailed();
  }
  void OnFrameChanged(int hidden_frame, int shown_frame) override {
    if (inner_) inner_->OnFrameChanged(hidden_frame, shown_frame);
  }
  void OnShown() override {
    if (inner_) inner_->OnShown();
  }
  void OnHidden() override {
    if (inner_) inner_->OnHidden();
  }
  void OnEntryStored(std::size_t done, std::size_t total) override {
    // A count that goes back tells of files dropped: a download that does not finish keeps none.
    if (done < record_.entries_stored) record_.entries_dropped += record_.entries_stored - done;
    record_.entries_stored = done;
    record_.entries_listed = total;
    if (inner_) inner_->OnEntryStored(done, total);
  }
  void OnPageDone(std::size_t done, std::size_t total, bool mended) override {
    // done counts the entries from 1, in the order of the local inventory.
    if (done >= 1 && done <= record_.pages.size()) {
      ListedPage& page = record_.pages[done - 1];
      page.looked_at = true;
      page.mended = mended;
      if (!mended) page.note = pending_note_;
    }
    pending_note_.clear();
    if (inner_) inner_->OnPageDone(done, total, mended);
  }

 private:
  std::unique_ptr<FrmMendingView> inner_;
  PublishRecord& record_;
  const std::function<void()>& mend_phase_begins_;
  std::string pending_note_;
};

}  // namespace

std::unique_ptr<FrmMendingView> RecordingUserInterface::CreateStatusView(FrmMending& window) {
  return std::make_unique<RecordingView>(inner_.CreateStatusView(window), record_,
                                         mend_phase_begins_);
}

}  // namespace kestrova

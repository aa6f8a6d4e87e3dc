#include "ui/frm_mending.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/pump/posix/poll_event_pump.h"

namespace kestrova {
namespace {

// Records what the window tells its view.
class RecordingView final : public FrmMendingView {
 public:
  void OnStatusChanged(const std::string& text) override { labels.push_back(text); }
  void OnStatusBarChanged(const std::string& text) override { bar_texts.push_back(text); }
  void OnRequestFailed() override { failed_after.push_back(bar_texts.back()); }
  void OnFrameChanged(int hidden_frame, int shown_frame) override {
    frames.emplace_back(hidden_frame, shown_frame);
  }
  void OnShown() override { ++shown; }
  void OnHidden() override { ++hidden; }

  std::vector<std::string> labels;
  std::vector<std::string> bar_texts;
  std::vector<std::string> failed_after;  // the status bar text each failure came after
  std::vector<std::pair<int, int>> frames;
  int shown = 0;
  int hidden = 0;
};

class FrmMendingTest : public ::testing::Test {
 protected:
  FrmMendingTest() { Recreate(); }

  // A new window, as the next publish gets one.
  void Recreate() {
    window_.reset();
    window_ = std::make_unique<FrmMending>(pump_);
    view_ = std::make_unique<RecordingView>();
    window_->SetView(view_.get());
  }

  // Pumps until done() holds or limit passes.
  template <typename Done>
  void PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds{3}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (int round = 0; round < 100'000 && !done() && std::chrono::steady_clock::now() < end;
         ++round) {
      pump_.DoEvents();
    }
  }

  PollEventPump pump_;
  std::unique_ptr<FrmMending> window_;
  std::unique_ptr<RecordingView> view_;
};

TEST_F(FrmMendingTest, ANewWindowStartsHiddenAndEmpty) {
  EXPECT_FALSE(window_->visible());
  EXPECT_EQ(window_->frame_index(), 0);
  EXPECT_EQ(window_->status_text(), "");
  EXPECT_EQ(window_->status_bar_text(), "");
  EXPECT_FALSE(window_->ksvCancel());
  EXPECT_FALSE(window_->animation_running());
  for (int i = 0; i < FrmMending::kFrameCount; ++i) EXPECT_TRUE(window_->picture_visible(i));
}

TEST_F(FrmMendingTest, ShowsTheSentenceOfEachState) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "No state information is available"},
      {1, "Looking up the IP address for the remote server"},
      {2, "Found the IP address for the remote server"},
      {3, "Connecting to the remote server"},
      {4, "Connected to the remote server"},
      {5, "Requesting information from the remote server"},
      {6, "The request was sent successfully to the remote server"},
      {7, "Receiving a response from the remote server."},
      {8, "The response was received successfully from the remote server"},
      {9, "Disconnecting from the remote server"},
      {10, "Disconnected from the remote server"},
      {11, "An error has occurred while communicating with the remote server."},
      {12, "The request was completed, all data has been received."},
      {13, "Unknown state:13"},
      {-1, "Unknown state:-1"},
      {32767, "Unknown state:32767"},
      {-32768, "Unknown state:-32768"},
  };
  for (const auto& [state, text] : cases) {
    SCOPED_TRACE(state);
    window_->OnTransferStateChanged(state);
    EXPECT_EQ(window_->status_bar_text(), text);
    EXPECT_EQ(view_->bar_texts.back(), text);
    EXPECT_EQ(FrmMending::StateText(state), text);
  }
  EXPECT_EQ(view_->bar_texts.size(), cases.size());
}

// The view learns of a failed request from the window, never by reading its sentence: an error,
// and a state no request has.
TEST_F(FrmMendingTest, AnErrorOrAnUnknownStateTellsTheViewOfAFailure) {
  for (int state = -1; state <= 13; ++state) window_->OnTransferStateChanged(state);
  EXPECT_EQ(view_->failed_after,
            (std::vector<std::string>{"Unknown state:-1", FrmMending::StateText(11),
                                      "Unknown state:13"}));
}

TEST_F(FrmMendingTest, EachTickHidesOnePictureAndShowsTheNext) {
  std::vector<std::pair<int, int>> expected_frames;
  for (int tick = 1; tick <= 8; ++tick) {
    window_->OnAnimationTick();
    expected_frames.emplace_back((tick - 1) % 7, tick % 7);
    EXPECT_EQ(window_->frame_index(), tick % 7);
    if (tick == 1) {
      EXPECT_FALSE(window_->picture_visible(0));
      for (int i = 1; i < 7; ++i) EXPECT_TRUE(window_->picture_visible(i));
    }
    if (tick >= 6) {
      // From the sixth tick on exactly one picture shows: the current one.
      for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(window_->picture_visible(i), i == window_->frame_index()) << "tick " << tick;
      }
    }
  }
  EXPECT_EQ(view_->frames, expected_frames);
}

TEST_F(FrmMendingTest, TheAnimationRunsOnThePumpsTimerFromTheFirstShowUntilStopped) {
  PumpUntil([] { return false; }, std::chrono::milliseconds{250});
  EXPECT_EQ(window_->frame_index(), 0);  // not loaded yet: no ticks
  EXPECT_TRUE(view_->frames.empty());

  window_->Show();
  EXPECT_TRUE(window_->visible());
  EXPECT_TRUE(window_->animation_running());
  EXPECT_EQ(view_->shown, 1);
  PumpUntil([&] { return view_->frames.size() >= 3; });
  ASSERT_GE(view_->frames.size(), 3u);
  EXPECT_EQ(view_->frames[0], std::make_pair(0, 1));
  EXPECT_EQ(view_->frames[1], std::make_pair(1, 2));
  EXPECT_EQ(view_->frames[2], std::make_pair(2, 3));

  window_->StopAnimation();
  EXPECT_FALSE(window_->animation_running());
  const int frame = window_->frame_index();
  const std::size_t ticks = view_->frames.size();
  PumpUntil([] { return false; }, std::chrono::milliseconds{350});
  EXPECT_EQ(window_->frame_index(), frame);  // the frame on display stays
  EXPECT_EQ(view_->frames.size(), ticks);
  EXPECT_TRUE(window_->visible());
}

TEST_F(FrmMendingTest, CancelStopsTheAnimationHidesTheWindowAndSetsTheFlag) {
  int cancels = 0;
  window_->SetCancelCallback([&] { ++cancels; });
  window_->Show();
  window_->OnCancelClick();
  EXPECT_TRUE(window_->ksvCancel());
  EXPECT_FALSE(window_->visible());
  EXPECT_FALSE(window_->animation_running());
  EXPECT_EQ(view_->hidden, 1);
  EXPECT_EQ(cancels, 1);
  const int frame = window_->frame_index();
  PumpUntil([] { return false; }, std::chrono::milliseconds{250});
  EXPECT_EQ(window_->frame_index(), frame);

  // The driver's later texts still reach the hidden window.
  window_->SetStatusText("Mending local files.");
  window_->OnTransferStateChanged(5);
  EXPECT_EQ(window_->status_text(), "Mending local files.");
  EXPECT_EQ(view_->labels.back(), "Mending local files.");
  EXPECT_EQ(window_->status_bar_text(), "Requesting information from the remote server");
  window_->SetStatusBarText("");
  EXPECT_EQ(window_->status_bar_text(), "");
  EXPECT_FALSE(window_->visible());
}

TEST_F(FrmMendingTest, HideKeepsTheWindowsState) {
  window_->Show();
  window_->OnTransferStateChanged(3);
  window_->SetStatusText("Download not needed.");
  window_->Hide();
  EXPECT_FALSE(window_->visible());
  EXPECT_EQ(view_->hidden, 1);
  EXPECT_EQ(window_->status_text(), "Download not needed.");
  EXPECT_FALSE(window_->ksvCancel());
}

TEST_F(FrmMendingTest, ADiscardedWindowLeavesNoTimerBehind) {
  window_->Show();
  PumpUntil([&] { return view_->frames.size() >= 1; });
  ASSERT_GE(view_->frames.size(), 1u);
  const std::size_t ticks = view_->frames.size();
  window_.reset();
  // A timer left behind would tick into the discarded window (and through it into the view).
  PumpUntil([] { return false; }, std::chrono::milliseconds{300});
  EXPECT_EQ(view_->frames.size(), ticks);
}

}  // namespace
}  // namespace kestrova

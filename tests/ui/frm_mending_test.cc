#include "ui/frm_mending.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/posix/poll_event_pump.h"
#include "platform/transfer_control.h"

namespace kestrova {
namespace {

// A transfer control that only passes on the states a test fires through it, so the window is
// seen receiving them the way it registered for them.
class FiringTransferControl final : public TransferControl {
 public:
  void SetUrl(std::string_view url) override { url_ = std::string(url); }
  const std::string& Url() const override { return url_; }
  void SetRequestTimeout(int) override {}
  void Execute(std::string_view) override {}
  bool StillExecuting() const override { return false; }
  std::string GetHeader() const override { return {}; }
  std::string GetChunk(std::size_t) override { return {}; }
  void Cancel() override {}
  void SetStateChangedCallback(StateChangedCallback callback) override {
    callback_ = std::move(callback);
  }

  void Fire(int state) {
    ASSERT_TRUE(callback_) << "the window did not register for state changes";
    callback_(state);
  }
  bool has_callback() const { return static_cast<bool>(callback_); }

 private:
  std::string url_;
  StateChangedCallback callback_;
};

// Records what the window tells its view, and the last error as it stood at each status bar
// change.
class RecordingView final : public FrmMendingView {
 public:
  explicit RecordingView(const LastError& last_error) : last_error_(last_error) {}

  void OnStatusChanged(const std::string& text) override { labels.push_back(text); }
  void OnStatusBarChanged(const std::string& text) override {
    bar_texts.push_back(text);
    error_numbers_at_bar_change.push_back(last_error_.number());
  }
  void OnFrameChanged(int hidden_frame, int shown_frame) override {
    frames.emplace_back(hidden_frame, shown_frame);
  }
  void OnShown() override { ++shown; }
  void OnHidden() override { ++hidden; }

  std::vector<std::string> labels;
  std::vector<std::string> bar_texts;
  std::vector<std::int32_t> error_numbers_at_bar_change;
  std::vector<std::pair<int, int>> frames;
  int shown = 0;
  int hidden = 0;

 private:
  const LastError& last_error_;
};

class FrmMendingTest : public ::testing::Test {
 protected:
  FrmMendingTest() { Recreate(); }

  // A new window, as the next publish gets one.
  void Recreate() {
    window_.reset();
    auto inet = std::make_unique<FiringTransferControl>();
    inet_ = inet.get();
    window_ = std::make_unique<FrmMending>(std::move(inet), pump_, last_error_);
    view_ = std::make_unique<RecordingView>(last_error_);
    window_->SetView(view_.get());
    last_error_.Clear();
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
  LastError last_error_;
  FiringTransferControl* inet_ = nullptr;
  std::unique_ptr<FrmMending> window_;
  std::unique_ptr<RecordingView> view_;
};

TEST_F(FrmMendingTest, ANewWindowStartsHiddenAndEmpty) {
  EXPECT_FALSE(window_->visible());
  EXPECT_EQ(window_->frame_index(), 0);
  EXPECT_EQ(window_->last_state(), 0);
  EXPECT_EQ(window_->status_text(), "");
  EXPECT_EQ(window_->status_bar_text(), "");
  EXPECT_FALSE(window_->ksvCancel());
  EXPECT_FALSE(window_->animation_running());
  for (int i = 0; i < FrmMending::kFrameCount; ++i) EXPECT_TRUE(window_->picture_visible(i));
  EXPECT_EQ(&window_->Inet1(), inet_);
  EXPECT_TRUE(inet_->has_callback());
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
    inet_->Fire(state);
    EXPECT_EQ(window_->status_bar_text(), text);
    EXPECT_EQ(view_->bar_texts.back(), text);
    EXPECT_EQ(FrmMending::StateText(state), text);
  }
  EXPECT_EQ(view_->bar_texts.size(), cases.size());
}

TEST_F(FrmMendingTest, StatesZeroToTenBecomeTheLastStateAndOthersLeaveIt) {
  for (int state = 0; state <= 10; ++state) {
    inet_->Fire(state);
    EXPECT_EQ(window_->last_state(), state);
  }
  inet_->Fire(8);
  for (const int state : {11, 12, 13, -1, 99}) {
    inet_->Fire(state);
    EXPECT_EQ(window_->last_state(), 8) << "after state " << state;
  }
  inet_->Fire(0);
  EXPECT_EQ(window_->last_state(), 0);
}

TEST_F(FrmMendingTest, RecordsTheErrorThatTheLastStateSelects) {
  struct ErrorCase {
    int last_state;
    std::int32_t number;
    const char* description;
  };
  const char* const kCommunicating = "Error communicating with the remote server.";
  const std::vector<ErrorCase> cases = {
      {0, errCommunicating, kCommunicating},
      {1, errDnsNameNotFound, "DNS error - name not found"},
      {2, errCommunicating, kCommunicating},
      {3, errServerNotResponding, "Server not responding"},
      {4, errCommunicating, kCommunicating},
      {5, errCommunicating, kCommunicating},
      {6, errCommunicating, kCommunicating},
      {7, errCommunicating, kCommunicating},
      {8, errReceivingData, "Error receiving data from server"},
      {9, errCommunicating, kCommunicating},
      {10, errCommunicating, kCommunicating},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.last_state);
    Recreate();
    inet_->Fire(c.last_state);
    EXPECT_FALSE(last_error_.IsSet());
    inet_->Fire(11);
    EXPECT_EQ(last_error_.number(), c.number);
    EXPECT_EQ(last_error_.description(), c.description);
    EXPECT_EQ(last_error_.source(), "Inet1");
  }
  EXPECT_EQ(static_cast<std::uint32_t>(errDnsNameNotFound), 0x8004021Du);
  EXPECT_EQ(static_cast<std::uint32_t>(errServerNotResponding), 0x800401BBu);
  EXPECT_EQ(static_cast<std::uint32_t>(errReceivingData), 0x800401C0u);
  EXPECT_EQ(static_cast<std::uint32_t>(errCommunicating), 0x80040226u);
}

TEST_F(FrmMendingTest, AnErrorAsTheFirstStateOfANewWindowIsACommunicationError) {
  inet_->Fire(11);
  EXPECT_EQ(last_error_.number(), errCommunicating);
  EXPECT_EQ(window_->status_bar_text(),
            "An error has occurred while communicating with the remote server.");
}

TEST_F(FrmMendingTest, RepeatedErrorsKeepSelectingByTheSameLastState) {
  inet_->Fire(3);
  inet_->Fire(11);
  EXPECT_EQ(last_error_.number(), errServerNotResponding);
  last_error_.Clear();
  inet_->Fire(11);
  EXPECT_EQ(last_error_.number(), errServerNotResponding);
  EXPECT_EQ(last_error_.description(), "Server not responding");
}

TEST_F(FrmMendingTest, StateZeroResetsTheLastState) {
  inet_->Fire(1);
  inet_->Fire(0);
  inet_->Fire(11);
  EXPECT_EQ(last_error_.number(), errCommunicating);
}

TEST_F(FrmMendingTest, TheWindowNeverClearsTheLastError) {
  inet_->Fire(8);
  inet_->Fire(11);
  for (const int state : {0, 5, 8, 12}) inet_->Fire(state);
  EXPECT_EQ(last_error_.number(), errReceivingData);
  EXPECT_EQ(last_error_.source(), "Inet1");
}

TEST_F(FrmMendingTest, UnknownStatesRecordAnUnknownError) {
  for (const int state : {13, -1, 32767, -32768}) {
    SCOPED_TRACE(state);
    Recreate();
    inet_->Fire(4);
    inet_->Fire(state);
    EXPECT_EQ(static_cast<std::uint32_t>(last_error_.number()), 0x80040000u);
    EXPECT_EQ(last_error_.description(), "Unknown Error");
    EXPECT_EQ(last_error_.source(), "Inet1");
    EXPECT_EQ(window_->status_bar_text(), "Unknown state:" + std::to_string(state));
    EXPECT_EQ(window_->last_state(), 4);
  }
}

TEST_F(FrmMendingTest, TheErrorIsInPlaceBeforeTheSentenceChanges) {
  inet_->Fire(1);
  inet_->Fire(11);
  inet_->Fire(13);
  ASSERT_EQ(view_->error_numbers_at_bar_change.size(), 3u);
  EXPECT_EQ(view_->error_numbers_at_bar_change[0], 0);
  EXPECT_EQ(view_->error_numbers_at_bar_change[1], errDnsNameNotFound);
  EXPECT_EQ(view_->error_numbers_at_bar_change[2], errUnknownTransferState);
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
  inet_->Fire(5);
  EXPECT_EQ(window_->status_text(), "Mending local files.");
  EXPECT_EQ(view_->labels.back(), "Mending local files.");
  EXPECT_EQ(window_->status_bar_text(), "Requesting information from the remote server");
  window_->SetStatusBarText("");
  EXPECT_EQ(window_->status_bar_text(), "");
  EXPECT_FALSE(window_->visible());
}

TEST_F(FrmMendingTest, HideKeepsTheWindowsState) {
  window_->Show();
  inet_->Fire(3);
  window_->SetStatusText("Download not needed.");
  window_->Hide();
  EXPECT_FALSE(window_->visible());
  EXPECT_EQ(view_->hidden, 1);
  EXPECT_EQ(window_->last_state(), 3);
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

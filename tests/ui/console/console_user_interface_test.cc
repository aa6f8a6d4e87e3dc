// The terminal user interface driven through pipes and pseudo-terminals: the texts it prints, the
// answers it reads or takes from its options, that it never waits without a terminal, and the
// status window as a live line or as plain lines.
#include "ui/console/console_user_interface.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "platform/pump/event_pump.h"
#include "platform/transfer/transfer_states.h"
#include "tests/support/fake_transfer_control.h"
#include "tests/support/recording_browser.h"
#include "ui/console/console_status_view.h"
#include "ui/console/console_text.h"
#include "ui/frm_ksv_about.h"
#include "ui/frm_mending.h"
#include "ui/frm_not_client.h"
#include "ui/service_site.h"

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a call may take before the test decides it waits for input it will never get.
constexpr auto kCallLimit = 5s;
// How long a read of a pseudo-terminal waits for output to start, and how long output may pause
// before the read counts as complete.
constexpr int kFirstOutputMs = 3000;
constexpr int kQuietMs = 150;

namespace ts = transfer_state;

// ---------------------------------------------------------------------------------------------
// Streams.

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

Pipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

void WriteText(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) throw std::runtime_error("write failed");
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Everything fd delivers, waiting at most first_wait_ms for the first bytes and then until it has
// been silent for quiet_ms, within a few seconds in all.
std::string ReadAvailable(int fd, int first_wait_ms, int quiet_ms) {
  std::string text;
  const auto deadline = Clock::now() + 5s;
  while (Clock::now() < deadline && text.size() < (1u << 20)) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, text.empty() ? first_wait_ms : quiet_ms) <= 0) break;
    char buffer[4096];
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count <= 0) break;
    text.append(buffer, static_cast<std::size_t>(count));
  }
  return text;
}

// A pseudo-terminal whose slave side the interface uses as a real terminal: no echo of the
// typed answers and no output processing, so that the master reads exactly what was written.
struct Pty {
  UniqueFd master;
  UniqueFd slave;
};

void SetColumns(int master, int columns) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = static_cast<unsigned short>(columns);
  if (::ioctl(master, TIOCSWINSZ, &size) != 0) throw std::runtime_error("TIOCSWINSZ failed");
}

Pty MakePty(int columns) {
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master.valid() || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0) {
    throw std::runtime_error("posix_openpt failed");
  }
  char name[128];
  if (::ptsname_r(master.get(), name, sizeof name) != 0) throw std::runtime_error("ptsname_r");
  UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!slave.valid()) throw std::runtime_error("cannot open the pseudo-terminal's slave");
  termios settings{};
  if (::tcgetattr(slave.get(), &settings) != 0) throw std::runtime_error("tcgetattr failed");
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  if (::tcsetattr(slave.get(), TCSANOW, &settings) != 0) throw std::runtime_error("tcsetattr");
  SetColumns(master.get(), columns);
  return {std::move(master), std::move(slave)};
}

// The character that ends the input when typed at the start of a line (Ctrl+D).
std::string EndOfInputKey(int slave) {
  termios settings{};
  ::tcgetattr(slave, &settings);
  return std::string(1, static_cast<char>(settings.c_cc[VEOF]));
}

// Runs call on a thread of its own and waits for it at most kCallLimit. When it is still running
// then, unblock (which must make it return) is called and false returned.
bool FinishesInTime(const std::function<void()>& call, const std::function<void()>& unblock) {
  std::atomic<bool> done{false};
  std::thread runner([&] {
    call();
    done = true;
  });
  const auto deadline = Clock::now() + kCallLimit;
  while (!done && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
  const bool in_time = done;
  if (!in_time) unblock();
  runner.join();
  return in_time;
}

// ---------------------------------------------------------------------------------------------
// Test doubles of the platform.

using testing::RecordingBrowser;

// The time the live line's redraws see: it moves only when a test moves it or a timer fires.
Clock::time_point test_now{};

// An event pump whose timers fire when the test says so, an animation interval apart.
class FakeEventPump : public EventPump {
 public:
  void DoEvents() override { Tick(); }
  TimerId AddTimer(std::chrono::milliseconds /*interval*/, std::function<void()> on_tick,
                   bool enabled) override {
    timers_[++last_id_] = Timer{std::move(on_tick), enabled};
    return last_id_;
  }
  void EnableTimer(TimerId id, bool enabled) override {
    if (auto it = timers_.find(id); it != timers_.end()) it->second.enabled = enabled;
  }
  void RemoveTimer(TimerId id) override { timers_.erase(id); }
  void SetCancelHandler(std::function<void()> /*on_cancel*/) override {}

  // Fires every enabled timer once, an animation interval after the last time.
  void Tick() {
    test_now += FrmMending::kAnimationInterval;
    for (auto& [id, timer] : timers_) {
      if (timer.enabled) timer.on_tick();
    }
  }

 private:
  struct Timer {
    std::function<void()> on_tick;
    bool enabled = false;
  };
  std::map<TimerId, Timer> timers_;
  TimerId last_id_ = 0;
};

// A status window with its pump, viewed through ui (at once, or from CreateView on when view_now
// is false).
class StatusWindow {
 public:
  explicit StatusWindow(ConsoleUserInterface& ui, bool view_now = true) {
    window_ = std::make_unique<FrmMending>(pump_);
    if (view_now) CreateView(ui);
  }
  ~StatusWindow() { DropView(); }

  // Gives the window its view, made the way the driver makes it.
  void CreateView(ConsoleUserInterface& ui) {
    view_ = ui.CreateStatusView(*window_);
    window_->SetView(view_.get());
  }

  FrmMending& window() { return *window_; }
  // Shows a state of a request, as the publish's requests report them.
  void Report(int state) { window_->OnTransferStateChanged(state); }
  void Tick(int times) {
    for (int i = 0; i < times; ++i) pump_.Tick();
  }
  // Drops the view the way the driver does: unset, then destroyed.
  void DropView() {
    window_->SetView(nullptr);
    view_.reset();
  }

 private:
  FakeEventPump pump_;
  std::unique_ptr<FrmMending> window_;
  std::unique_ptr<FrmMendingView> view_;
};

// ---------------------------------------------------------------------------------------------
// The interface on pipes: the test writes the input and reads the output.

class ConsoleOnPipes {
 public:
  // input_is_terminal and output_is_terminal pretend that the pipes are terminals.
  ConsoleOnPipes(bool input_is_terminal, bool output_is_terminal = false,
                 OnMissing on_missing = OnMissing::kUnset,
                 std::optional<std::string> destination = std::nullopt, bool quiet = false,
                 bool verbose = false)
      : input_(MakePipe()), output_(MakePipe()) {
    ::fcntl(output_.read.get(), F_SETFL, O_NONBLOCK);
    ConsoleOptions options;
    options.quiet = quiet;
    options.verbose = verbose;
    options.destination = std::move(destination);
    options.on_missing = on_missing;
    options.input_fd = input_.read.get();
    options.output_fd = output_.write.get();
    options.input_is_terminal = input_is_terminal;
    options.output_is_terminal = output_is_terminal;
    options.output_columns = 60;
    options.clock = [] { return test_now; };
    ui_ = std::make_unique<ConsoleUserInterface>(std::move(options));
  }

  ConsoleUserInterface& ui() { return *ui_; }

  void Type(std::string_view text) { WriteText(input_.write.get(), text); }
  // Ends the input, as closing a terminal or Ctrl+D does.
  void EndInput() { input_.write.Reset(); }

  // Runs call and says whether it returned without waiting for input that never comes; the
  // input stays open meanwhile, so a read would wait.
  bool Returns(const std::function<void()>& call) {
    return FinishesInTime(call, [this] { EndInput(); });
  }

  // What was printed since the last call.
  std::string Output() { return ReadAvailable(output_.read.get(), 0, 0); }

  // What is left unread of the input.
  std::string UnreadInput() {
    ::fcntl(input_.read.get(), F_SETFL, O_NONBLOCK);
    return ReadAvailable(input_.read.get(), 0, 0);
  }

 private:
  Pipe input_;
  Pipe output_;
  std::unique_ptr<ConsoleUserInterface> ui_;
};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// ---------------------------------------------------------------------------------------------
// Text shaping.

TEST(ConsoleTextTest, LineBreaksAndControlCharacters) {
  EXPECT_EQ(PrintableLines("one\r\ntwo\rthree\nfour"), "one\ntwo\nthree\nfour");
  EXPECT_EQ(PrintableLines("a\r\n\r\nb"), "a\n\nb");
  // An escape sequence from a server's text must not reach the terminal.
  EXPECT_EQ(PrintableLines("File \"\x1b[2Jx\" not\tfound\a"), "File \"?[2Jx\" not\tfound?");
  EXPECT_EQ(PrintableLine("a\r\nb\x1b"
                          "c\x7f"),
            "a  b c ");
  // C1 controls in UTF-8 are controls too; other UTF-8 text stays.
  EXPECT_EQ(PrintableLines("a\xc2\x9b"
                           "2J \xc3\xa9"),
            "a?2J \xc3\xa9");
  EXPECT_EQ(PrintableLine("a\xc2\x85"
                          "b"),
            "a b");
  // The C1 range from its first to its last code point; the no-break space after it is text.
  EXPECT_EQ(PrintableLines("\xc2\x80|\xc2\x9f|\xc2\xa0"), "?|?|\xc2\xa0");
}

TEST(ConsoleTextTest, FitToColumnsCountsCharactersNotBytes) {
  struct Case {
    std::string_view text;
    int columns;
    std::string_view expected;
  };
  const Case cases[] = {
      {"abcdef", 3, "abc"},
      {"abc", 3, "abc"},
      {"abc", 10, "abc"},
      {"abc", 0, ""},
      {"abc", -4, ""},
      {"h\xc3\xa9llo", 2, "h\xc3\xa9"},  // é is two bytes, one column
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 2, "\xe6\x97\xa5\xe6\x9c\xac"},  // 日本語
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitToColumns(c.text, c.columns), c.expected) << c.text << " to " << c.columns;
  }
}

// ---------------------------------------------------------------------------------------------
// Message boxes.

// Quiet leaves out the status window's lines, never a message box.
TEST(ConsoleMsgBoxTest, OkOnlyBoxPrintsTitleAndPromptAndNeverWaits) {
  for (const auto& [terminal, quiet] : {std::pair(false, false), {true, false}, {false, true}}) {
    ConsoleOnPipes console(terminal, false, OnMissing::kUnset, std::nullopt, quiet);
    MsgBoxResult result = MsgBoxResult::kCancel;
    ASSERT_TRUE(console.Returns([&] {
      result = console.ui().MsgBox("Server not responding\r\nat all", MsgBoxButtons::kOkOnly,
                                   MsgBoxIcon::kCritical, "Error");
    })) << "terminal "
        << terminal << ", quiet " << quiet;
    EXPECT_EQ(result, MsgBoxResult::kOk);
    EXPECT_EQ(console.Output(), "== Error ==\nServer not responding\nat all\n");

    ASSERT_TRUE(console.Returns(
        [&] { console.ui().MsgBox("Done.", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, ""); }));
    EXPECT_EQ(console.Output(), "== FPKestrova ==\nDone.\n") << "the add-in's title by default";
  }
}

TEST(ConsoleMsgBoxTest, OkCancelBoxAnswers) {
  struct Case {
    std::string_view name;
    OnMissing on_missing;
    bool terminal;
    std::string_view typed;
    bool end_input;  // the input ends after what was typed
    MsgBoxResult expected;
    std::string_view printed;  // a line the answer must print
    std::string_view unread;   // what must be left of the input
  };
  const Case cases[] = {
      {"option publish", OnMissing::kPublish, false, "", false, MsgBoxResult::kOk,
       "Answered OK, as --on-missing=publish asks.\n", ""},
      {"option cancel", OnMissing::kCancel, false, "", false, MsgBoxResult::kCancel,
       "Answered Cancel, as --on-missing=cancel asks.\n", ""},
      {"option wins over the terminal", OnMissing::kCancel, true, "o\n", false,
       MsgBoxResult::kCancel, "--on-missing=cancel", "o\n"},
      {"no terminal", OnMissing::kUnset, false, "", false, MsgBoxResult::kCancel,
       "--on-missing=publish", ""},
      {"no terminal ignores typed text", OnMissing::kUnset, false, "o\n", false,
       MsgBoxResult::kCancel, "--on-missing=publish", "o\n"},
      {"Enter", OnMissing::kUnset, true, "\n", false, MsgBoxResult::kOk,
       "[O]K / [C]ancel (Enter: OK)? ", ""},
      {"c", OnMissing::kUnset, true, "c\nnext\n", false, MsgBoxResult::kCancel, "[O]K / [C]ancel",
       "next\n"},
      {"word in capitals with blanks", OnMissing::kUnset, true, "  CANCEL \r\n", false,
       MsgBoxResult::kCancel, "[O]K / [C]ancel", ""},
      {"ok", OnMissing::kUnset, true, "ok\n", false, MsgBoxResult::kOk, "[O]K", ""},
      {"asks again", OnMissing::kUnset, true, "x\n\n", false, MsgBoxResult::kOk,
       "Please answer O or C.\n", ""},
      {"end of input", OnMissing::kUnset, true, "", true, MsgBoxResult::kCancel, "[O]K / [C]ancel",
       ""},
      {"end of input after text", OnMissing::kUnset, true, "ok", true, MsgBoxResult::kOk,
       "[O]K / [C]ancel", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleOnPipes console(c.terminal, false, c.on_missing);
    console.Type(c.typed);
    if (c.end_input) console.EndInput();
    MsgBoxResult result{};
    ASSERT_TRUE(console.Returns([&] {
      result = console.ui().MsgBox(
          "File \"inventory.txt\" not found on server.\r\n\r\nClick \"OK\" to continue.",
          MsgBoxButtons::kOkCancel, MsgBoxIcon::kExclamation, "Error");
    }));
    EXPECT_EQ(result, c.expected);
    const std::string output = console.Output();
    EXPECT_EQ(
        output.rfind("== Error ==\nFile \"inventory.txt\" not found on server.\n\nClick \"OK\" to "
                     "continue.\n",
                     0),
        0u)
        << output;
    EXPECT_TRUE(Contains(output, c.printed)) << output;
    if (!c.end_input) {
      EXPECT_EQ(console.UnreadInput(), c.unread);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The input box.

constexpr std::string_view kUrlPrompt = "Please provide the correct http url for your web site.";
constexpr std::string_view kUrlTitle = "Web URL needed";
constexpr std::string_view kPreset = "http://";

// --destination answers the first box, on a terminal or not; later boxes are answered on the
// terminal, or cancelled without one. Quiet prints nothing of it.
TEST(ConsoleInputBoxTest, DestinationAnswersFirst) {
  const std::string from_option = "Web URL needed: \"http://first.test\", from --destination.\n";
  const std::string no_terminal = "Web URL needed: " + std::string(kUrlPrompt) +
                                  " There is no terminal to answer on: give the answer with "
                                  "--destination URL.\n";
  struct Case {
    std::string_view name;
    bool terminal;
    bool quiet;
    std::vector<std::string> answers;
    std::string printed;  // the output, or with a terminal its start
  };
  const Case cases[] = {
      {"no terminal",
       false,
       false,
       {"http://first.test", "", ""},
       from_option + no_terminal + no_terminal},
      {"terminal", true, false, {"http://first.test", "http://second.test"}, from_option},
      {"quiet", false, true, {"http://first.test"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleOnPipes console(c.terminal, false, OnMissing::kUnset, "http://first.test", c.quiet);
    console.Type("http://second.test\n");
    std::vector<std::string> answers;
    ASSERT_TRUE(console.Returns([&] {
      for (std::size_t i = 0; i < c.answers.size(); ++i)
        answers.push_back(console.ui().InputBox(kUrlPrompt, kUrlTitle, kPreset));
    }));
    EXPECT_EQ(answers, c.answers);
    const std::string output = console.Output();
    EXPECT_EQ(c.terminal ? output.substr(0, c.printed.size()) : output, c.printed);
  }
}

TEST(ConsoleInputBoxTest, TerminalAnswers) {
  struct Case {
    std::string_view typed;
    bool end_input;
    std::string_view expected;
  };
  const Case cases[] = {
      {"\n", false, "http://"},     // Enter keeps the preset
      {"   \n", false, "http://"},  // so do blanks alone
      {"http://www.example.test\n", false, "http://www.example.test"},
      {"  http://spaced.test \r\n", false, "http://spaced.test"},
      {"", true, ""},                                              // the end cancels
      {"http://unfinished.test", true, "http://unfinished.test"},  // text before the end counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ConsoleOnPipes console(true);
    console.Type(c.typed);
    if (c.end_input) console.EndInput();
    std::string answer = "unset";
    ASSERT_TRUE(
        console.Returns([&] { answer = console.ui().InputBox(kUrlPrompt, kUrlTitle, kPreset); }));
    EXPECT_EQ(answer, c.expected);
    const std::string output = console.Output();
    EXPECT_EQ(output.rfind("== Web URL needed ==\n" + std::string(kUrlPrompt) +
                               "\nAnswer (Enter keeps \"http://\", Ctrl+D cancels): ",
                           0),
              0u)
        << output;
  }
}

// ---------------------------------------------------------------------------------------------
// The not-a-client dialog.

std::string NotClientText() {
  return "== Error ==\n" + std::string(FrmNotClient::kLabel1) + "\n" +
         std::string(FrmNotClient::kLabel2) + "\n" + std::string(FrmNotClient::kLabel3) + "\n" +
         std::string(FrmNotClient::kLabel4) + "\n" + std::string(FrmNotClient::kLabel5) + "\n";
}

TEST(ConsoleNotClientTest, ButtonsPressed) {
  struct Case {
    std::string_view name;
    OnMissing on_missing;
    bool terminal;
    std::string_view typed;
    bool end_input;
    bool cancel;
    bool registered;
    std::string_view printed;
  };
  const Case cases[] = {
      {"Enter presses OK", OnMissing::kUnset, true, "\n", false, false, false,
       "[R]egister / [O]K / [C]ancel (Enter: OK)? "},
      {"register", OnMissing::kUnset, true, "r\n", false, false, true,
       "Opening https://www.kestrova.com/subscribe.html in a browser.\n"},
      {"cancel", OnMissing::kUnset, true, "Cancel\n", false, true, false, "[C]ancel"},
      {"ok after a wrong answer", OnMissing::kUnset, true, "maybe\nO\n", false, false, false,
       "Please answer R, O or C.\n"},
      {"end of input closes", OnMissing::kUnset, true, "", true, false, false, "[O]K"},
      {"option publish presses OK", OnMissing::kPublish, false, "", false, false, false,
       "Answered OK, as --on-missing=publish asks.\n"},
      {"option cancel presses Cancel", OnMissing::kCancel, false, "", false, true, false,
       "Answered Cancel, as --on-missing=cancel asks.\n"},
      {"option wins over the terminal", OnMissing::kPublish, true, "r\n", false, false, false,
       "--on-missing=publish"},
      {"no terminal presses Cancel", OnMissing::kUnset, false, "", false, true, false,
       "Run with --on-missing=publish"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleOnPipes console(c.terminal, false, c.on_missing);
    console.Type(c.typed);
    if (c.end_input) console.EndInput();
    RecordingBrowser browser;
    FrmNotClient dialog(browser);
    ASSERT_TRUE(console.Returns([&] { console.ui().ShowNotClient(dialog); }));
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(dialog.Cancel(), c.cancel);
    EXPECT_EQ(dialog.Register(), c.registered);
    EXPECT_EQ(browser.urls, c.registered ? std::vector<std::string>{std::string(kSubscribeUrl)}
                                         : std::vector<std::string>{});
    const std::string output = console.Output();
    EXPECT_EQ(output.rfind(NotClientText(), 0), 0u) << output;
    EXPECT_TRUE(Contains(output, c.printed)) << output;
  }
}

// ---------------------------------------------------------------------------------------------
// The About window.

// True for three dot-separated numbers, as in "1.2.3".
bool IsDottedVersion(std::string_view version) {
  int numbers = 0;
  bool digits = false;
  for (const char c : version) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && digits) {
      ++numbers;
      digits = false;
    } else {
      return false;
    }
  }
  return digits && numbers == 2;
}

TEST(ConsoleAboutTest, ChoicesAndTexts) {
  struct Case {
    std::string_view name;
    bool terminal;
    std::string_view typed;
    bool end_input;
    bool loaded_after;
    bool opens_site;
  };
  const Case cases[] = {
      {"no terminal presses OK", false, "", false, false, false},
      {"Enter presses OK", true, "\n", false, false, false},
      {"web site", true, "w\n", false, true, true},
      {"end of input closes", true, "", true, false, false},
  };
  const std::string text = "== About Kestrova FrontPage Add-In ==\nFPKestrova " +
                           std::string(ProductVersion()) + "\nWeb site: http://www.kestrova.com\n";
  EXPECT_TRUE(IsDottedVersion(ProductVersion())) << ProductVersion();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleOnPipes console(c.terminal);
    console.Type(c.typed);
    if (c.end_input) console.EndInput();
    RecordingBrowser browser;
    FrmKSVAbout about(browser);
    ASSERT_TRUE(console.Returns([&] { console.ui().ShowAbout(about); }));
    EXPECT_FALSE(about.visible());
    EXPECT_EQ(about.loaded(), c.loaded_after);
    EXPECT_EQ(browser.urls, c.opens_site ? std::vector<std::string>{std::string(kServiceSiteUrl)}
                                         : std::vector<std::string>{});
    const std::string output = console.Output();
    EXPECT_EQ(output.rfind(text, 0), 0u) << output;
    EXPECT_EQ(Contains(output, "[W]eb site / [O]K (Enter: OK)? "), c.terminal) << output;
  }
}

// ---------------------------------------------------------------------------------------------
// The status window as plain lines.

// Drives a window through a publish: steps, transfer states, animation frames, counts, a failed
// and an unknown state, then hides it twice and changes it while hidden.
void RunPublishScenario(StatusWindow& status) {
  FrmMending& window = status.window();
  window.Show();
  window.SetStatusText("Checking for mending files on server.");
  for (int state = ts::kResolvingHost; state <= ts::kResponseReceived; ++state) {
    status.Report(state);
  }
  status.Report(ts::kResponseCompleted);
  status.Tick(7);
  window.SetStatusText("Checking for mending files on server.");  // the same step again
  window.SetEntryStored(1, 2);
  window.SetEntryStored(2, 2);
  window.SetStatusBarText("");
  window.SetStatusText("Mending local files.");
  window.SetPageDone(1, 2, true);
  window.SetPageDone(2, 2, false);
  status.Report(ts::kResolvingHost);
  status.Report(ts::kError);
  status.Report(13);
  window.StopAnimation();
  window.Hide();
  window.Hide();
  window.SetStatusText("Changed while hidden.");
  status.Report(ts::kConnecting);
  window.SetPageDone(2, 2, true);
}

TEST(ConsoleStatusViewTest, PlainLinesByDetail) {
  const std::string error_line =
      "  " + FrmMending::StateText(ts::kError) + "\n  Unknown state:13\n";
  std::string verbose = "Checking for mending files on server.\n";
  for (int state = ts::kResolvingHost; state <= ts::kResponseReceived; ++state) {
    verbose += "  " + FrmMending::StateText(state) + "\n";
  }
  verbose += "  " + FrmMending::StateText(ts::kResponseCompleted) + "\n";
  verbose +=
      "  Stored mending file 1 of 2.\n  Stored mending file 2 of 2.\nMending local files.\n"
      "  Page 1 of 2 mended.\n  Page 2 of 2 passed over.\n  " +
      FrmMending::StateText(ts::kResolvingHost) + "\n" + error_line;

  struct Case {
    std::string_view name;
    bool quiet;
    bool verbose;
    std::string expected;
  };
  const Case cases[] = {
      {"normal", false, false,
       "Checking for mending files on server.\nMending local files.\n" + error_line +
           "  entries 2/2, pages 2/2\n"},
      {"verbose", false, true, verbose},
      {"quiet", true, false, ""},
      {"quiet wins over verbose", true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleOnPipes console(false, false, OnMissing::kUnset, std::nullopt, c.quiet, c.verbose);
    {
      StatusWindow status(console.ui());
      RunPublishScenario(status);
    }
    EXPECT_EQ(console.Output(), c.expected);
  }
}

TEST(ConsoleStatusViewTest, CountsReachOnlyTheLivingView) {
  ConsoleOnPipes console(false, false, OnMissing::kUnset, std::nullopt, false, /*verbose=*/true);
  {
    StatusWindow status(console.ui(), /*view_now=*/false);
    status.window().Show();
    status.window().SetEntryStored(1, 1);  // no view yet: nothing printed
    EXPECT_EQ(console.Output(), "");
    status.CreateView(console.ui());
    status.window().SetEntryStored(1, 3);
    EXPECT_EQ(console.Output(), "  Stored mending file 1 of 3.\n");
    status.DropView();
    status.window().SetEntryStored(2, 3);  // the view is gone
    EXPECT_EQ(console.Output(), "");
  }
  // A second window's view receives its own window's counts.
  StatusWindow second(console.ui());
  second.window().Show();
  second.window().SetPageDone(1, 1, true);
  EXPECT_EQ(console.Output(), "  Page 1 of 1 mended.\n");
}

TEST(ConsoleStatusViewTest, AViewStartsFromTheCountsItsWindowShows) {
  ConsoleOnPipes console(false);
  StatusWindow status(console.ui(), /*view_now=*/false);
  status.window().SetEntryStored(2, 3);
  status.window().SetPageDone(1, 4, true);
  status.CreateView(console.ui());
  status.window().Show();
  status.window().Hide();
  EXPECT_EQ(console.Output(), "  entries 2/3, pages 1/4\n");
}

// ---------------------------------------------------------------------------------------------
// The status window as a live line.

// One drawing of the live line: its text, and whether the line was ended there.
struct Drawing {
  std::string text;
  bool ended = false;
};

// Splits terminal output into its drawings of the live line ("\r" text "\x1b[K") and the plain
// text written between them (collected in between).
std::vector<Drawing> LiveDrawings(std::string_view output, std::string* between = nullptr) {
  constexpr std::string_view kClear = "\x1b[K";
  std::vector<Drawing> drawings;
  std::size_t at = 0;
  while (at < output.size()) {
    const std::size_t start = output.find('\r', at);
    if (between != nullptr) between->append(output.substr(at, start - at));
    if (start == std::string_view::npos) break;
    const std::size_t clear = output.find(kClear, start);
    if (clear == std::string_view::npos) break;
    Drawing drawing;
    drawing.text = std::string(output.substr(start + 1, clear - start - 1));
    at = clear + kClear.size();
    if (at < output.size() && output[at] == '\n') {
      drawing.ended = true;
      ++at;
    }
    if (!drawing.text.empty() || drawing.ended) drawings.push_back(std::move(drawing));
  }
  return drawings;
}

TEST(ConsoleStatusViewTest, LiveLineOnATerminal) {
  ConsoleOnPipes console(false, /*output_is_terminal=*/true);  // 60 columns
  StatusWindow status(console.ui());
  FrmMending& window = status.window();

  window.Show();
  window.SetStatusText("Checking for mending files on server.");
  status.Tick(7);
  std::vector<Drawing> drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 9u);
  EXPECT_EQ(drawings[0].text, ".");
  // One drawing per frame, the character advancing with the frame index and wrapping to 0.
  std::string glyphs;
  for (std::size_t i = 1; i < drawings.size(); ++i) {
    EXPECT_EQ(drawings[i].text.substr(1), " Checking for mending files on server.");
    EXPECT_FALSE(drawings[i].ended);
    glyphs += drawings[i].text.front();
  }
  EXPECT_EQ(glyphs, ".:-=+*#.");

  window.SetEntryStored(1, 3);
  test_now += FrmMending::kAnimationInterval;
  status.Report(ts::kResolvingHost);
  test_now += FrmMending::kAnimationInterval;
  window.SetPageDone(2, 5, true);
  const std::string full = ". Checking for mending files on server. [entries 1/3, pages 2/5] - " +
                           FrmMending::StateText(ts::kResolvingHost);
  std::string between;
  drawings = LiveDrawings(console.Output(), &between);
  // The count within an interval of the last frame waits for the next drawing.
  ASSERT_EQ(drawings.size(), 2u);
  EXPECT_EQ(drawings[0].text, (". Checking for mending files on server. [entries 1/3] - " +
                               FrmMending::StateText(ts::kResolvingHost))
                                  .substr(0, 59));
  // Cut one column short of the 60 columns.
  EXPECT_EQ(drawings[1].text, full.substr(0, 59));
  EXPECT_EQ(between, "") << "no plain lines on a terminal";

  window.StopAnimation();
  window.Hide();
  window.Hide();
  drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 1u);
  EXPECT_TRUE(drawings[0].ended);
  EXPECT_EQ(drawings[0].text, full.substr(2, 59));  // kept on screen, without the character

  window.SetStatusText("Changed while hidden.");
  status.Tick(1);
  status.DropView();
  EXPECT_EQ(console.Output(), "");
}

// Thousands of counts a second redraw the line about ten times a second; a new step, a failed
// request and the final count are drawn at once, so the line ends on what happened.
TEST(ConsoleStatusViewTest, LiveLineIsRedrawnAtMostTenTimesASecond) {
  ConsoleOnPipes console(false, /*output_is_terminal=*/true);
  StatusWindow status(console.ui());
  FrmMending& window = status.window();
  window.Show();
  window.SetStatusText("Mending local files.");
  (void)console.Output();
  // 3,000 pages in 1.5 s of the test's time.
  for (std::size_t page = 1; page < 3000; ++page) {
    window.SetPageDone(page, 3000, true);
    test_now += std::chrono::microseconds(500);
  }
  std::vector<Drawing> drawings = LiveDrawings(console.Output());
  EXPECT_GE(drawings.size(), 14u);
  EXPECT_LE(drawings.size(), 16u);
  window.SetPageDone(3000, 3000, true);
  drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 1u);
  EXPECT_EQ(drawings[0].text, ". Mending local files. [pages 3000/3000]");

  status.Report(ts::kError);
  window.SetStatusText("Done.");
  drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 2u);
  EXPECT_EQ(drawings[0].text,
            (". Mending local files. [pages 3000/3000] - " + FrmMending::StateText(ts::kError))
                .substr(0, 59));
  EXPECT_EQ(drawings[1].text.substr(0, 8), ". Done. ");
}

TEST(ConsoleStatusViewTest, VerboseLinesGoAboveTheLiveLine) {
  ConsoleOnPipes console(false, /*output_is_terminal=*/true, OnMissing::kUnset, std::nullopt, false,
                         /*verbose=*/true);
  StatusWindow status(console.ui());
  status.window().Show();
  status.window().SetStatusText("Mending local files.");
  (void)console.Output();
  status.Report(ts::kConnecting);
  const std::string output = console.Output();
  const std::string sentence = FrmMending::StateText(ts::kConnecting);
  // The live line is cleared, the sentence printed as a line, the live line drawn again below.
  EXPECT_EQ(output,
            "\r\x1b[K  " + sentence + "\n\r. Mending local files. - " + sentence + "\x1b[K");
}

TEST(ConsoleStatusViewTest, MessageBoxTakesTheLiveLineOff) {
  ConsoleOnPipes console(false, /*output_is_terminal=*/true);
  StatusWindow status(console.ui());
  status.window().Show();
  status.window().SetStatusText("Checking for mending files on server.");
  (void)console.Output();
  console.ui().MsgBox("Server not responding", MsgBoxButtons::kOkOnly, MsgBoxIcon::kCritical,
                      "Error");
  EXPECT_EQ(console.Output(), "\r\x1b[K== Error ==\nServer not responding\n");
  status.Tick(1);
  EXPECT_EQ(console.Output(), "\r: Checking for mending files on server.\x1b[K");
  // Hiding keeps the redrawn line on screen, without the animation character.
  status.window().Hide();
  EXPECT_EQ(console.Output(), "\rChecking for mending files on server.\x1b[K\n");
}

// ---------------------------------------------------------------------------------------------
// A real pseudo-terminal: detection, the width it reports, typed answers and Ctrl+D.

class ConsoleOnPty {
 public:
  explicit ConsoleOnPty(int columns, OnMissing on_missing = OnMissing::kUnset)
      : pty_(MakePty(columns)) {
    ConsoleOptions options;
    options.on_missing = on_missing;
    options.input_fd = pty_.slave.get();
    options.output_fd = pty_.slave.get();
    ui_ = std::make_unique<ConsoleUserInterface>(std::move(options));
  }

  ConsoleUserInterface& ui() { return *ui_; }
  int master() const { return pty_.master.get(); }
  void Type(std::string_view text) { WriteText(pty_.master.get(), text); }
  void TypeEndOfInput() { Type(EndOfInputKey(pty_.slave.get())); }
  // What was printed since the last call; some output must be due.
  std::string Output() { return ReadAvailable(pty_.master.get(), kFirstOutputMs, kQuietMs); }
  bool Returns(const std::function<void()>& call) {
    return FinishesInTime(call, [this] { TypeEndOfInput(); });
  }

 private:
  Pty pty_;
  std::unique_ptr<ConsoleUserInterface> ui_;
};

TEST(ConsolePtyTest, DetectsTheTerminalAndFollowsItsWidth) {
  ConsoleOnPty console(30);
  EXPECT_TRUE(console.ui().input_is_terminal());
  EXPECT_TRUE(console.ui().output_is_terminal());
  Pipe input = MakePipe();
  Pipe output = MakePipe();
  ConsoleOptions options;
  options.input_fd = input.read.get();
  options.output_fd = output.write.get();
  const ConsoleUserInterface on_pipes(std::move(options));
  EXPECT_FALSE(on_pipes.input_is_terminal());
  EXPECT_FALSE(on_pipes.output_is_terminal());

  StatusWindow status(console.ui());
  status.window().Show();
  status.window().SetStatusText("Checking for mending files on server.");
  std::vector<Drawing> drawings = LiveDrawings(console.Output());
  ASSERT_FALSE(drawings.empty());
  const std::string line = ". Checking for mending files on server.";
  EXPECT_EQ(drawings.back().text, line.substr(0, 29));

  SetColumns(console.master(), 45);
  status.Tick(1);
  drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 1u);
  EXPECT_EQ(drawings[0].text, ": Checking for mending files on server.");
  status.Report(ts::kConnecting);
  drawings = LiveDrawings(console.Output());
  ASSERT_EQ(drawings.size(), 1u);
  EXPECT_EQ(drawings[0].text,
            (": Checking for mending files on server. - " + FrmMending::StateText(ts::kConnecting))
                .substr(0, 44));
}

// ---------------------------------------------------------------------------------------------
// Ctrl+C while a question waits: the signal interrupts the read.

extern "C" void IgnoreSignal(int) {}

// Installs a handler for SIGUSR1 that interrupts system calls, for the life of the object.
class InterruptingSignal {
 public:
  InterruptingSignal() {
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read in progress fails with EINTR
    ::sigaction(SIGUSR1, &action, &previous_);
  }
  ~InterruptingSignal() { ::sigaction(SIGUSR1, &previous_, nullptr); }
  InterruptingSignal(const InterruptingSignal&) = delete;
  InterruptingSignal& operator=(const InterruptingSignal&) = delete;

 private:
  struct sigaction previous_ {};
};

// Runs call on a thread and signals it until it returns; false when it still had not returned
// after kCallLimit (it is then given the end of the input).
bool ReturnsWhenInterrupted(ConsoleOnPty& console, const std::function<void()>& call) {
  InterruptingSignal signal;
  std::atomic<bool> done{false};
  std::atomic<bool> started{false};
  pthread_t thread_id{};
  std::thread runner([&] {
    thread_id = ::pthread_self();
    started = true;
    call();
    done = true;
  });
  while (!started) std::this_thread::sleep_for(1ms);
  const auto deadline = Clock::now() + kCallLimit;
  while (!done && Clock::now() < deadline) {
    ::pthread_kill(thread_id, SIGUSR1);
    std::this_thread::sleep_for(20ms);
  }
  const bool in_time = done;
  if (!in_time) console.TypeEndOfInput();
  runner.join();
  return in_time;
}

// Each question asked on the terminal, its answer as a text: the button, the typed text, or what
// the not-a-client dialog was left with.
enum class Question { kMsgBox, kInputBox, kNotClient };

std::string Ask(ConsoleUserInterface& ui, Question question) {
  switch (question) {
    case Question::kMsgBox:
      return ui.MsgBox("Go on?", MsgBoxButtons::kOkCancel, MsgBoxIcon::kExclamation, "Error") ==
                     MsgBoxResult::kOk
                 ? "OK"
                 : "Cancel";
    case Question::kInputBox:
      return "typed " + ui.InputBox(kUrlPrompt, kUrlTitle, kPreset);
    case Question::kNotClient: {
      RecordingBrowser browser;
      FrmNotClient dialog(browser);
      ui.ShowNotClient(dialog);
      return std::string(dialog.visible() ? "visible " : "") +
             (dialog.Cancel() ? "cancelled" : "closed") +
             (dialog.Register() || !browser.urls.empty() ? " registered" : "");
    }
  }
  return "";
}

// Enter, Ctrl+D, and Ctrl+C (a signal that interrupts the read) on a real terminal.
TEST(ConsolePtyTest, EnterEndOfInputAndInterruption) {
  enum class Key { kEnter, kEndOfInput, kInterrupt };
  struct Case {
    Question question;
    Key key;
    std::string_view answer;
    std::string_view printed;  // checked when not empty
  };
  const Case cases[] = {
      {Question::kMsgBox, Key::kEnter, "OK", "== Error ==\nGo on?\n[O]K / [C]ancel (Enter: OK)? "},
      {Question::kMsgBox, Key::kEndOfInput, "Cancel", ""},
      {Question::kMsgBox, Key::kInterrupt, "Cancel", ""},
      {Question::kInputBox, Key::kEnter, "typed http://", ""},
      {Question::kInputBox, Key::kInterrupt, "typed ", ""},
      // Closing the dialog sets no flag; Ctrl+C in it stops publishing.
      {Question::kNotClient, Key::kEndOfInput, "closed", ""},
      {Question::kNotClient, Key::kInterrupt, "cancelled", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.question)) + " " +
                 std::to_string(static_cast<int>(c.key)));
    ConsoleOnPty console(80);
    std::string answer = "unset";
    const auto ask = [&] { answer = Ask(console.ui(), c.question); };
    if (c.key == Key::kInterrupt) {
      ASSERT_TRUE(ReturnsWhenInterrupted(console, ask));
    } else {
      if (c.key == Key::kEnter) console.Type("\n");
      if (c.key == Key::kEndOfInput) console.TypeEndOfInput();
      ASSERT_TRUE(console.Returns(ask));
    }
    EXPECT_EQ(answer, c.answer);
    if (!c.printed.empty()) {
      EXPECT_EQ(console.Output(), c.printed);
    }
  }
}

}  // namespace
}  // namespace kestrova

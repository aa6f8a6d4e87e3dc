// FPKestrova.dll handling FrontPage's OnBeforeWebPublish for a web of real files in a temporary
// folder, against web servers on 127.0.0.1 inside the test program: the mended pages and the
// publish going on, the not-a-client dialog for a site without the mend folder, and the error box
// that cancels the publish when the server refuses the connection; each with the cancel flag, the
// destination and the status window's texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "mending/head_locator.h"
#include "mending/head_rewrite.h"
#include "platform/files/temporary_folder.h"
#include "platform/win32/com/dispatch_call.h"
#include "platform/win32/wide_text.h"
#include "tests/addin/frontpage/add_in_windows.h"
#include "tests/addin/frontpage/addin_fixture.h"
#include "tests/addin/frontpage/disk_pages.h"
#include "tests/platform/win32/loopback_http_server.h"

namespace kestrova::testing {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kChecking[] = L"Checking for mending files on server.";
constexpr wchar_t kDownloadNotNeeded[] = L"Download not needed.";
constexpr wchar_t kMending[] = L"Mending local files.";
constexpr wchar_t kTransferError[] =
    L"An error has occurred while communicating with the remote server.";
constexpr wchar_t kSubscribeUrl[] = L"https://www.kestrova.com/subscribe.html";
constexpr std::chrono::milliseconds kPaintPause{400};

// The sentences the status bar shows for the transfer states 0 to 12.
const std::vector<std::wstring> kStateSentences = {
    L"No state information is available",
    L"Looking up the IP address for the remote server",
    L"Found the IP address for the remote server",
    L"Connecting to the remote server",
    L"Connected to the remote server",
    L"Requesting information from the remote server",
    L"The request was sent successfully to the remote server",
    L"Receiving a response from the remote server.",
    L"The response was received successfully from the remote server",
    L"Disconnecting from the remote server",
    L"Disconnected from the remote server",
    kTransferError,
    L"The request was completed, all data has been received.",
};

// The web's pages: path relative to the web's root, and content.
const std::map<std::string, std::string> kPages = {
    {"index.htm",
     "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Harbour Widgets</title>\r\n"
     "<meta name=\"keywords\" content=\"old, words\">\r\n"
     "<meta name=\"author\" content=\"Harbour Widgets\">\r\n</head>\r\n<body>\r\n"
     "<p>Caf\xC3\xA9 &amp; widgets since 1987.</p>\r\n</body>\r\n</html>\r\n"},
    {"products\\widgets.htm",
     "<html><head>\n  <TITLE>Widgets</TITLE>\n  <meta name=\"description\" content=\"All of them\">"
     "\n</head>\n<body><h1>Widgets</h1>\n<p>Brass, oak.</p></body></html>\n"},
    {"about.htm",
     "<html><head><title>About us</title></head><body><p>Not listed.</p></body></html>"},
};

// The service's mending files, by entry.
const std::map<std::string, std::string> kMendingFiles = {
    {"index.htm",
     "<html>\r\n<head>\r\n<title>Harbour Widgets - hand-made brass and oak widgets</title>\r\n"
     "<meta name=\"keywords\" content=\"widgets, brass widgets, caf\xC3\xA9, harbour\">\r\n"
     "<meta name=\"description\" content=\"Hand-made widgets from the harbour town.\">\r\n"
     "</head>\r\n<body><p>Mending file.</p></body>\r\n</html>\r\n"},
    {"products--widgets.htm",
     "<html><head><meta name=\"keywords\" content=\"brass widgets, oak widgets\">"
     "<meta name=\"description\" content=\"Every widget we make.\">"
     "<meta name=\"robots\" content=\"index, follow\"></head><body></body></html>"},
    {"missing.htm",
     "<html><head><title>Gone</title><meta name=\"keywords\" content=\"nothing\">"
     "<meta name=\"robots\" content=\"noindex\"></head><body></body></html>"},
};

// The inventory: its date, the site's address, then the entries (with an empty line, skipped,
// and an entry whose page the web does not have).
std::string Inventory(const std::string& site) {
  return "3/1/2024 10:00:00 AM\r\n" + site +
         "\r\nindex.htm\r\nproducts--widgets.htm\r\nmissing.htm\r\n\r\ninventory.txt\r\n";
}

std::string HeadOf(const std::string& page) {
  return std::string(HeadInnerHtml(page, LocateHead(page)));
}

// The page after its head was rewritten against the mending file's head.
std::string Mended(const std::string& page, const std::string& mending_file) {
  const std::string head = RewritePageHead(HeadOf(page), ReadMendingHead(HeadOf(mending_file)));
  return ReplaceHeadInnerHtml(page, LocateHead(page), head);
}

class AddinPublishTest : public AddinFixture {
 protected:
  void SetUp() override {
    AddinFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const auto& [path, content] : kPages) {
      ASSERT_TRUE(WriteFileBytes(web_root() / path, content));
    }
    host_.ServePagesFrom(&pages_);
    web_ = host_.AddWeb(web_root().wstring());
    ASSERT_EQ(host_.FireWebOpen(web_).result, S_OK);
  }

  void TearDown() override {
    EXPECT_EQ(*closed_, std::vector<std::wstring>{}) << "windows the watchdog had to close";
    AddinFixture::TearDown();
  }

  // Serves the mend folder, the inventory and every mending file; the last one's answer held back
  // when late.
  static void ServeMendingSite(LoopbackHttpServer& site, bool late = false) {
    site.Serve("/kestrova", "");
    site.Serve("/kestrova/inventory.txt", Inventory(site.Url("")));
    for (const auto& [entry, content] : kMendingFiles) {
      if (late && entry == "missing.htm") {
        site.ServeLate("/kestrova/" + entry, content);
      } else {
        site.Serve("/kestrova/" + entry, content);
      }
    }
  }

  fs::path web_root() const { return folder_.path() / "web"; }
  fs::path mend_folder() const { return web_root() / "kestrova"; }

  // Raises OnBeforeWebPublish with destination and Cancel False while the status window's texts
  // are recorded and a watchdog keeps stray windows from hanging the case.
  StandInHost::PublishOutcome Publish(const std::string& destination) {
    recorder_ = std::make_unique<StatusWindowRecorder>();
    ScheduleWatchdog(closed_);
    return host_.FireBeforeWebPublish(web_, win32::WideFromUtf8(destination), false);
  }

  // Every page of the web is as it was written.
  void ExpectPagesUnchanged() {
    for (const auto& [path, content] : kPages) {
      EXPECT_EQ(ReadFileBytes(web_root() / path), content) << path;
    }
  }

  TemporaryFolder folder_{"kestrova-addin"};
  DiskPages pages_{[this](const std::wstring& path) { OnPageOpened(path); }};
  IDispatch* web_ = nullptr;
  std::unique_ptr<StatusWindowRecorder> recorder_;
  std::shared_ptr<std::vector<std::wstring>> closed_ =
      std::make_shared<std::vector<std::wstring>>();
  // Told of every page opened too, when a case sets it.
  std::function<void(const std::wstring& path)> also_on_open_;
  // The status window's texts whenever the add-in opened a page; its screenshot.
  std::vector<StatusTexts> texts_at_open_;
  std::wstring status_screenshot_;

 private:
  void OnPageOpened(const std::wstring& path) {
    if (recorder_) recorder_->Sample();
    texts_at_open_.push_back(ReadStatusWindow());
    if (also_on_open_) also_on_open_(path);
  }
};

TEST_F(AddinPublishTest, MendsTheListedPagesAndPublishingGoesOn) {
  LoopbackHttpServer site;
  ServeMendingSite(site);
  const std::wstring index_path = (web_root() / "index.htm").wstring();
  const std::wstring widgets_path = (web_root() / "products\\widgets.htm").wstring();
  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
  EXPECT_FALSE(outcome.cancel);
  EXPECT_EQ(outcome.destination, win32::WideFromUtf8(site.Url("")));

  // The mending files go over several connections at once, in whatever order they are answered.
  std::vector<std::string> first_requests = site.Requests();
  if (first_requests.size() > 2) std::sort(first_requests.begin() + 2, first_requests.end());
  EXPECT_EQ(first_requests,
            (std::vector<std::string>{"HEAD /kestrova", "GET /kestrova/inventory.txt",
                                      "GET /kestrova/index.htm", "GET /kestrova/missing.htm",
                                      "GET /kestrova/products--widgets.htm"}));
  // The mend folder holds what the server sent, byte for byte.
  for (const auto& [entry, content] : kMendingFiles) {
    EXPECT_EQ(ReadFileBytes(mend_folder() / entry), content) << entry;
  }
  EXPECT_EQ(ReadFileBytes(mend_folder() / "inventory.txt"), Inventory(site.Url("")));
  // The listed pages have their mended heads and every other byte as before; the rest is as it
  // was.
  const std::string index = Mended(kPages.at("index.htm"), kMendingFiles.at("index.htm"));
  const std::string widgets =
      Mended(kPages.at("products\\widgets.htm"), kMendingFiles.at("products--widgets.htm"));
  ASSERT_NE(index, kPages.at("index.htm"));
  EXPECT_EQ(ReadFileBytes(web_root() / "index.htm"), index);
  EXPECT_EQ(ReadFileBytes(web_root() / "products" / "widgets.htm"), widgets);
  EXPECT_EQ(ReadFileBytes(web_root() / "about.htm"), kPages.at("about.htm"));
  EXPECT_FALSE(fs::exists(web_root() / "missing.htm"));
  EXPECT_EQ(pages_.saved(), (std::vector<std::wstring>{index_path, widgets_path}));
  // Each mending file was opened and closed without saving.
  const StandInHost::Page* mending_window = host_.PageAt((mend_folder() / "index.htm").wstring());
  ASSERT_NE(mending_window, nullptr);
  EXPECT_EQ(mending_window->saved_on_close, std::optional<bool>(false));

  // The status window: checking while the requests ran, mending while pages were opened, gone
  // at the end.
  const std::vector<std::wstring> labels = recorder_->labels();
  ASSERT_GE(labels.size(), 2u);
  EXPECT_EQ(labels.front(), kChecking);
  EXPECT_EQ(labels.back(), kMending);
  ASSERT_FALSE(texts_at_open_.empty());
  for (const StatusTexts& texts : texts_at_open_) {
    EXPECT_EQ(texts.label, kMending);
    EXPECT_EQ(texts.status_bar, L"");
  }
  ASSERT_FALSE(recorder_->status_bar_texts().empty());
  for (const std::wstring& text : recorder_->status_bar_texts()) {
    EXPECT_NE(std::find(kStateSentences.begin(), kStateSentences.end(), text),
              kStateSentences.end())
        << win32::Utf8FromWide(text);
    EXPECT_NE(text, kTransferError);
  }
  EXPECT_EQ(win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption), nullptr);

  // Published again with the same inventory: the destination comes from the local inventory,
  // nothing is downloaded, and no page is saved for FrontPage to publish again: index.htm and its
  // mending file are as the first publish left them and are not even opened; only the page that
  // the user left open with unsaved edits is mended again and saved, as it was before.
  host_.OpenWithUnsavedEdits(widgets_path);
  ASSERT_EQ(Mended(index, kMendingFiles.at("index.htm")), index);
  std::vector<std::string> requests = site.Requests();
  const StandInHost::PublishOutcome again = Publish("ftp://elsewhere.example/");
  EXPECT_EQ(again.result, S_OK) << win32::Utf8FromWide(again.description);
  EXPECT_FALSE(again.cancel);
  EXPECT_EQ(again.destination, win32::WideFromUtf8(site.Url("")));
  requests.insert(requests.end(), {"HEAD /kestrova", "GET /kestrova/inventory.txt"});
  EXPECT_EQ(site.Requests(), requests);
  const std::vector<std::wstring> labels_again = recorder_->labels();
  EXPECT_NE(std::find(labels_again.begin(), labels_again.end(), kDownloadNotNeeded),
            labels_again.end());
  EXPECT_EQ(ReadFileBytes(index_path), index);
  EXPECT_EQ(pages_.saved(), (std::vector<std::wstring>{index_path, widgets_path, widgets_path}));
  EXPECT_EQ(std::count(pages_.opened().begin(), pages_.opened().end(), index_path), 1);
}

TEST_F(AddinPublishTest, TheStatusWindowStaysAboveFrontPageAndHearsEscThroughTheMendPhase) {
  LoopbackHttpServer site;
  ServeMendingSite(site);
  // Each page's Activate brings FrontPage's main window to the front.
  const HostMainWindow main_window;
  host_.RaiseOnActivate(main_window.hwnd());
  int opened = 0;
  HWND owner = nullptr;
  bool active = false;
  bool cancel_clickable = false;
  also_on_open_ = [&](const std::wstring&) {
    // The third page opened (the second mending file) comes after the first page is done.
    if (++opened != 3) return;
    HWND status = win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption);
    if (status == nullptr) return;
    owner = GetWindow(status, GW_OWNER);
    active = GetActiveWindow() == status;
    RECT box{};
    HWND cancel = win32::FindChild(status, L"Button", L"Cancel");
    GetWindowRect(cancel, &box);
    cancel_clickable =
        WindowFromPoint(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2}) == cancel;
    // The user presses Esc: the key goes to the window that has the focus.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  host_.RaiseOnActivate(nullptr);
  EXPECT_GE(opened, 3);
  EXPECT_EQ(owner, main_window.hwnd());
  EXPECT_TRUE(active);
  EXPECT_TRUE(cancel_clickable);
  EXPECT_TRUE(outcome.cancel) << "Esc reached the publish";
}

// A window of ours that waits while FrontPage tears itself down: how it is found, what brings it
// up (a menu command, or a publish to destination: a path on the server, or an address as it is),
// how a user answers it if it is still up.
struct Waiting {
  const wchar_t* window_class;
  const wchar_t* caption;
  const wchar_t* command;
  const char* destination;
  const wchar_t* answer;
};
const Waiting kWaiting[] = {
    {kAddinWindowClass, kAboutCaption, L"About", nullptr, L"OK"},
    {kMessageBoxClass, kAddinTitle, L"Demo mend", nullptr, L"OK"},
    {kAddinWindowClass, kErrorCaption, nullptr, "/elsewhere/", L"OK"},   // not a client
    {kAddinWindowClass, L"Web URL needed", nullptr, "ftp://x/", L"OK"},  // address prompt
    {kAddinWindowClass, kStatusCaption, nullptr, "", nullptr},           // download phase
    {nullptr, nullptr, nullptr, "", nullptr},                            // mend phase
};

// The steps of FrontPage closing that a case runs: the first 1 to 6 of TearDownHost's, in order,
// or FrontPage's main window closing alone, or WM_QUIT alone.
constexpr int kMainWindowAlone = 7;
constexpr int kQuitAlone = 8;

class TeardownTest : public AddinPublishTest,
                     public ::testing::WithParamInterface<std::tuple<int, int>> {
 protected:
  // FrontPage closing, up to `steps` of, in order: OnBeginShutdown, OnDisconnection, deleting the
  // menu whose button's Click may be on the stack (its controls are freed: every later call on
  // them counts), releasing its objects (the add-in among them; every later call on them
  // counts), destroying its main window, posting WM_QUIT. kMainWindowAlone and kQuitAlone run
  // the last two alone, without a word to the add-in before. With its main window gone FrontPage
  // has ended from outside, its objects freed with it. A WM_QUIT alone frees nothing yet:
  // FrontPage's own loop, below the add-in's handler, has to take it first (see the case).
  void TearDownHost(int steps) {
    const std::function<void()> step[] = {
        [&] { EXPECT_EQ(BeginShutdown(), S_OK); },
        [&] { EXPECT_EQ(Disconnect(), S_OK); },
        [&] {
          const auto& bar = host_.menu_bar_controls().items;
          const auto popup = std::find_if(bar.begin(), bar.end(), [](auto* control) {
            return control->caption == L"Kestrova";
          });
          ASSERT_NE(popup, bar.end());
          StandInHost::Control* menu = *popup;
          win32::CallMethod(menu->object, L"Delete");
          host_.MarkControlDead(*menu);
        },
        [&] {
          addin_.Reset();
          host_.MarkObjectsDead();
          // Released from inside its own handler, the add-in lives on until that has returned.
          EXPECT_EQ(AddinCanUnloadNow(), std::optional<HRESULT>(S_FALSE));
        },
        [&] { main_window_.reset(); },
        [] { PostQuitMessage(0); },
    };
    if (steps == kMainWindowAlone || steps == kQuitAlone) {
      if (steps == kMainWindowAlone) host_.MarkObjectsDead();
      step[steps - 3]();
      return;
    }
    for (int i = 0; i < steps; ++i) step[i]();
  }
  std::optional<HostMainWindow> main_window_{std::in_place};
};

TEST_P(TeardownTest, NothingOfOursCallsTheGoneHostAndAPublishEndsCancelledWhole) {
  const auto [which, steps] = GetParam();
  const Waiting& waiting = kWaiting[which];
  LoopbackHttpServer site;
  // In the download phase the last mending file is on its way while FrontPage closes.
  ServeMendingSite(site, waiting.caption == kStatusCaption);
  auto reached = std::make_shared<bool>(false);
  if (waiting.caption == nullptr) {
    // Inside the host's call that opens the first page, as FrontPage's editor may pump.
    also_on_open_ = [&](const std::wstring&) {
      if (!std::exchange(*reached, true)) TearDownHost(steps);
    };
  } else {
    reached = WhenVisible(waiting.window_class, waiting.caption, [&](HWND window) {
      TearDownHost(steps);
      if (IsWindowVisible(window) == FALSE || waiting.answer == nullptr) return;
      if (HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr)) {
        SetWindowTextW(edit, win32::WideFromUtf8(site.Url("")).c_str());
      }
      ClickButton(window, waiting.answer);
    });
  }
  std::optional<StandInHost::PublishOutcome> outcome;
  if (waiting.command != nullptr) {
    ScheduleWatchdog(closed_);
    EXPECT_EQ(host_.Click(*host_.MenuItem(L"Kestrova", waiting.command)).result, S_OK);
  } else {
    const std::string destination = waiting.destination;
    outcome =
        Publish(destination.find(':') != std::string::npos ? destination : site.Url(destination));
  }
  MSG quit;  // the quit is for FrontPage's own loop, which this case stands in for
  if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE && steps == kQuitAlone) {
    host_.MarkObjectsDead();  // the loop ends, and FrontPage with it
  }
  EXPECT_TRUE(*reached);
  EXPECT_EQ(host_.CallsOnDeadObjects(), std::vector<std::wstring>{});
  if (outcome) {
    EXPECT_TRUE(outcome->cancel) << win32::Utf8FromWide(outcome->description);
  }
  // Nothing half-written: every page as it was, the mend folder with all the files or none.
  ExpectPagesUnchanged();
  const auto files =
      fs::exists(mend_folder())
          ? std::distance(fs::directory_iterator(mend_folder()), fs::directory_iterator())
          : 0;
  EXPECT_TRUE(files == 0 || files == std::ssize(kMendingFiles) + 1) << files << " files";
}

INSTANTIATE_TEST_SUITE_P(EveryWaitingWindowAndStep, TeardownTest,
                         ::testing::Combine(::testing::Range(0, 6), ::testing::Range(1, 9)));

// An editor that hands heads back re-serialised: once mended, a page is left alone by the next
// publish (neither written nor saved). An editor that refuses a head's write: the publish stops
// with a message naming the page, the page before stays mended, the refused one as it was.
TEST_F(AddinPublishTest, AReserialisedHeadIsMendedOnceAndARefusedOneStopsThePublish) {
  LoopbackHttpServer site;
  ServeMendingSite(site);
  const std::wstring index = (web_root() / "index.htm").wstring();
  const std::wstring widgets = (web_root() / "products\\widgets.htm").wstring();
  host_.set_reserialise_heads(true);
  for (int round = 0; round < 2; ++round) {
    const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
    EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
    EXPECT_FALSE(outcome.cancel);
  }
  EXPECT_EQ(pages_.saved(), (std::vector<std::wstring>{index, widgets}));
  const auto accesses = host_.log().Of(L"innerHTML");
  EXPECT_EQ(std::count_if(accesses.begin(), accesses.end(),
                          [](const auto& call) { return call.flags == DISPATCH_PROPERTYPUT; }),
            2);

  host_.set_reserialise_heads(false);
  ASSERT_TRUE(WriteFileBytes(web_root() / "index.htm", kPages.at("index.htm")));
  ASSERT_TRUE(WriteFileBytes(web_root() / "products\\widgets.htm", "<html><head></head></html>"));
  host_.RefuseHeadWrites(widgets);
  std::vector<std::wstring> texts;
  const auto answered = WhenVisible(kMessageBoxClass, kErrorCaption, [&](HWND box) {
    texts = StaticTexts(box);
    ClickButton(box, IDOK);
  });
  const StandInHost::PublishOutcome refused = Publish(site.Url(""));
  EXPECT_TRUE(*answered);
  EXPECT_TRUE(refused.cancel);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(widgets + L"\r\nInvalid target element"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(web_root() / "index.htm"),
            Mended(kPages.at("index.htm"), kMendingFiles.at("index.htm")));
  EXPECT_EQ(ReadFileBytes(web_root() / "products\\widgets.htm"), "<html><head></head></html>");
  EXPECT_EQ(host_.PageAt(widgets)->saved_on_close, std::optional<bool>(false));
}

// An editor that stamps each page it saves: the page is marked as saved, so the next publish of
// the unchanged web opens no file at all. A page open in a window, and a mending file that
// changed, are opened again; nothing else is.
TEST_F(AddinPublishTest, AnUnchangedPageIsPassedOverUnopenedEvenWhenTheEditorStampsItsSaves) {
  LoopbackHttpServer site;
  ServeMendingSite(site);
  const std::wstring index = (web_root() / "index.htm").wstring();
  const std::wstring widgets = (web_root() / "products\\widgets.htm").wstring();
  host_.set_stamp_on_save(L"<meta name=\"generator\" content=\"Stand-in FrontPage\">");
  const auto located = [&] {
    std::vector<std::wstring> paths;
    for (const RecordedCall& call : host_.log().Of(L"LocatePage")) {
      paths.push_back(call.arguments.at(0).value);
    }
    host_.log().Clear();
    return paths;
  };
  for (int round = 0; round < 2; ++round) {
    const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
    EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
    EXPECT_FALSE(outcome.cancel);
    EXPECT_EQ(located().size(), round == 0 ? 4u : 0u) << "round " << round;
  }
  EXPECT_EQ(pages_.saved(), (std::vector<std::wstring>{index, widgets}));
  EXPECT_NE(ReadFileBytes(index)->find("Stand-in FrontPage"), std::string::npos);

  // A window the user left open on index.htm, and a new mending file for widgets.htm.
  host_.OpenWithUnsavedEdits(index);
  const std::string mending = kMendingFiles.at("products--widgets.htm");
  ASSERT_TRUE(WriteFileBytes(mend_folder() / "products--widgets.htm",
                             mending.substr(0, mending.find("Every")) + "Each widget" +
                                 mending.substr(mending.find(" we make"))));
  host_.log().Clear();
  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
  EXPECT_EQ(located(), (std::vector<std::wstring>{
                           (mend_folder() / "index.htm").wstring(), index,
                           (mend_folder() / "products--widgets.htm").wstring(), widgets}));
  EXPECT_EQ(pages_.saved(), (std::vector<std::wstring>{index, widgets, index, widgets}));
  EXPECT_NE(ReadFileBytes(widgets)->find("Each widget"), std::string::npos);
}

// The host leaves another page's window active after Activate of a listed page: the publish
// stops with a message naming the page, and neither window is written into.
TEST_F(AddinPublishTest, AnotherPageLeftActiveStopsThePublishNamingThePage) {
  LoopbackHttpServer site;
  ServeMendingSite(site);
  const std::wstring index = (web_root() / "index.htm").wstring();
  const std::wstring about = (web_root() / "about.htm").wstring();
  host_.OpenWithUnsavedEdits(about);
  const std::wstring about_head = host_.PageAt(about)->head_html;
  host_.ActivateLeavesActive(index, about);
  std::vector<std::wstring> texts;
  const auto answered = WhenVisible(kMessageBoxClass, kErrorCaption, [&](HWND box) {
    texts = StaticTexts(box);
    ClickButton(box, IDOK);
  });
  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  EXPECT_TRUE(*answered);
  EXPECT_TRUE(outcome.cancel);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(index + L"\r\nAnother page window became active"), std::wstring::npos)
      << win32::Utf8FromWide(texts[0]);
  const auto accesses = host_.log().Of(L"innerHTML");
  EXPECT_EQ(std::count_if(accesses.begin(), accesses.end(),
                          [](const auto& call) { return call.flags == DISPATCH_PROPERTYPUT; }),
            0);
  EXPECT_EQ(host_.PageAt(about)->head_html, about_head);
  EXPECT_FALSE(host_.PageAt(about)->closed);
  EXPECT_TRUE(pages_.saved().empty());
  ExpectPagesUnchanged();
}

// One way of answering the not-a-client dialog and what the publish does after it.
struct NotClientAnswer {
  const char* name;
  const wchar_t* button;
  bool cancel;
  bool opens_browser;
};

TEST_F(AddinPublishTest, ASiteWithoutTheMendFolderGetsTheNotAClientDialog) {
  const NotClientAnswer answers[] = {
      {"OK", L"OK", false, false},
      {"Cancel", L"Cancel", true, false},
      {"Register", L"Register", true, true},
  };
  LoopbackHttpServer site;  // answers 404 for /kestrova
  for (const NotClientAnswer& answer : answers) {
    SCOPED_TRACE(answer.name);
    browser_log_.Clear();
    std::vector<std::wstring> texts;
    StatusTexts status;
    const auto answered = WhenVisible(kAddinWindowClass, kErrorCaption, [&](HWND dialog) {
      texts = StaticTexts(dialog);
      status = ReadStatusWindow();
      if (answer.cancel && !answer.opens_browser) {
        // Wine shows what a window painted a moment later: the picture is taken after a pause.
        win32::RunLater(kPaintPause, [dialog, button = answer.button] {
          EXPECT_FALSE(SaveAddinScreenshot(dialog, L"addin_not_client_dialog.bmp").empty());
          ClickButton(dialog, button);
        });
        return;
      }
      ClickButton(dialog, answer.button);
    });
    const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
    EXPECT_TRUE(*answered);
    EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
    EXPECT_EQ(outcome.cancel, answer.cancel);
    EXPECT_EQ(outcome.destination, win32::WideFromUtf8(site.Url("")));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), L"Directory \"kestrova\" not found on server.");
    EXPECT_EQ(status.label, kChecking);
    if (answer.opens_browser) {
      ASSERT_EQ(browser_log_.Of(L"Navigate").size(), 1u);
      EXPECT_EQ(browser_log_.Of(L"Navigate")[0].arguments,
                (std::vector<RecordedArgument>{{VT_BSTR, kSubscribeUrl}}));
    } else {
      EXPECT_TRUE(browser_log_.calls().empty());
    }
    EXPECT_EQ(win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption), nullptr);
  }
  EXPECT_GE(site.RequestCount(), 3u);
  // Without the mend folder nothing is fetched and no page is touched.
  EXPECT_FALSE(fs::exists(mend_folder()));
  EXPECT_TRUE(pages_.opened().empty());
  ExpectPagesUnchanged();
}

TEST_F(AddinPublishTest, WhileTheNotAClientDialogWaitsTheHostStaysUsable) {
  LoopbackHttpServer site;  // answers 404 for /kestrova
  const HostMainWindow main_window;
  HWND owner = nullptr;
  bool main_window_enabled = false;
  std::optional<StandInHost::PublishOutcome> second;
  std::vector<std::wstring> refusal;
  std::optional<HRESULT> about;
  const auto answered = WhenVisible(kAddinWindowClass, kErrorCaption, [&](HWND dialog) {
    owner = GetWindow(dialog, GW_OWNER);
    main_window_enabled = IsWindowEnabled(main_window.hwnd()) != FALSE;
    // FrontPage is told to publish again, and About is chosen, while the dialog waits.
    WhenVisible(kMessageBoxClass, kErrorCaption, [&](HWND box) {
      refusal = StaticTexts(box);
      ClickButton(box, IDOK);
    });
    second = host_.FireBeforeWebPublish(web_, win32::WideFromUtf8(site.Url("")), false);
    WhenVisible(kAddinWindowClass, kAboutCaption, [](HWND box) { ClickButton(box, L"OK"); });
    about = host_.Click(*host_.MenuItem(L"Kestrova", L"About"), false).result;
    ClickButton(dialog, L"OK");
  });
  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  EXPECT_TRUE(*answered);
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_FALSE(outcome.cancel) << "OK publishes without mends";
  EXPECT_EQ(owner, main_window.hwnd()) << "the dialog stays above FrontPage's main window";
  EXPECT_TRUE(main_window_enabled);
  // The second publish is refused and stopped; the first goes on.
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->result, S_OK);
  EXPECT_TRUE(second->cancel);
  ASSERT_FALSE(refusal.empty());
  EXPECT_NE(refusal.back().find(L"still preparing"), std::wstring::npos);
  EXPECT_EQ(about, std::optional<HRESULT>(S_OK));
  ExpectPagesUnchanged();
}

TEST_F(AddinPublishTest, ARefusedConnectionShowsTheErrorAndCancelsPublishing) {
  const std::string destination = "http://127.0.0.1:" + std::to_string(RefusingLoopbackPort());
  std::vector<std::wstring> texts;
  StatusTexts status;
  bool has_cancel = true;
  const auto answered = WhenVisible(kMessageBoxClass, kErrorCaption, [&](HWND box) {
    texts = StaticTexts(box);
    status = ReadStatusWindow();
    has_cancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // The status window behind the box, with the failed state: the box moves out of its way, and
    // the picture is taken after a pause, since Wine shows what a window painted a moment later.
    SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    win32::RunLater(kPaintPause, [this, box] {
      if (HWND window = win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption)) {
        status_screenshot_ = SaveAddinScreenshot(window, L"addin_status_window.bmp");
      }
      ClickButton(box, IDOK);
    });
  });
  const StandInHost::PublishOutcome outcome = Publish(destination);
  EXPECT_TRUE(*answered);
  EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
  EXPECT_TRUE(outcome.cancel);
  EXPECT_EQ(outcome.destination, win32::WideFromUtf8(destination));
  // The box names the destination, then what the transfer window recorded; behind it the status
  // window still shows the step and the failed state, with the address that failed.
  EXPECT_EQ(texts, std::vector<std::wstring>{win32::WideFromUtf8(destination) +
                                             L"\r\nServer not responding"});
  EXPECT_FALSE(has_cancel);
  EXPECT_EQ(status.label, kChecking);
  EXPECT_EQ(status.status_bar, std::wstring(kTransferError) + L" (" +
                                   win32::WideFromUtf8(destination) + L"/kestrova)");
  EXPECT_FALSE(status_screenshot_.empty());
  EXPECT_EQ(win32::FindVisibleWindow(kAddinWindowClass, kStatusCaption), nullptr);
  EXPECT_FALSE(fs::exists(mend_folder()));
  ExpectPagesUnchanged();
}

// The service writes its inventory in the customer's code page: on Windows an entry names the page
// that FrontPage saved under that name in the ANSI code page (windows-1252 here), and its mending
// file is stored under the same name, while the request carries the entry's own bytes.
TEST_F(AddinPublishTest, AnEntryInTheAnsiCodePageNamesItsPage) {
  ASSERT_EQ(GetACP(), 1252u) << "Wine under an English or C locale uses windows-1252";
  const std::wstring name = L"caf\u00e9.htm";
  const std::string page = "<html><head><title>Caf\xC3\xA9</title></head><body></body></html>";
  const std::string mending =
      "<html><head><title>Caf\xC3\xA9 - widgets</title>"
      "<meta name=\"keywords\" content=\"caf\xC3\xA9\">"
      "<meta name=\"description\" content=\"Widgets.\"></head><body></body></html>";
  ASSERT_TRUE(WriteFileBytes(web_root() / name, page));
  LoopbackHttpServer site;
  site.Serve("/kestrova", "");
  site.Serve("/kestrova/inventory.txt",
             "3/1/2024 10:00:00 AM\r\n" + site.Url("") + "\r\ncaf\xE9.htm\r\ninventory.txt\r\n");
  site.Serve("/kestrova/caf%E9.htm", mending);

  const StandInHost::PublishOutcome outcome = Publish(site.Url(""));
  EXPECT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
  EXPECT_FALSE(outcome.cancel);
  EXPECT_EQ(site.Requests(),
            (std::vector<std::string>{"HEAD /kestrova", "GET /kestrova/inventory.txt",
                                      "GET /kestrova/caf%E9.htm"}));
  EXPECT_EQ(ReadFileBytes(mend_folder() / name), mending);
  EXPECT_FALSE(fs::exists(mend_folder() / L"caf\ufffd.htm"));
  const std::string mended = Mended(page, mending);
  ASSERT_NE(mended, page);
  EXPECT_EQ(ReadFileBytes(web_root() / name), mended);
  EXPECT_EQ(pages_.saved(), std::vector<std::wstring>{(web_root() / name).wstring()});
}

}  // namespace
}  // namespace kestrova::testing

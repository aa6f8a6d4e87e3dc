#include "publish/publish_driver.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "platform/pump/posix/signal_cancel.h"
#include "publish/fetcher.h"
#include "tests/support/publish_fixture.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_files.h"

namespace kestrova::testing {
namespace {

namespace fs = std::filesystem;

const std::string kMarker = "<!-- Keywords by Kestrova Software & Design Ltd -->";
const std::string kPageTail = "<body>\r\n<p>Caf\xe9 &amp; more</p>\r\n</body>\r\n</html>\r\n";

std::string Page(const std::string& head) {
  return "<html>\r\n<head>\r\n" + head + "</head>\r\n" + kPageTail;
}

class PublishDriverTest : public PublishFixture {
 protected:
  void SetUp() override {
    services.on_failure = [this](const Failure& failure) { failed_address = failure.address(); };
    WriteWebFile("index.htm", Page("<meta name=\"description\" content=\"old\">\r\n"
                                   "<title>Home</title>\r\n"));
    WriteWebFile("sub/page.htm", Page("<title>Sub</title>\r\n"));
    server.SetMendFolder({
        {"inventory.txt", Inventory("12/7/2026 7:20:00 PM")},
        {"index.htm",
         MendingFile({"<title>New home</title>", "<meta name=\"description\" content=\"new\">",
                      "<meta name=\"keywords\" content=\"k\">", kMarker,
                      "<meta name=\"robots\" content=\"all\">"})},
        {"sub--page.htm",
         MendingFile({"<meta name=\"a\" content=\"1\">", "<meta name=\"b\" content=\"2\">",
                      "<meta name=\"c\" content=\"3\">"})},
        {"gone.htm", MendingFile({"<a1>", "<a2>", "<a3>"})},
    });
  }

  std::string Inventory(const std::string& date) const {
    return date + "\r\n" + server.SiteUrl() + "\r\nindex.htm\r\nsub--page.htm\r\ngone.htm\r\n" +
           "\r\ninventory.txt\r\n";
  }

  // The address of the request whose failure was reported last.
  std::string failed_address;

  std::string MendFile(const std::string& name) const { return ReadWebFile("kestrova/" + name); }
  // Every file in the mend folder, temporary ones included, with its bytes.
  std::map<std::string, std::string> MendFolder() const {
    std::map<std::string, std::string> contents;
    for (const auto& item : fs::directory_iterator(web / "kestrova")) {
      contents[item.path().filename().string()] = MendFile(item.path().filename().string());
    }
    return contents;
  }
};

TEST_F(PublishDriverTest, APublishFetchesTheMendFolderAndMendsTheListedPages) {
  std::string destination = server.SiteUrl();
  EXPECT_FALSE(Publish(destination));
  EXPECT_EQ(destination, server.SiteUrl());
  EXPECT_TRUE(ui.messages.empty());
  // The status window watched the requests: the probe's states, then the inventory's over the
  // kept-alive connection, each as its sentence.
  std::vector<std::string> sentences;
  for (const int state : {1, 2, 3, 4, 5, 6, 7, 8, 12, 5, 6, 7, 8, 12}) {
    sentences.push_back(FrmMending::StateText(state));
  }
  std::vector<std::string> shown = ui.status_bar_texts;
  shown.resize(std::min(shown.size(), sentences.size()));
  EXPECT_EQ(shown, sentences);

  // Every entry was fetched, in order over one connection, in any order over several; the
  // inventory only once, first: what is stored is the text whose entries were fetched.
  const std::string k = "GET /kestrova/";
  std::vector<std::string> expected = {"HEAD /kestrova", k + "inventory.txt", k + "index.htm",
                                       k + "sub--page.htm", k + "gone.htm"};
  std::vector<std::string> requests = server.Requests();
  if (settings.connections > 1 && requests.size() == expected.size()) {
    std::sort(requests.begin() + 2, requests.end());
    std::sort(expected.begin() + 2, expected.end());
  }
  EXPECT_EQ(requests, expected);
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));
  EXPECT_EQ(MendFile("gone.htm"), MendingFile({"<a1>", "<a2>", "<a3>"}));

  EXPECT_EQ(ReadWebFile("index.htm"),
            "<html>\r\n<head><title>New home</title>\r\n"
            "<meta name=\"description\" content=\"new\">\r\n"
            "<meta name=\"keywords\" content=\"k\">\r\n" +
                kMarker + "\r\n<meta name=\"robots\" content=\"all\">\r\n</head>\r\n" + kPageTail);
  EXPECT_EQ(ReadWebFile("sub/page.htm"),
            "<html>\r\n<head><title>Sub</title>\r\n<meta name=\"a\" content=\"1\">\r\n"
            "<meta name=\"b\" content=\"2\">\r\n<meta name=\"c\" content=\"3\">\r\n</head>\r\n" +
                kPageTail);
  EXPECT_FALSE(fs::exists(web / "gone.htm"));
  // The mending files are put in place before the inventory, the pages together after it.
  EXPECT_EQ(CheckDurability(), (std::vector<std::string>{(web / "index.htm").string(),
                                                         (web / "sub/page.htm").string()}));

  EXPECT_EQ(ui.status_texts,
            (std::vector<std::string>{std::string(kCheckingText), std::string(kMendingText)}));
  EXPECT_FALSE(ui.status_window_visible);
  EXPECT_FALSE(last_error.IsSet());
  EXPECT_EQ(addin->webPath(), web.string());
  EXPECT_EQ(addin->mendPath(), (web / "kestrova").string());
}

// Each entry reaches the server as the name it is: "#" does not end the address, "%41" is not
// read as "A", and reserved and non-ASCII bytes are escaped, so every page gets its own mends.
TEST_F(PublishDriverTest, EntriesWithReservedCharactersFetchTheirOwnMendingFiles) {
  const std::vector<std::string> names = {"news#1.htm", "a%41.htm", "aA.htm",
                                          "a+b;c&d=e@f'g[h].htm", "caf\xc3\xa9 1.htm"};
  std::map<std::string, std::string> folder;
  std::string inventory = "12/7/2026 7:20:00 PM\r\n" + server.SiteUrl() + "\r\n";
  for (std::size_t k = 0; k < names.size(); ++k) {
    WriteWebFile(names[k], Page("<title>Old</title>\r\n"));
    folder[names[k]] =
        MendingFile({"<title>Page " + std::to_string(k) + "</title>",
                     "<meta name=\"a\" content=\"1\">", "<meta name=\"b\" content=\"2\">"});
    inventory += names[k] + "\r\n";
  }
  folder["inventory.txt"] = inventory + "\r\ninventory.txt\r\n";
  server.SetMendFolder(folder);

  EXPECT_FALSE(Publish());
  EXPECT_TRUE(ui.messages.empty());
  for (std::size_t k = 0; k < names.size(); ++k) {
    SCOPED_TRACE(names[k]);
    EXPECT_EQ(MendFile(names[k]), folder[names[k]]);
    EXPECT_EQ(ReadWebFile(names[k]), "<html>\r\n<head><title>Page " + std::to_string(k) +
                                         "</title>\r\n<meta name=\"a\" content=\"1\">\r\n"
                                         "<meta name=\"b\" content=\"2\">\r\n</head>\r\n" +
                                         kPageTail);
  }
}

TEST_F(PublishDriverTest, FreshnessFollowsTheInventoryDates) {
  ASSERT_FALSE(Publish());
  const std::string mended = ReadWebFile("index.htm");

  // Equal dates: nothing is fetched but the probe and the inventory. The local inventory's
  // address replaces the destination the host passed.
  server.ClearRequests();
  ui.status_texts.clear();
  std::string destination = "http://elsewhere.invalid";
  EXPECT_FALSE(Publish(destination));
  EXPECT_EQ(destination, server.SiteUrl());
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"HEAD /kestrova", "GET /kestrova/inventory.txt"}));
  EXPECT_EQ(ui.status_texts, (std::vector<std::string>{std::string(kCheckingText),
                                                       std::string(kDownloadNotNeededText),
                                                       std::string(kMendingText)}));
  // Mending again from the same files gives the same pages.
  EXPECT_EQ(ReadWebFile("index.htm"), mended);

  // One second later on the server: everything is fetched again.
  server.Set("/kestrova/inventory.txt", {200, Inventory("12/7/2026 7:20:01 PM")});
  server.ClearRequests();
  EXPECT_FALSE(Publish());
  EXPECT_EQ(server.Requests().size(), 5u);

  // A service that updates its folder while the publish reads it: what is stored is the
  // inventory whose date and entries decided the download, never a later one listing a file that
  // was not fetched or a date newer than the files.
  const std::string fetched = Inventory("12/7/2026 7:20:02 PM");
  Answer changing(200, fetched);
  changing.on_request = [this] {
    server.Set("/kestrova/inventory.txt", {200, Inventory("12/7/2026 7:20:03 PM") + "new.htm\r\n"});
  };
  server.Set("/kestrova/inventory.txt", changing);
  server.Set("/kestrova/new.htm", {200, MendingFile({"<n1>", "<n2>", "<n3>"})});
  EXPECT_FALSE(Publish());
  EXPECT_EQ(MendFile("inventory.txt"), fetched);
  EXPECT_FALSE(fs::exists(web / "kestrova" / "new.htm"));
  EXPECT_FALSE(Publish());  // the newer inventory: downloaded, with what it lists
  EXPECT_EQ(MendFile("new.htm"), MendingFile({"<n1>", "<n2>", "<n3>"}));

  // An earlier server date means no download either.
  server.Set("/kestrova/inventory.txt", {200, Inventory("2026-12-07 19:00:00")});
  server.ClearRequests();
  EXPECT_FALSE(Publish());
  EXPECT_EQ(server.Requests().size(), 2u);
}

// The platform's own date conversion decides what an inventory's date line means, for the
// server's inventory and the local one alike.
TEST_F(PublishDriverTest, InventoryDatesGoThroughTheServicesDateConversion) {
  static std::vector<std::string> converted;
  converted.clear();
  // Reads only the platform form "day.month.year"; everything else is no date.
  services.convert_date = [](std::string_view text) -> DateTime {
    converted.emplace_back(text);
    if (text == "7.12.2026") return ConvertToDate("12/7/2026");
    RaiseProgramError(kErrTypeMismatch);
  };
  server.Set("/kestrova/inventory.txt", {200, Inventory("7.12.2026")});
  ASSERT_FALSE(Publish());
  EXPECT_NE(ReadWebFile("index.htm").find(kMarker), std::string::npos);
  EXPECT_EQ(converted, (std::vector<std::string>{"7.12.2026", "7.12.2026"}))
      << "the server's date, then the stored inventory's at the mend phase";

  // A date the platform does not read stops the publish as a type mismatch.
  converted.clear();
  ui.messages.clear();
  server.Set("/kestrova/inventory.txt", {200, Inventory("12/8/2026")});
  EXPECT_TRUE(Publish());
  ASSERT_FALSE(converted.empty());
  EXPECT_EQ(converted.back(), "12/8/2026");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"critical|Error|Type mismatch"});
}

TEST_F(PublishDriverTest, ASiteWithoutTheMendFolderGetsTheNotAClientDialog) {
  struct Case {
    NotClientChoice choice;
    bool cancel;
    std::vector<std::string> browser_urls;
  };
  const Case cases[] = {
      {NotClientChoice::kOk, false, {}},
      {NotClientChoice::kClose, false, {}},
      {NotClientChoice::kCancel, true, {}},
      {NotClientChoice::kRegister, true, {"https://www.kestrova.com/subscribe.html"}},
  };
  server.Set("/kestrova", {404, "no"});
  int shown = 0;
  for (const Case& c : cases) {
    ui.not_client_choice = c.choice;
    browser.urls.clear();
    std::string destination = server.SiteUrl();
    EXPECT_EQ(Publish(destination), c.cancel);
    EXPECT_EQ(destination, server.SiteUrl());
    EXPECT_EQ(ui.not_client_shown, ++shown);
    EXPECT_EQ(browser.urls, c.browser_urls);
  }
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs::exists(web / "kestrova"));
  EXPECT_EQ(ReadWebFile("index.htm"), Page("<meta name=\"description\" content=\"old\">\r\n"
                                           "<title>Home</title>\r\n"));
}

// Only a 404 means the mend folder is missing; redirects, of the folder or of a file, are followed.
TEST_F(PublishDriverTest, OnlyA404MeansTheMendFolderIsMissingAndRedirectsAreFollowed) {
  for (int status : {403, 500, 401}) {
    server.Set("/kestrova", {status, "error page"});
    EXPECT_FALSE(Publish()) << status;
    EXPECT_EQ(ui.not_client_shown, 0) << status;
  }
  server.Set("/kestrova", {200, "", "/elsewhere"});
  server.Set("/elsewhere", {200, "moved here"});
  server.Set("/kestrova/inventory.txt", {200, "", "/moved/inventory.txt"});
  server.Set("/moved/inventory.txt", {200, Inventory("12/7/2026 7:20:00 PM")});
  EXPECT_FALSE(Publish());
  EXPECT_EQ(ui.not_client_shown, 0);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));
  // A redirect to a file of this machine is not followed.
  server.Set("/moved/inventory.txt",
             {200, "", "file://" + WriteBytes(root / "local.txt", Inventory("12/7/2098"))});
  EXPECT_TRUE(Publish());
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));
}

// A proxy that asks for a password (407) answers in the server's place: the probe does not take it
// for the folder, and the message names the proxy, on the probe and on the inventory alike.
TEST_F(PublishDriverTest, AProxyAskingForAPasswordIsNamedAndNeverTakenForTheFolder) {
  for (const char* path : {"/kestrova", "/kestrova/inventory.txt"}) {
    SCOPED_TRACE(path);
    server.Set(path, {407, "proxy password"});
    ui.messages.clear();
    EXPECT_TRUE(Publish());
    EXPECT_EQ(ui.not_client_shown, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].prompt.find("The proxy server asks for a password"), std::string::npos)
        << ui.messages[0].prompt;
    EXPECT_NE(ui.messages[0].prompt.find(server.SiteUrl() + path), std::string::npos);
    server.Set(path,
               {200, std::string(path).ends_with(".txt") ? Inventory("12/7/2026 7:20:00 PM") : ""});
  }
}

TEST_F(PublishDriverTest, AMissingInventoryLetsTheUserPublishWithoutMends) {
  server.Set("/kestrova/inventory.txt", {404, "no"});
  const std::string expected =
      "exclamation|Error|File \"\"inventory.txt\"\" not found on server.\r\n\r\n"
      "Click \"OK\" to continue publishing without Kestrova mends.";
  ui.box_answers = {MsgBoxResult::kOk, MsgBoxResult::kCancel};
  EXPECT_FALSE(Publish());
  EXPECT_TRUE(Publish());
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{expected, expected}));
  for (const MessageRecord& message : ui.messages) {
    EXPECT_EQ(message.buttons, MsgBoxButtons::kOkCancel);
  }
}

TEST_F(PublishDriverTest, AMissingMendingFileStopsPublishingAndKeepsTheCacheStale) {
  // The refusal comes late: fetched at once, the inventory has arrived by then.
  server.Set("/kestrova/sub--page.htm", {404, "no", "", std::chrono::milliseconds(300)});
  EXPECT_TRUE(Publish());
  EXPECT_EQ(
      MessageTexts(),
      (std::vector<std::string>{"critical|Error|File \"sub--page.htm\" not found on server."}));
  // All or nothing: the files that landed before the refusal are not kept, nor any temporary file,
  // nor the inventory, so the next publish downloads again; and no page was touched.
  EXPECT_TRUE(fs::is_empty(web / "kestrova"));
  EXPECT_EQ(ReadWebFile("sub/page.htm"), Page("<title>Sub</title>\r\n"));
  EXPECT_EQ(failed_address, server.Url("/kestrova/sub--page.htm"));
}

TEST_F(PublishDriverTest, ErrorStatusesAreNeverTakenForFiles) {
  // A mending file from an earlier publish survives an error page in its place.
  WriteWebFile("kestrova/index.htm", "earlier mending file");
  server.Set("/kestrova/index.htm", {500, "<html>Internal Server Error</html>"});
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].icon, MsgBoxIcon::kCritical);
  EXPECT_NE(ui.messages[0].prompt.find(server.SiteUrl() + "/kestrova/index.htm"), std::string::npos)
      << ui.messages[0].prompt;
  EXPECT_NE(ui.messages[0].prompt.find("500"), std::string::npos);
  EXPECT_EQ(MendFile("index.htm"), "earlier mending file");
  // A status failure names its request as a transfer failure does.
  EXPECT_EQ(failed_address, server.Url("/kestrova/index.htm"));

  ui.messages.clear();
  server.Set("/kestrova/inventory.txt", {403, "12/7/2026\r\nforbidden\r\n"});
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].prompt.find("403"), std::string::npos);
  EXPECT_EQ(failed_address, server.Url("/kestrova/inventory.txt"));
}

TEST_F(PublishDriverTest, TransferFailuresNameTheDestinationBeforeTheEntryDownload) {
  RefusingPort refusing;
  std::string destination = refusing.Url("");
  destination.pop_back();  // no trailing slash
  EXPECT_TRUE(Publish(destination));
  // The design's text in the box; the failure carries the address that failed.
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"critical|Error|" + destination +
                                                      "\r\nServer not responding"}));
  EXPECT_EQ(failed_address, destination + "/kestrova");

  // A request that outlives the time-out during the inventory fetch.
  ui.messages.clear();
  settings.request_timeout_seconds = 1;
  server.Set("/kestrova/inventory.txt",
             {200, Inventory("12/7/2026"), "", std::chrono::milliseconds(3000)});
  destination = server.SiteUrl();
  EXPECT_TRUE(Publish(destination));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt.rfind(destination + "\r\n", 0), 0u) << ui.messages[0].prompt;
  EXPECT_FALSE(last_error.IsSet());
}

TEST_F(PublishDriverTest, ABodyCutShortLeavesTheOldMendingFile) {
  WriteWebFile("kestrova/sub--page.htm", "earlier");
  server.Set("/kestrova/sub--page.htm",
             {200, std::string(8000, 'x'), "", std::chrono::milliseconds(0), 4000});
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  // The entry download reports the transfer failure without the destination.
  EXPECT_EQ(ui.messages[0].prompt, "Error receiving data from server");
  EXPECT_EQ(failed_address, server.Url("/kestrova/sub--page.htm"));
  // The status line names the request after the failed state's sentence.
  ASSERT_FALSE(ui.status_bar_texts.empty());
  EXPECT_EQ(ui.status_bar_texts.back(),
            "An error has occurred while communicating with the remote server. (" +
                server.Url("/kestrova/sub--page.htm") + ")");
  EXPECT_EQ(MendFile("sub--page.htm"), "earlier");
  EXPECT_FALSE(HoldsTemporaryFile(web / "kestrova"));
}

TEST_F(PublishDriverTest, BodiesOverTheCapStopPublishingAndKeepTheOldFiles) {
  EXPECT_EQ(settings.max_body_bytes, std::size_t{64} << 20);
  // The cap counts what the body holds: a mending file of exactly the cap is taken.
  settings.max_body_bytes = 4096;
  server.Set("/kestrova/gone.htm", {200, std::string(4096, 'g')});
  EXPECT_FALSE(Publish());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(MendFile("gone.htm"), std::string(4096, 'g'));

  const std::string later = Inventory("12/8/2026");
  server.Set("/kestrova/inventory.txt", {200, later});
  server.Set("/kestrova/gone.htm", {200, std::string(4097, 'x')});
  EXPECT_TRUE(Publish());
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"critical|Error|The server sent more than 4096 bytes for \"" +
                                      server.SiteUrl() +
                                      "/kestrova/gone.htm\"; the inventory and each mending file "
                                      "may have at most that much."}));
  EXPECT_EQ(MendFile("gone.htm"), std::string(4096, 'g'));
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));
  EXPECT_FALSE(HoldsTemporaryFile(web / "kestrova"));

  ui.messages.clear();
  settings.max_body_bytes = std::size_t{3} << 20;
  server.Set("/kestrova/inventory.txt", {200, later + std::string(3 << 20, '\n')});
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].icon, MsgBoxIcon::kCritical);
  EXPECT_EQ(ui.messages[0].prompt.rfind("The server sent more than 3 MiB for \"" +
                                            server.SiteUrl() + "/kestrova/inventory.txt\"",
                                        0),
            0u)
      << ui.messages[0].prompt;
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));

  // The mending files of one publish are capped together too, each of them within its own cap.
  ui.messages.clear();
  server.Set("/kestrova/inventory.txt", {200, later});
  server.Set("/kestrova/gone.htm", {200, std::string(4096, 'x')});
  settings.max_staged_bytes = 4096;
  EXPECT_TRUE(Publish());
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"critical|Error|The server sent more than 4096 bytes for the "
                                      "mending files of \"" +
                                      server.SiteUrl() +
                                      "/kestrova\"; one publish may fetch at most that much."}));
  EXPECT_EQ(MendFile("gone.htm"), std::string(4096, 'g'));
  EXPECT_EQ(MendFile("inventory.txt"), Inventory("12/7/2026 7:20:00 PM"));
}

TEST_F(PublishDriverTest, MalformedHeadsStopPublishingNamingTheFileAndLeaveThePage) {
  // An unclosed title takes the body into the head, as an HTML5 parser reads the page.
  const std::string open_title = "<html>\r\n<head>\r\n<title>Home\r\n</head>\r\n" + kPageTail;
  WriteWebFile("index.htm", open_title);
  EXPECT_TRUE(Publish());
  EXPECT_EQ(
      MessageTexts(),
      (std::vector<std::string>{"critical|Error|" + (web / "index.htm").string() +
                                "\r\nThe head is malformed: the <title> element is never closed, "
                                "so the head runs to the end of the file."}));
  EXPECT_EQ(ReadWebFile("index.htm"), open_title);

  // A failure the rewrite finds in a mending file names that file.
  ui.messages.clear();
  WriteWebFile("index.htm", Page("<title>Home</title>\r\n"));
  server.Set("/kestrova/inventory.txt", {200, Inventory("12/8/2026")});
  server.Set("/kestrova/sub--page.htm",
             {200, "<html><head><title>t</title><!-- open</head><body></body></html>"});
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt.rfind((web / "kestrova" / "sub--page.htm").string() +
                                            "\r\nThe mending head is malformed: the comment",
                                        0),
            0u)
      << ui.messages[0].prompt;
  EXPECT_EQ(ReadWebFile("sub/page.htm"), Page("<title>Sub</title>\r\n"));
  // The page mended before the one that failed is not put in place either, and nothing is left.
  EXPECT_EQ(ReadWebFile("index.htm"), Page("<title>Home</title>\r\n"));
  EXPECT_FALSE(HoldsTemporaryFile(web));
}

TEST_F(PublishDriverTest, EntriesThatWouldLeaveTheMendFolderTouchNothing) {
  for (const std::string entry :
       {"../evil.htm", "..--..--evil.htm", "/etc/passwd", "C:evil.htm", "sub\\x.htm", "con.htm",
        "a\x01.htm", "a\x7F.htm", "a?.htm", "LPT1.htm", "sub--aux.htm"}) {
    ui.messages.clear();
    server.ClearRequests();
    server.Set("/kestrova/inventory.txt",
               {200, "12/7/2026\n" + server.SiteUrl() + "\nindex.htm\n" + entry + "\n"});
    EXPECT_TRUE(Publish()) << entry;
    ASSERT_EQ(ui.messages.size(), 1u) << entry;
    EXPECT_EQ(ui.messages[0].icon, MsgBoxIcon::kCritical);
    EXPECT_NE(ui.messages[0].prompt.find("The inventory lists the entry"), std::string::npos);
    // Nothing of that download was fetched or written.
    EXPECT_EQ(server.Requests().size(), 2u) << entry;
    EXPECT_FALSE(fs::exists(web / "kestrova")) << entry;
  }
  EXPECT_FALSE(fs::exists(root / "evil.htm"));
}

TEST_F(PublishDriverTest, TheUrlPromptAsksUntilItGetsAWebAddress) {
  const std::string prompt =
      "Web URL needed|Please provide the correct http url for your web "
      "site.|http://";
  // An empty answer cancels without a message.
  std::string destination;
  EXPECT_TRUE(Publish(destination));
  EXPECT_EQ(destination, "");
  EXPECT_EQ(ui.input_prompts, std::vector<std::string>{prompt});
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_FALSE(ui.status_window_visible);

  // Upper-case HTTP is no http address; the second answer is.
  ui.input_prompts.clear();
  ui.input_answers = {"HTTP://127.0.0.1", server.SiteUrl()};
  destination = "ftp://example.invalid";
  EXPECT_FALSE(Publish(destination));
  EXPECT_EQ(destination, server.SiteUrl());
  EXPECT_EQ(ui.input_prompts, (std::vector<std::string>{prompt, prompt}));

  // http:// anywhere passes, and so does an https address (no local inventory gives another).
  fs::remove_all(web / "kestrova");
  ui.input_prompts.clear();
  for (std::string passing : {"ftp://x.invalid/?u=http://y.invalid", "https://127.0.0.1:1"}) {
    ui.messages.clear();
    EXPECT_TRUE(Publish(passing));  // the server is not there
    EXPECT_TRUE(ui.input_prompts.empty()) << passing;
  }
}

TEST_F(PublishDriverTest, LocalInventoryFaults) {
  struct Case {
    std::string local_inventory;
    std::string message;
    bool cancel;
  };
  const std::string later = "12/31/2099 11:59:59 PM\r\n" + server.SiteUrl();
  const Case cases[] = {
      {"12/7/2026", "critical|Error|Input past end of file", true},
      {"no date\r\n" + server.SiteUrl() + "\r\n", "critical|Error|Type mismatch", true},
      {later + "\r\n",
       "exclamation|Error|There are no files being mended for this site.\r\n\r\n"
       "Click \"OK\" to continue publishing without Kestrova mends.",
       false},
      {later + "\r\n..--index.htm\r\n",
       "critical|Error|The inventory lists the entry \"..--index.htm\", which cannot be used: its "
       "page path holds a \"..\" folder level. Nothing was written for it.",
       true},
  };
  for (const Case& c : cases) {
    ui.messages.clear();
    WriteWebFile("kestrova/inventory.txt", c.local_inventory);
    EXPECT_EQ(Publish(), c.cancel) << c.local_inventory;
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{c.message}) << c.local_inventory;
  }
  // A listed page whose mending file is missing from the local mend folder stops the mend phase
  // with a message naming the file.
  ui.messages.clear();
  WriteWebFile("kestrova/inventory.txt", later + "\r\nindex.htm\r\n");
  EXPECT_TRUE(Publish());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].prompt.find((web / "kestrova" / "index.htm").string()),
            std::string::npos)
      << ui.messages[0].prompt;
  EXPECT_EQ(ReadWebFile("index.htm"), Page("<meta name=\"description\" content=\"old\">\r\n"
                                           "<title>Home</title>\r\n"));
}

TEST_F(PublishDriverTest, ALargeLocalInventoryIsReadWhole) {
  // Far more lines than a 16-bit count holds; only the last one names a page of the web.
  std::string inventory = "12/31/2099\r\n" + server.SiteUrl() + "\r\n";
  for (int k = 0; k < 40000; ++k) inventory += "missing-" + std::to_string(k) + ".htm\r\n";
  WriteWebFile("kestrova/inventory.txt", inventory + "index.htm\r\n");
  WriteWebFile("kestrova/index.htm",
               MendingFile({"<title>Far down</title>", "<meta name=\"a\" content=\"1\">",
                            "<meta name=\"b\" content=\"2\">", "<meta name=\"c\" content=\"3\">"}));
  EXPECT_FALSE(Publish());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
  EXPECT_NE(ReadWebFile("index.htm").find("<title>Far down</title>"), std::string::npos);
}

// Only HTML pages are rewritten, whatever the inventory lists: hidden names and folders,
// FrontPage's metadata folders and the mend folder never; other files by a page's extension (any
// case) or by content that begins as HTML, server code before it or not; and only text. The rest
// is passed over with a sentence saying so.
TEST_F(PublishDriverTest, OnlyHtmlPagesAreMended) {
  const std::string page = Page("<title>Old</title>\r\n");
  const std::map<std::string, std::string> untouched = {
      {"deploy.sh", "#!/bin/sh\necho <html>\n"},
      {".htaccess", page},
      {".git/index.htm", page},
      {"sub/.hidden.htm", page},
      {"_VTI_CNF/index.htm", page},
      {"data.txt", "<?xml version=\"1.0\"?>\n<html></html>\n"},
      {"abbr.txt", "<abbr>x</abbr>\n"},
      {"photo.htm", "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00"},
      {"doc.asp", "%PDF-1.4\n<html><head></head></html>"},
      {"utf16.html", std::string("\xFF\xFE<\0h\0t\0m\0l\0>\0", 14)},
  };
  const std::vector<std::string> entries = {
      "deploy.sh",        "photo.htm",           "doc.asp",    ".htaccess", ".git--index.htm",
      "sub--.hidden.htm", "_VTI_CNF--index.htm", "data.txt",   "abbr.txt",  "kestrova--index.htm",
      "Upper.HTML",       "notes.txt",           "utf16.html", "shop.php"};
  for (const auto& [name, bytes] : untouched) WriteWebFile(name, bytes);
  WriteWebFile("Upper.HTML", page);
  WriteWebFile("notes.txt", "\xEF\xBB\xBF\r\n  <!DOCTYPE html>\r\n<head></head><body></body>\r\n");
  WriteWebFile("shop.php", "<?php $cart = $shop->cart(); ?>\n" + page);
  std::string inventory = "12/31/2099\r\n" + server.SiteUrl() + "\r\n";
  const std::string mending = MendingFile({"<title>New</title>", "<meta name=\"a\" content=\"1\">",
                                           "<meta name=\"b\" content=\"2\">", kMarker});
  for (const std::string& entry : entries) {
    inventory += entry + "\r\n";
    WriteWebFile("kestrova/" + entry, mending);
  }
  WriteWebFile("kestrova/inventory.txt", inventory);
  WriteWebFile("kestrova/index.htm", mending);

  EXPECT_FALSE(Publish());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
  for (const auto& [name, bytes] : untouched) EXPECT_EQ(ReadWebFile(name), bytes) << name;
  EXPECT_EQ(MendFile("index.htm"), mending);
  EXPECT_NE(ReadWebFile("Upper.HTML").find("<title>New</title>"), std::string::npos);
  EXPECT_NE(ReadWebFile("notes.txt").find("<title>New</title>"), std::string::npos);
  EXPECT_EQ(ReadWebFile("shop.php").find("<?php $cart = $shop->cart(); ?>\n<html>"), 0u);
  EXPECT_NE(ReadWebFile("shop.php").find("<title>New</title>"), std::string::npos);
  std::vector<std::string> notes;
  for (const std::string& text : ui.status_bar_texts) {
    if (text.starts_with("Passed over")) notes.push_back(text);
  }
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "Passed over deploy.sh: it is not an HTML page.",
                       "Passed over photo.htm: it is not text but a JPEG picture.",
                       "Passed over doc.asp: it is not text but a PDF document.",
                       "Passed over .htaccess: it is not an HTML page.",
                       "Passed over .git/index.htm: it is not an HTML page.",
                       "Passed over sub/.hidden.htm: it is not an HTML page.",
                       "Passed over _VTI_CNF/index.htm: it is not an HTML page.",
                       "Passed over data.txt: it is not an HTML page.",
                       "Passed over abbr.txt: it is not an HTML page.",
                       "Passed over kestrova/index.htm: it is not an HTML page.",
                       "Passed over utf16.html: it is not text but binary data.",
                   }));
}

// A page that is a link is mended where the link leads when that lies inside the web, and the
// link stays a link; a link out of the web is passed over with a sentence, its target untouched.
// A mending file that is a link inside the mend folder is read where it leads.
TEST_F(PublishDriverTest, LinkedPagesAreMendedOnlyInsideTheWebAndStayLinks) {
  const std::string page = Page("<title>Old</title>\r\n");
  WriteWebFile("real/inner.htm", page);
  fs::create_symlink("real/inner.htm", web / "inner.htm");
  fs::create_symlink(WriteBytes(root / "outside.htm", page), web / "outside.htm");
  fs::create_symlink("/proc/self/environ", web / "environ.htm");
  const std::string mending = MendingFile({"<title>New</title>", "<meta name=\"a\" content=\"1\">",
                                           "<meta name=\"b\" content=\"2\">", kMarker});
  std::string inventory = "12/31/2099\r\n" + server.SiteUrl() + "\r\n";
  for (const std::string entry : {"inner.htm", "outside.htm", "environ.htm"}) {
    inventory += entry + "\r\n";
    WriteWebFile("kestrova/store/" + entry, mending);
    fs::create_symlink(fs::path("store") / entry, web / "kestrova" / entry);
  }
  WriteWebFile("kestrova/inventory.txt", inventory);

  EXPECT_FALSE(Publish());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
  EXPECT_TRUE(fs::is_symlink(web / "inner.htm"));
  EXPECT_EQ(fs::read_symlink(web / "inner.htm"), "real/inner.htm");
  EXPECT_NE(ReadWebFile("real/inner.htm").find("<title>New</title>"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(web / "outside.htm"));
  EXPECT_EQ(ReadBytes(root / "outside.htm"), page);
  EXPECT_TRUE(fs::is_symlink(web / "environ.htm"));
  std::vector<std::string> notes;
  for (const std::string& text : ui.status_bar_texts) {
    if (text.starts_with("Passed over")) notes.push_back(text);
  }
  EXPECT_EQ(notes, (std::vector<std::string>{
                       "Passed over outside.htm: it is a link to a file outside the web.",
                       "Passed over environ.htm: it is a link to a file outside the web.",
                   }));
}

// A mending file that is a link out of the mend folder is never read: what it leads to would end
// up in a page of the web. The publish stops with the file named, and the page stays as it was.
TEST_F(PublishDriverTest, AMendingFileLinkedOutOfTheMendFolderIsNotRead) {
  WriteWebFile("kestrova/inventory.txt", "12/31/2099\r\n" + server.SiteUrl() + "\r\nindex.htm\r\n");
  fs::create_symlink(
      WriteBytes(root / "secret.htm",
                 MendingFile({"<title>Secret</title>", "<meta name=\"a\" content=\"1\">",
                              "<meta name=\"b\" content=\"2\">"})),
      web / "kestrova" / "index.htm");
  const std::string before = ReadWebFile("index.htm");

  EXPECT_TRUE(Publish());
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"critical|Error|Cannot read \"" +
                                      (web / "kestrova" / "index.htm").string() +
                                      "\": it is a link that does not lead to a file in the mend "
                                      "folder."}));
  EXPECT_EQ(ReadWebFile("index.htm"), before);
}

// A downloaded mending file is written where a link in the mend folder leads when that lies in
// the mend folder, and the link stays; a link out of it is never written through: the download
// stops there, before the inventory, and the file it leads to stays as it was.
TEST_F(PublishDriverTest, DownloadsWriteThroughLinksOnlyInsideTheMendFolder) {
  WriteWebFile("kestrova/real-index.htm", "old");
  fs::create_symlink("real-index.htm", web / "kestrova" / "index.htm");
  fs::create_symlink(WriteBytes(root / "elsewhere.htm", "not the web's"),
                     web / "kestrova" / "gone.htm");

  EXPECT_TRUE(Publish());
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"critical|Error|Cannot write \"" +
                                      (web / "kestrova" / "gone.htm").string() +
                                      "\": it is a link that does not lead to a file in the mend "
                                      "folder."}));
  EXPECT_TRUE(fs::is_symlink(web / "kestrova" / "index.htm"));
  // All or nothing: the mending file that arrived before the failure is not kept either.
  EXPECT_EQ(MendFile("real-index.htm"), "old");
  EXPECT_TRUE(fs::is_symlink(web / "kestrova" / "gone.htm"));
  EXPECT_EQ(ReadBytes(root / "elsewhere.htm"), "not the web's");
  EXPECT_FALSE(fs::exists(web / "kestrova" / "inventory.txt"));

  // Without the stranger link the download goes through, writing where the link inside leads.
  fs::remove(web / "kestrova" / "gone.htm");
  EXPECT_FALSE(Publish());
  EXPECT_TRUE(fs::is_symlink(web / "kestrova" / "index.htm"));
  EXPECT_NE(MendFile("real-index.htm").find("<title>New home</title>"), std::string::npos);
}

// Cancel clicked as the status window opens stops the publish before any request; Ctrl-C while
// the first page is mended stops it at the next page, and the page mended already is not put in
// place either. Neither shows a message.
TEST_F(PublishDriverTest, CancelAndCtrlCStopThePublishWithoutAMessageAndKeepEveryPage) {
  const std::string old_home = ReadWebFile("index.htm");
  ui.on_status_window = [](FrmMending& window) { window.OnCancelClick(); };
  EXPECT_TRUE(Publish());
  EXPECT_TRUE(server.Requests().empty());
  ui.on_status_window = nullptr;
  ui.on_page_done = [this](std::size_t done) {
    if (done == 1) pump.PostCancel();
  };
  EXPECT_TRUE(Publish());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ReadWebFile("index.htm"), old_home);
  EXPECT_EQ(ReadWebFile("sub/page.htm"), Page("<title>Sub</title>\r\n"));
  EXPECT_FALSE(HoldsTemporaryFile(web));
}

TEST_F(PublishDriverTest, CtrlCDuringADownloadStopsItAtOnceAndKeepsTheOldFiles) {
  ASSERT_FALSE(Publish());
  const std::string old_mending = MendFile("index.htm");
  const std::string old_inventory = MendFile("inventory.txt");
  ASSERT_FALSE(old_mending.empty());

  // A newer mend folder whose first file stops arriving half way, more than the transfer
  // buffer holds: the download is under way, its temporary file on disk, when the user presses
  // Ctrl+C. The server then stays silent for far longer than the publish waits.
  const ScopedSignalCancel sigint(pump);
  server.Set("/kestrova/inventory.txt", {200, Inventory("12/8/2026 7:20:00 PM")});
  Answer stalling(200, MendingFile({"<title>Newer</title>"}) + std::string(400 * 1024, ' '));
  stalling.stall_after = 200 * 1024;
  const fs::path mend_folder = web / "kestrova";
  stalling.on_stall = [mend_folder] {
    for (int round = 0; round < 1000 && !HoldsTemporaryFile(mend_folder); ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    ::kill(::getpid(), SIGINT);
  };
  server.Set("/kestrova/index.htm", stalling);
  server.ClearRequests();

  EXPECT_TRUE(Publish());
  EXPECT_TRUE(ui.messages.empty()) << MessageTexts().front();
  EXPECT_EQ(MendFile("index.htm"), old_mending);
  EXPECT_EQ(MendFile("inventory.txt"), old_inventory);
  EXPECT_FALSE(HoldsTemporaryFile(mend_folder));
  // One after another, nothing was asked for after the stopped download.
  const std::vector<std::string> requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  if (settings.connections == 1) {
    EXPECT_EQ(requests.back(), "GET /kestrova/index.htm");
  }
}

// Over several connections the first failure stops every other request at once: while it is
// reported the server has seen each of their connections closed, and nothing they brought
// reaches the mend folder.
TEST_F(PublishDriverTest, AFailedDownloadStopsEveryOtherConnection) {
  ASSERT_FALSE(Publish());
  const std::map<std::string, std::string> old_files = MendFolder();

  // Three files arrive a piece at a time for far longer than the test runs; the fourth is
  // refused once they are under way.
  settings.connections = 4;
  server.Set("/kestrova/inventory.txt",
             {200, "12/8/2026\r\n" + server.SiteUrl() +
                       "\r\nindex.htm\r\ngone.htm\r\nextra.htm\r\nsub--page.htm\r\n"});
  Answer slow(200, std::string(64 * 1024, ' '));
  slow.piece = 64;
  slow.gap = std::chrono::milliseconds{20};
  for (const std::string name : {"index.htm", "gone.htm", "extra.htm"}) {
    server.Set("/kestrova/" + name, slow);
  }
  server.Set("/kestrova/sub--page.htm", {404, "no", "", std::chrono::milliseconds(300)});
  std::vector<std::string> abandoned;
  // Told of the failure before the publish ends and drops its connections: the others must be
  // closed by then, which the server sees within a piece's gap.
  services.on_failure = [&](const Failure&) {
    for (int round = 0; round < 300 && server.Abandoned().size() < 3; ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    abandoned = server.Abandoned();
  };

  EXPECT_TRUE(Publish());
  EXPECT_EQ(
      MessageTexts(),
      (std::vector<std::string>{"critical|Error|File \"sub--page.htm\" not found on server."}));
  std::sort(abandoned.begin(), abandoned.end());
  EXPECT_EQ(abandoned, (std::vector<std::string>{"/kestrova/extra.htm", "/kestrova/gone.htm",
                                                 "/kestrova/index.htm"}));
  EXPECT_EQ(MendFolder(), old_files);
}

// A file whose request the server reads and never answers, while it answers the others at once:
// the time-out bounds the request, not each attempt. It is made again on other connections, at
// most Fetcher::kMostAttempts times in all, and fails as timed out once they have waited the
// time-out together, naming its address; nothing of the download is stored.
TEST_F(PublishDriverTest, AFileNeverAnsweredFailsAtItsTimeOutAfterFewAttempts) {
  ASSERT_FALSE(Publish());
  const std::map<std::string, std::string> old_files = MendFolder();
  settings.connections = 6;
  settings.request_timeout_seconds = 2;
  std::string inventory = "12/8/2026\r\n" + server.SiteUrl() + "\r\nsilent.htm\r\n";
  for (int k = 0; k < 60; ++k) {
    const std::string name = std::string("p").append(std::to_string(k)).append(".htm");
    server.Set("/kestrova/" + name, {200, MendingFile({"<title>" + name + "</title>"})});
    inventory += name + "\r\n";
  }
  server.Set("/kestrova/inventory.txt", {200, inventory + "inventory.txt\r\n"});
  Answer silent;
  silent.held = true;  // until the server stops, long after the publish
  server.Set("/kestrova/silent.htm", silent);
  EXPECT_TRUE(Publish());
  EXPECT_EQ(
      MessageTexts(),
      (std::vector<std::string>{"critical|Error|Error communicating with the remote server."}));
  EXPECT_EQ(failed_address, server.Url("/kestrova/silent.htm"));
  const std::vector<std::string> requests = server.Requests();
  const auto attempts = std::count(requests.begin(), requests.end(), "GET /kestrova/silent.htm");
  // Made again while the other connections answered, but no more than the bound allows.
  EXPECT_GE(attempts, 2);
  EXPECT_LE(static_cast<std::size_t>(attempts), Fetcher::kMostAttempts);
  EXPECT_EQ(MendFolder(), old_files);
}

// A server that serves one connection at a time publishes over eight as it does over one: the
// requests it does not serve go again on the connection it serves, long before the time-out.
TEST_F(PublishDriverTest, AServerServingOneConnectionAtATimePublishesOverEight) {
  settings.connections = 8;
  settings.request_timeout_seconds = 60;
  for (const auto others : {RawHttpServer::Others::kReset, RawHttpServer::Others::kWait}) {
    SCOPED_TRACE(others == RawHttpServer::Others::kReset ? "reset" : "wait");
    RawHttpServer front(server.port(), others);
    fs::remove_all(web / "kestrova");  // no earlier inventory names another front
    std::map<std::string, std::string> folder;
    std::string inventory = "12/8/2026\r\n" + front.Url("") + "\r\n";
    for (int k = 0; k < 30; ++k) {
      // Built piece by piece: GCC 12 at -O3 warns of an overlap in "p" + std::to_string(k).
      const std::string name = std::string("p").append(std::to_string(k)).append(".htm");
      folder[name] = MendingFile({"<title>" + name + "</title>"});
      inventory += name + "\r\n";
    }
    folder["inventory.txt"] = inventory + "inventory.txt\r\n";
    server.SetMendFolder(folder);
    std::string destination = front.Url("");
    EXPECT_FALSE(Publish(destination));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
    for (const auto& [name, bytes] : folder) EXPECT_EQ(MendFile(name), bytes) << name;
    EXPECT_EQ(front.reset() > 0, others == RawHttpServer::Others::kReset);
  }
}

TEST_F(PublishDriverTest, ASecondPublishWhileOneRunsIsRefused) {
  bool nested_cancel = false;
  ui.on_status_window = [&](FrmMending&) {
    if (ui.status_windows > 1) return;
    std::string nested_destination = server.SiteUrl();
    nested_cancel = Publish(nested_destination);
  };
  EXPECT_FALSE(Publish());
  EXPECT_TRUE(nested_cancel);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].icon, MsgBoxIcon::kCritical);
  EXPECT_NE(ui.messages[0].prompt.find("still preparing"), std::string::npos);
  EXPECT_EQ(ui.status_windows, 1);
}

}  // namespace
}  // namespace kestrova::testing

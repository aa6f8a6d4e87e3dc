#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/unified_diff.h"
#include "mending/head_locator.h"
#include "mending/head_rewrite.h"
#include "tests/cli/command_runner.h"
#include "tests/support/loopback_server.h"

namespace kestrova::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = FPKESTROVA_PATH;

const std::string kPage =
    "<html><head>\r\n<title>Old</title>\r\n<meta name=\"keywords\" content=\"old\">\r\n"
    "<link rel=\"stylesheet\" href=\"s.css\">\r\n</head><body>x</body></html>\r\n";
const std::string kMending =
    "<html><head>\r\n<title>New</title>\r\n<meta name=\"description\" content=\"new\x9d\">\r\n"
    "<meta name=\"keywords\" content=\"new\">\r\n<!-- Keywords by Kestrova -->\r\n"
    "<meta name=\"robots\" content=\"all\">\r\n</head></html>\r\n";

std::string Head(const std::string& page) {
  return std::string(HeadInnerHtml(page, LocateHead(page)));
}

// Every file under folder with its bytes.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    files[item.path().string()] = item.is_regular_file() ? ReadBytes(item.path().string()) : "";
  }
  return files;
}

class PublishSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_.path() / "web/a.htm", kPage);
    WriteBytes(folder_.path() / "web/notes.txt", "plain text\n");
    web_ = folder_.path().string() + "/web";
    inventory_ = "12/7/2026\r\n" + server_.SiteUrl() + "\r\na.htm\r\nnotes.txt\r\ngone.htm\r\n" +
                 "inventory.txt\r\n";
    server_.SetMendFolder({{"inventory.txt", inventory_},
                           {"a.htm", kMending},
                           {"notes.txt", kMending},
                           {"gone.htm", kMending}});
  }

  TemporaryFolder folder_{"kestrova-test"};
  std::string web_;
  std::string inventory_;
  LoopbackServer server_;
};

// The dry run leaves the web as it was, the mend folder it downloaded into too, and its diff is
// the change the publish then makes, a lone C1 byte of the mending file written out.
TEST_F(PublishSummaryTest, DryRunShowsWhatPublishThenDoes) {
  const auto before = Files(web_);
  const CommandResult dry = RunCommand(
      kProgram, {"publish", "--dry-run", web_, "-q", "--destination", server_.SiteUrl()});
  ASSERT_EQ(dry.exit_code, 0) << dry.err;
  EXPECT_EQ(Files(web_), before);
  EXPECT_EQ(dry.out.find('\x9d'), std::string::npos);
  EXPECT_NE(dry.out.find("new\\x9D"), std::string::npos) << dry.out;
  const CommandResult stat = RunCommand(
      kProgram, {"publish", "--dry-run", "--stat", web_, "-q", "--destination", server_.SiteUrl()});
  EXPECT_EQ(stat.exit_code, 0) << stat.err;
  EXPECT_EQ(Files(web_), before);

  const CommandResult real =
      RunCommand(kProgram, {"publish", web_, "-q", "--destination", server_.SiteUrl()});
  ASSERT_EQ(real.exit_code, 0) << real.err;
  const std::string mended_head = Head(ReadBytes(web_ + "/a.htm"));
  ASSERT_NE(mended_head, Head(kPage));
  EXPECT_EQ(dry.out, UnifiedDiff(Head(kPage), mended_head, "a/a.htm", "b/a.htm"));
  const DiffCounts counts = CountDiffLines(Head(kPage), mended_head);
  EXPECT_EQ(stat.out, "a.htm | +" + std::to_string(counts.added) + " -" +
                          std::to_string(counts.removed) +
                          "\nnotes.txt | passed over: it is not an HTML page.\n"
                          "gone.htm | passed over: There is no such page in the web.\n"
                          "inventory.txt | passed over: There is no such page in the web.\n"
                          "1 mended, 0 unchanged, 3 passed over\n");
}

// The dry run passes over what the publish passes over: pages a link leads to outside the web.
// A link that loops is no obstacle.
TEST_F(PublishSummaryTest, DryRunLeavesLinkedFilesAlone) {
  const std::string outside = WriteBytes(folder_.path() / "outside/b.htm", kPage);
  fs::create_symlink(outside, web_ + "/b.htm");
  fs::create_directory_symlink(folder_.path().string() + "/outside", web_ + "/sub");
  fs::create_directory_symlink(web_, web_ + "/loop");
  server_.SetMendFolder({{"inventory.txt", "12/7/2026\r\n" + server_.SiteUrl() +
                                               "\r\nb.htm\r\nsub--b.htm\r\ninventory.txt\r\n"},
                         {"b.htm", kMending},
                         {"sub--b.htm", kMending}});
  const CommandResult dry = RunCommand(
      kProgram, {"publish", "--dry-run", "--stat", web_, "-q", "--destination", server_.SiteUrl()});
  EXPECT_EQ(dry.exit_code, 0) << dry.err;
  EXPECT_EQ(dry.out.rfind("b.htm | passed over: it is a link to a file outside the web.\n", 0), 0u)
      << dry.out;
  EXPECT_EQ(ReadBytes(outside), kPage);
  EXPECT_FALSE(fs::exists(folder_.path().string() + "/outside/kestrova"));
  EXPECT_FALSE(fs::exists(web_ + "/kestrova"));
}

TEST_F(PublishSummaryTest, JsonHoldsTheCountsAndTheFailure) {
  CommandResult result =
      RunCommand(kProgram, {"publish", "--json", web_, "-q", "--destination", server_.SiteUrl()});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  // One object on one line, and nothing else on standard output.
  ASSERT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
  EXPECT_EQ(result.out.front(), '{');
  const std::string bodies = std::to_string(inventory_.size() + 3 * kMending.size());
  for (const std::string& member :
       {"\"destination\":\"" + server_.SiteUrl() + "\"", std::string("\"dry_run\":false"),
        std::string("\"entries_downloaded\":4,\"entries_on_server\":4,\"entries_dropped\":0"),
        "\"bytes_received\":" + bodies,
        std::string("\"pages_mended\":1,\"pages_unchanged\":0,\"pages_passed_over\":3"),
        std::string("{\"page\":\"notes.txt\",\"result\":\"passed over\",\"reason\":\"it is not "
                    "an HTML page.\"}"),
        std::string("\"failure\":null}")}) {
    EXPECT_NE(result.out.find(member), std::string::npos) << member << "\n" << result.out;
  }

  // The local copy is current now: nothing is downloaded and the page comes out as it is.
  result = RunCommand(kProgram, {"publish", web_, "--json", "-q"});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("\"entries_downloaded\":0,"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\"pages_mended\":0,\"pages_unchanged\":1,"), std::string::npos)
      << result.out;

  // A newer inventory whose last mending file is refused: the two fetched before it are dropped
  // with it, none is stored, and the failure names the refused request.
  server_.SetMendFolder({{"inventory.txt", "12/8/2026\r\n" + inventory_.substr(11)},
                         {"a.htm", kMending},
                         {"notes.txt", kMending}});
  server_.Set("/kestrova/gone.htm", {500, "<html>Internal Server Error</html>"});
  result = RunCommand(kProgram, {"publish", web_, "--json", "--connections", "1"});
  EXPECT_EQ(result.exit_code, 3) << result.err;
  for (const std::string& member :
       {std::string("\"entries_downloaded\":0,\"entries_on_server\":4,\"entries_dropped\":2,"),
        "\"address\":\"" + server_.Url("/kestrova/gone.htm") + "\"}"}) {
    EXPECT_NE(result.out.find(member), std::string::npos) << member << "\n" << result.out;
  }
  EXPECT_NE(result.err.find("; 0 mending files stored (2 fetched and dropped), "),
            std::string::npos)
      << result.err;

  // A site without mends: the failure, with its number, and the exit status of a cancel.
  LoopbackServer bare;
  WriteBytes(folder_.path() / "bare/a.htm", kPage);
  result =
      RunCommand(kProgram, {"publish", "--dry-run", "--json", folder_.path().string() + "/bare",
                            "--destination", bare.SiteUrl()});
  EXPECT_EQ(result.exit_code, 3) << result.err;
  EXPECT_NE(result.out.find("\"exit_code\":3,"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\"failure\":{\"number\":-2147220984,\"description\":\"Directory "
                            "\\\"kestrova\\\" not found on server.\\r\\n"),
            std::string::npos)
      << result.out;
}

}  // namespace
}  // namespace kestrova::testing

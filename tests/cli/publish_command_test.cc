#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "mending/head_locator.h"
#include "mending/head_rewrite.h"
#include "tests/cli/command_runner.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_certificates.h"

namespace kestrova::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = FPKESTROVA_PATH;
const std::string kExamples = EXAMPLES_DIR;

const std::string kMendingFile =
    "<html><head>\r\n<title>Mended</title>\r\n"
    "<meta name=\"description\" content=\"A mended page\">\r\n"
    "<meta name=\"keywords\" content=\"mended, page\">\r\n"
    "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
    "<meta name=\"robots\" content=\"all\">\r\n</head><body></body></html>\r\n";

// The page with only its head's inner HTML cut out: what must not change.
std::string OutsideHead(const std::string& page) {
  const HeadLocation head = LocateHead(page);
  return page.substr(0, head.inner_begin) + "|" + page.substr(head.inner_end);
}

const std::string kPage = "<html><head><title>x</title></head><body></body></html>";

// A web folder in a temporary folder, and a server on 127.0.0.1 to publish to.
class PublishCommandTest : public ::testing::Test {
 protected:
  TemporaryFolder folder_{"kestrova-test"};
  const std::string web_ = folder_.path().string() + "/web";
  LoopbackServer server_;
};

// A web of real pages written by others: the first pages of the Python documentation that Debian
// installs, each listed in an inventory with its mending file.
class RealWebTest : public PublishCommandTest {
 protected:
  void SetUp() override {
    const fs::path docs = "/usr/share/doc/python3.11/html/library";
    std::error_code error;
    if (!fs::is_directory(docs, error)) GTEST_SKIP() << "python3.11-doc is not installed";
    std::map<std::string, std::string> files;
    std::string inventory = "12/7/2026 7:20:00 PM\r\n" + server_.SiteUrl() + "\r\n";
    std::vector<fs::path> pages;
    for (const auto& item : fs::directory_iterator(docs)) {
      if (item.path().extension() == ".html") pages.push_back(item.path());
    }
    std::sort(pages.begin(), pages.end());
    pages.resize(std::min<std::size_t>(pages.size(), 150));
    for (const fs::path& page : pages) {
      const std::string name = page.filename().string();
      originals_[name] = ReadBytes(page);
      WriteBytes(web_ + "/library/" + name, originals_[name]);
      files["library--" + name] = kMendingFile;
      inventory += "library--" + name + "\r\n";
    }
    files["inventory.txt"] = inventory + "inventory.txt\r\n";
    server_.SetMendFolder(files);
  }

  std::map<std::string, std::string> originals_;
};

TEST_F(RealWebTest, PublishMendsEveryHeadAndNothingElse) {
  const CommandResult result =
      RunCommand(kProgram, {"publish", web_, "--destination", server_.SiteUrl()});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, server_.SiteUrl() + "\n");
  const std::string count = std::to_string(originals_.size());
  // The inventory lists itself: one more file fetched, and passed over as no page.
  EXPECT_NE(
      result.err.find("\nfpkestrova: " + count + " pages mended, 0 unchanged, 1 passed over; " +
                      std::to_string(originals_.size() + 1) + " mending files stored, "),
      std::string::npos)
      << result.err;
  const MendingHead mending =
      ReadMendingHead(HeadInnerHtml(kMendingFile, LocateHead(kMendingFile)));
  ASSERT_GT(originals_.size(), 100u);
  for (const auto& [name, original] : originals_) {
    const std::string mended = ReadBytes(web_ + "/library/" + name);
    EXPECT_EQ(OutsideHead(mended), OutsideHead(original)) << name;
    const std::string old_head(HeadInnerHtml(original, LocateHead(original)));
    EXPECT_EQ(HeadInnerHtml(mended, LocateHead(mended)), RewritePageHead(old_head, mending))
        << name;
  }
  // A second publish finds the cache current and mends the same pages to the same bytes.
  server_.ClearRequests();
  const CommandResult again = RunCommand(kProgram, {"--quiet", "publish", web_});
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(again.out, server_.SiteUrl() + "\n");  // the local inventory's address
  EXPECT_EQ(server_.Requests().size(), 2u);
  EXPECT_EQ(again.err, "");
  // The local inventory's address wins over the one given, and the terminal is told so.
  const CommandResult replaced =
      RunCommand(kProgram, {"publish", web_, "--destination", "http://www.example.com"});
  ASSERT_EQ(replaced.exit_code, 0) << replaced.err;
  EXPECT_EQ(replaced.out, server_.SiteUrl() + "\n");
  EXPECT_NE(replaced.err.find("fpkestrova: the destination is " + server_.SiteUrl() +
                              ", from line 2 of the local inventory, instead of "
                              "http://www.example.com as given.\nfpkestrova: 0 pages mended, " +
                              count + " unchanged, 1 passed over; 0 mending files stored, "),
            std::string::npos)
      << replaced.err;
}

TEST_F(PublishCommandTest, WithoutATerminalNothingWaitsForAnAnswer) {
  WriteBytes(web_ + "/index.htm", kPage);

  // No destination and no local inventory: the address prompt cannot be answered.
  CommandResult result = RunCommand(kProgram, {"publish", web_});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_NE(result.err.find("--destination"), std::string::npos) << result.err;

  // A site that is no client: publishing stops unless the script says to go on.
  result = RunCommand(kProgram, {"publish", web_, "--destination", server_.SiteUrl()});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_NE(result.err.find("Directory \"kestrova\" not found on server."), std::string::npos);
  EXPECT_EQ(result.out, "");
  result = RunCommand(
      kProgram, {"--on-missing=publish", "publish", web_, "--destination", server_.SiteUrl()});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, server_.SiteUrl() + "\n");
  EXPECT_EQ(ReadBytes(web_ + "/index.htm"), kPage);

  result = RunCommand(kProgram, {"publish", folder_.path().string() + "/none"});
  EXPECT_EQ(result.exit_code, 1);
  result = RunCommand(kProgram, {"publish", web_, "--on-missing=maybe"});
  EXPECT_EQ(result.exit_code, 2);
}

// A server whose certificate a private authority signed: without that authority the publish fails
// naming the untrusted certificate; with --cacert or SSL_CERT_FILE it publishes.
TEST_F(PublishCommandTest, TrustsAPrivateAuthorityOnlyWhenTold) {
  for (const char* name : {"SSL_CERT_FILE", "SSL_CERT_DIR", "CURL_CA_BUNDLE"}) ::unsetenv(name);
  const TestCertificate authority = MakeCertificate();
  const TestCertificate served = MakeCertificate({.authority = false}, &authority);
  LoopbackServer server(
      std::make_unique<httplib::SSLServer>(served.certificate.get(), served.key.get()), "https");
  server.SetMendFolder({{"inventory.txt", "12/7/2026 7:20:00 PM\r\n" + server.SiteUrl() +
                                              "\r\nindex.htm\r\ninventory.txt\r\n"},
                        {"index.htm", kMendingFile}});
  WriteBytes(web_ + "/index.htm", kPage);
  const std::string ca_file = WriteBytes(folder_.path() / "authority.pem", authority.pem);

  CommandResult result = RunCommand(kProgram, {"publish", web_, "--destination", server.SiteUrl()});
  EXPECT_EQ(result.exit_code, 3);
  const std::size_t named = result.err.find(
      "The certificate of 127.0.0.1 is not trusted (libcurl 60: SSL certificate problem: ");
  EXPECT_NE(named, std::string::npos) << result.err;
  EXPECT_LT(result.err.find("Server not responding"), named) << result.err;
  // The terminal then names the request that failed.
  EXPECT_GT(result.err.find("The request for \"" + server.Url("/kestrova") + "\" failed."), named);
  EXPECT_EQ(ReadBytes(web_ + "/index.htm"), kPage);

  for (const std::vector<std::string>& trust :
       {std::vector<std::string>{"--cacert", ca_file}, {}}) {
    SCOPED_TRACE(trust.empty() ? "SSL_CERT_FILE" : trust[0]);
    if (trust.empty()) ::setenv("SSL_CERT_FILE", ca_file.c_str(), 1);
    std::vector<std::string> args{"publish", web_, "--destination", server.SiteUrl()};
    args.insert(args.end(), trust.begin(), trust.end());
    result = RunCommand(kProgram, args);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, server.SiteUrl() + "\n");
    EXPECT_NE(ReadBytes(web_ + "/index.htm").find("<title>Mended</title>"), std::string::npos);
  }
  ::unsetenv("SSL_CERT_FILE");
}

// A password in the destination is sent, but never shown: not in a failure's description (the
// destination in front, a request's address, the secure connection's detail), the status lines,
// the verbose states, the dry run or the JSON summary.
TEST_F(PublishCommandTest, APasswordInTheDestinationIsNeverShown) {
  WriteBytes(web_ + "/index.htm", kPage);
  server_.Set("/kestrova", Answer(200));
  server_.Set("/kestrova/inventory.txt", Answer(500));
  const std::string address = "http://editor:secret@" + server_.SiteUrl().substr(7);
  // The plain server cannot agree a secure connection with the https run.
  for (const auto& [flag, url] : std::vector<std::pair<std::string, std::string>>{
           {"-v", address}, {"--dry-run", address}, {"--json", "https" + address.substr(4)}}) {
    const CommandResult result =
        RunCommand(kProgram, {"publish", flag, web_, "--destination", url});
    EXPECT_EQ(result.exit_code, 3) << flag;
    EXPECT_EQ((result.err + result.out).find("secret"), std::string::npos)
        << result.err << result.out;
    EXPECT_NE(
        (result.err + result.out).find(url.substr(0, url.find(':') + 3) + "editor:***@127.0.0.1:"),
        std::string::npos)
        << result.err;
    if (flag == "--json") {
      EXPECT_NE(result.out.find("\"address\":\"https://editor:***@"), std::string::npos);
    }
  }
  EXPECT_EQ(server_.Requests().size(), 4u);  // the plain runs asked for kestrova/ and its inventory
}

// What the server sent reaches the terminal with its control characters escaped: line 2 of the
// inventory printed as the destination, an entry named in a failure.
TEST_F(PublishCommandTest, ServerTextIsPrintedEscaped) {
  WriteBytes(web_ + "/a.htm", kPage);
  WriteBytes(folder_.path() / "other/a.htm", kPage);
  server_.SetMendFolder({{"inventory.txt", "12/7/2026\n" + server_.SiteUrl() +
                                               "/\xc2\x9b"
                                               "2J\x1b]0;x\x07\na.htm\ninventory.txt\n"},
                         {"a.htm", "<head><meta name=a><meta name=b><meta name=c></head>"}});
  CommandResult result =
      RunCommand(kProgram, {"publish", web_, "-v", "--destination", server_.SiteUrl()});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  // The next publish takes its destination from line 2 of the stored inventory.
  result = RunCommand(kProgram, {"--on-missing=publish", "publish", web_});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, server_.SiteUrl() + "/\\u009B2J\\x1B]0;x\\x07\n");

  server_.SetMendFolder(
      {{"inventory.txt", "12/8/2026\n" + server_.SiteUrl() + "\nb\x1b[2J.htm\n"}});
  result = RunCommand(kProgram, {"publish", folder_.path().string() + "/other", "-v",
                                 "--destination", server_.SiteUrl()});
  EXPECT_NE(result.exit_code, 0);
  EXPECT_NE(result.err.find("b\\x1B[2J.htm"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
}

TEST_F(PublishCommandTest, CtrlCCancelsThePublishUnderWay) {
  WriteBytes(web_ + "/a.htm", kPage);
  const std::string mending = "<head><a1><a2><a3></head>";
  server_.SetMendFolder(
      {{"inventory.txt", "12/7/2026\n" + server_.SiteUrl() + "\na.htm\nb.htm\ninventory.txt\n"},
       {"b.htm", mending}});
  server_.Set("/kestrova/a.htm", {200, mending, "", std::chrono::milliseconds(1500)});
  // SIGTERM and SIGHUP cancel as Ctrl-C does; a dry run leaves nothing at all behind, and makes
  // no folder even when it is killed outright.
  for (const auto& [signal, dry_run] : {std::pair{SIGKILL, true}, std::pair{SIGTERM, true},
                                        std::pair{SIGHUP, true}, std::pair{SIGINT, false}}) {
    std::vector<std::string> args = {"publish", web_, "--destination", server_.SiteUrl()};
    if (dry_run) args.push_back("--dry-run");
    const CommandResult result = RunCommand(kProgram, args, signal, std::chrono::milliseconds(500));
    if (signal != SIGKILL) {
      EXPECT_EQ(result.exit_code, 3) << signal << result.err;
    }
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(fs::exists(web_ + "/kestrova"), !dry_run) << signal;
  }
  // The slow request was stopped: the inventory, committed only once every other file has
  // landed, was not stored, and no page was written.
  EXPECT_FALSE(fs::exists(web_ + "/kestrova/inventory.txt"));
  EXPECT_EQ(ReadBytes(web_ + "/a.htm"), kPage);
}

// Killed while it puts the pages in place, a publish leaves each page old or new, never half
// written; the next publish completes the set, and one more finds nothing left to mend.
TEST_F(PublishCommandTest, AKilledCommitLeavesEachPageOldOrNewAndARerunCompletesIt) {
  const std::string clean = folder_.path().string() + "/clean";
  std::map<std::string, std::string> mend_folder;
  std::string inventory = "12/7/2026\n" + server_.SiteUrl() + "\n";
  std::vector<std::string> names;
  for (int k = 0; k < 1000; ++k) {
    // Built piece by piece: GCC 12 at -O3 warns of an overlap in "p" + std::to_string(k).
    names.push_back(std::string("p").append(std::to_string(k)).append(".htm"));
    inventory += names.back() + "\n";
    mend_folder[names.back()] = kMendingFile;
    for (const std::string& where : {web_, clean}) {
      WriteBytes(where + "/" + names.back(),
                 "<html><head><title>" + names.back() + "</title></head></html>");
    }
  }
  mend_folder["inventory.txt"] = inventory + "inventory.txt\n";
  server_.SetMendFolder(mend_folder);
  const auto run = [&](const std::string& where, int signal = 0,
                       const std::function<bool()>& when = {}) {
    return RunCommand(kProgram, {"publish", "-q", "--destination", server_.SiteUrl(), where},
                      signal, std::chrono::seconds(30), when);
  };
  const CommandResult reference = run(clean);
  ASSERT_EQ(reference.exit_code, 0) << reference.err;
  const std::string old_first = ReadBytes(web_ + "/" + names[0]);
  // The first page staged is the first renamed: once it changes, the renames are under way.
  run(web_, SIGKILL, [&] { return ReadBytes(web_ + "/" + names[0]) != old_first; });
  std::size_t new_pages = 0;
  for (const std::string& name : names) {
    const std::string page = ReadBytes(web_ + "/" + name);
    const std::string mended = ReadBytes(clean + "/" + name);
    EXPECT_TRUE(page == mended || page == "<html><head><title>" + name + "</title></head></html>")
        << name << ": " << page;
    if (page == mended) ++new_pages;
  }
  std::cout << new_pages << " of " << names.size() << " pages were put in place before the kill\n";
  ASSERT_EQ(run(web_).exit_code, 0);
  for (const std::string& name : names) {
    EXPECT_EQ(ReadBytes(web_ + "/" + name), ReadBytes(clean + "/" + name)) << name;
  }
  EXPECT_FALSE(HoldsTemporaryFile(web_));
  const CommandResult again = RunCommand(kProgram, {"publish", web_, "--json", "-q"});
  EXPECT_NE(again.out.find(
                "\"pages_mended\":0,\"pages_unchanged\":" + std::to_string(names.size()) + ","),
            std::string::npos)
      << again.out;
}

// The real writer checked against the system calls it makes: the pages, the mending file and the
// inventory are flushed before they take their names (every page's bytes before the first page's
// name, the folders of the pages after the last), the mend folder is flushed after the
// mending file is renamed and before the inventory is, and nothing flushes a whole file system.
TEST_F(PublishCommandTest, FilesReachTheDiskBeforeTheNamesThatNeedThem) {
  WriteBytes(web_ + "/a.htm", kPage);
  WriteBytes(web_ + "/sub/b.htm", kPage);
  const std::string mending = "<head><meta name=a><meta name=b><meta name=c></head>";
  server_.SetMendFolder({{"inventory.txt", "12/7/2026\n" + server_.SiteUrl() +
                                               "\na.htm\nsub--b.htm\ninventory.txt\n"},
                         {"a.htm", mending},
                         {"sub--b.htm", mending}});
  const std::string trace = folder_.path().string() + "/trace";
  // LeakSanitizer cannot work in a traced program; the untraced runs check for leaks.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string no_leak_check =
      "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":detect_leaks=0";
  const CommandResult result =
      RunCommand(STRACE_PATH, {"-f", "-o", trace, "-s", "4096", "-E", no_leak_check, "-e",
                               "trace=%file,fsync,fdatasync,syncfs", kProgram, "publish", web_,
                               "--destination", server_.SiteUrl()});
  ASSERT_EQ(result.exit_code, 0) << "strace must be installed and allowed to trace: " << result.err;

  // The trace replayed: the file each descriptor is open on, and for each path the line of its
  // last flush, or of its last rename with whether its bytes were flushed before.
  std::map<long, std::string> fds;
  std::map<std::string, std::size_t> synced;
  std::map<std::string, std::pair<std::size_t, bool>> renamed;
  std::size_t last_flush = 0;  // the line of the last flush of a file's bytes
  bool whole_file_system = false;
  const std::regex call(R"(^(\w+)\((.*)\)\s+= (-?\d+))");
  const std::regex quoted("\"([^\"]*)\"");
  // Each line begins with its thread's id; a call another thread interrupted is split in two,
  // its arguments on one line and its result on a later one, where it counts.
  const std::regex thread_line(R"(^(\d+)\s+(.*)$)");
  const std::regex resumed(R"(^<\.\.\. \w+ resumed>(.*)$)");
  std::map<std::string, std::string> unfinished;
  std::istringstream lines(ReadBytes(trace));
  std::size_t at = 0;
  for (std::string raw; std::getline(lines, raw); ++at) {
    std::smatch parts;
    if (!std::regex_match(raw, parts, thread_line)) continue;
    const std::string thread = parts[1];
    std::string line = parts[2];
    if (const std::size_t cut = line.find(" <unfinished ...>"); cut != std::string::npos) {
      unfinished[thread] = line.substr(0, cut);
      continue;
    }
    if (std::smatch rest; std::regex_match(line, rest, resumed)) {
      line = unfinished[thread] + std::string(rest[1]);
    }
    std::smatch match;
    if (!std::regex_search(line, match, call) || std::stol(match[3]) < 0) continue;
    const std::string name = match[1];
    const std::string args = match[2];
    std::vector<std::string> paths;
    for (std::sregex_iterator it(args.begin(), args.end(), quoted), end; it != end; ++it) {
      paths.push_back((*it)[1]);
    }
    const long fd = std::atol(args.c_str());
    if ((name == "openat" || name == "open") && !paths.empty()) {
      fds[std::stol(match[3])] = paths[0];
    } else if (name == "fsync" || name == "fdatasync") {
      synced[fds[fd]] = at;
      if (name == "fdatasync") last_flush = at;
    } else if (name == "syncfs") {
      whole_file_system = true;
    } else if (name.rfind("rename", 0) == 0 && paths.size() == 2) {
      renamed[paths[1]] = {at, synced.count(paths[0]) > 0};
    }
  }
  const std::string mend = web_ + "/kestrova";
  for (const std::string& path :
       {web_ + "/a.htm", web_ + "/sub/b.htm", mend + "/inventory.txt", mend + "/a.htm"}) {
    ASSERT_EQ(renamed.count(path), 1u) << path << " was not renamed into place";
  }
  // The pages: the bytes of every one flushed before the first is renamed, then each folder once.
  const auto [first_page, last_page] =
      std::minmax(renamed[web_ + "/a.htm"].first, renamed[web_ + "/sub/b.htm"].first);
  EXPECT_LT(last_flush, first_page) << "a page was renamed before every page's bytes were flushed";
  for (const std::string& page_folder : {web_, web_ + "/sub"}) {
    ASSERT_EQ(synced.count(page_folder), 1u) << page_folder << " was not flushed";
    EXPECT_GT(synced[page_folder], last_page)
        << page_folder << " was flushed before its page's name";
  }
  EXPECT_TRUE(renamed[mend + "/inventory.txt"].second) << "the inventory's bytes were not flushed";
  EXPECT_TRUE(renamed[mend + "/a.htm"].second) << "the mending file's bytes were not flushed";
  EXPECT_FALSE(whole_file_system) << "a whole file system was flushed";
  ASSERT_EQ(synced.count(mend), 1u) << "the mend folder was not flushed";
  EXPECT_GT(synced[mend], renamed[mend + "/a.htm"].first);
  EXPECT_LT(synced[mend], renamed[mend + "/inventory.txt"].first);
}

// A web whose mend folder lists pages that a site serves in every way verify tells apart.
class VerifyCommandTest : public PublishCommandTest {
 protected:
  void SetUp() override {
    std::string inventory = "12/7/2026 7:20:00 PM\r\n" + server_.SiteUrl() + "\r\n";
    for (const char* name : {"mended.htm", "stale.htm", "gone.htm", "picture.htm", "endless.htm",
                             "moved.htm", "broken.htm"}) {
      WriteBytes(web_ + "/" + name, kPage);
      WriteBytes(web_ + "/kestrova/" + name, kMendingFile);
      inventory += std::string(name) + "\r\n";
    }
    WriteBytes(web_ + "/kestrova/inventory.txt", inventory + "inventory.txt\r\n");
    const MendingHead mending =
        ReadMendingHead(HeadInnerHtml(kMendingFile, LocateHead(kMendingFile)));
    const HeadLocation head = LocateHead(kPage);
    mended_ =
        ReplaceHeadInnerHtml(kPage, head, RewritePageHead(HeadInnerHtml(kPage, head), mending));
    server_.Set("/mended.htm", {200, mended_});
    server_.Set("/stale.htm", {200, kPage});
    server_.Set("/gone.htm", {410, "gone"});
    Answer picture(200, "\x89PNG\r\n\x1a\n");
    picture.content_type = "image/png";
    server_.Set("/picture.htm", picture);
    // 16 MiB that would take minutes in pieces of 16 KB, 20 ms apart: only the head is read.
    Answer endless(200, mended_ + std::string(std::size_t{16} << 20, ' '));
    endless.piece = 16 * 1024;
    endless.gap = std::chrono::milliseconds{20};
    server_.Set("/endless.htm", endless);
    server_.Set("/moved.htm", {200, {}, other_.Url("/moved.htm")});
    other_.Set("/moved.htm", {200, mended_});
    server_.Set("/broken.htm", {500, "<html><head></head></html>"});
  }

  LoopbackServer other_;
  std::string mended_;
};

TEST_F(VerifyCommandTest, ReportsEachPageAsTheSiteServesIt) {
  CommandResult result = RunCommand(kProgram, {"verify", web_, "--diff"});
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_TRUE(result.out.starts_with("stale.htm | stale\n--- a/stale.htm\n+++ b/stale.htm\n@@ "))
      << result.out;
  EXPECT_NE(result.out.find("\n-<title>x</title>\n"), std::string::npos) << result.out;
  EXPECT_TRUE(
      result.out.ends_with("\ngone.htm | missing (410)\n"
                           "picture.htm | not HTML: it is served as \"image/png\".\n"
                           "broken.htm | failed (500)\n"))
      << result.out;
  EXPECT_NE(result.err.find("fpkestrova: 3 of 7 pages carry their mends; 1 stale, 1 missing, "
                            "1 not HTML, 1 failed; 1 passed over; "),
            std::string::npos)
      << result.err;
  // The endless page was dropped once its head had ended; the server notices the next write.
  for (int i = 0; i < 100 && server_.Abandoned().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds{50});
  }
  EXPECT_EQ(server_.Abandoned(), std::vector<std::string>{"/endless.htm"});
  EXPECT_LT(result.err.size(), 300u);

  // Pages that are only stale, missing or not HTML: a status of their own.
  server_.Set("/broken.htm", {200, mended_});
  result = RunCommand(kProgram, {"verify", web_, "--json"});
  EXPECT_EQ(result.exit_code, 4) << result.err;
  EXPECT_NE(result.out.find("{\"page\":\"moved.htm\",\"result\":\"mended\",\"address\":\"" +
                            server_.Url("/moved.htm") + "\",\"status\":200}"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\"pages_mended\":4,\"pages_stale\":1,\"pages_missing\":1,"
                            "\"pages_not_html\":1,\"pages_failed\":0,\"pages_passed_over\":1,"),
            std::string::npos)
      << result.out;

  // Every page carries its mend: nothing but the closing line, and nothing was written.
  for (const char* name : {"/stale.htm", "/gone.htm", "/picture.htm"}) {
    server_.Set(name, {200, mended_});
  }
  result = RunCommand(kProgram, {"verify", web_});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadBytes(web_ + "/stale.htm"), kPage);
  EXPECT_EQ(RunCommand(kProgram, {"verify"}).exit_code, 2);
  // A page served as HTML that is no text is no page.
  server_.Set("/stale.htm", {200, "\x89PNG\r\n\x1a\n"});
  result = RunCommand(kProgram, {"verify", web_});
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_EQ(result.out, "stale.htm | not HTML: it is not text but a PNG picture.\n");
  // An entry naming a file outside the web stops the check.
  const std::string inventory = web_ + "/kestrova/inventory.txt";
  const std::string listed = ReadBytes(inventory);
  WriteBytes(inventory, listed + "..--stale.htm\r\n");
  result = RunCommand(kProgram, {"verify", web_});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("lists the entry \"..--stale.htm\""), std::string::npos) << result.err;
  // A mending file that is a link out of the mend folder is not read.
  WriteBytes(inventory, listed);
  fs::remove(web_ + "/kestrova/stale.htm");
  fs::create_symlink(WriteBytes(folder_.path() / "outside.htm", kMendingFile),
                     web_ + "/kestrova/stale.htm");
  result = RunCommand(kProgram, {"verify", web_});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.err.find("a link that does not lead"), std::string::npos) << result.err;
}

TEST(DemoCommandTest, PublishesTheBundledExample) {
  const CommandResult result = RunCommand(kProgram, {"demo", "--examples", kExamples});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("Publishing may go on."), std::string::npos);
  EXPECT_NE(result.out.find("<title>Harbour Widgets - hand-made brass and oak widgets</title>"),
            std::string::npos);
  // The marks of the earlier mend in the example's home page are gone after the publish.
  const std::string after = result.out.substr(result.out.find("The heads after"));
  EXPECT_EQ(after.find("old shop"), std::string::npos);
}

TEST(MenuCommandTest, ShowsTheKestrovaMenu) {
  const CommandResult result = RunCommand(kProgram, {"menu"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("  Frames\n  Kestrova\n    Demo mend (disabled until a web is opened)\n"
                            "    Register\n    About\n  Window\n"),
            std::string::npos)
      << result.out;
  const CommandResult demo = RunCommand(kProgram, {"demo-mend"});
  EXPECT_EQ(demo.exit_code, 0);
  EXPECT_NE(demo.err.find("No demo here."), std::string::npos) << demo.err;
}

}  // namespace
}  // namespace kestrova::testing

#include <gtest/gtest.h>

#include <string>

#include "tests/cli/command_runner.h"

namespace kestrova::testing {
namespace {

const std::string kProgram = FPKESTROVA_PATH;
const std::string kExamples = EXAMPLES_DIR;

const std::string kMending =
    "<html><head>\r\n<title>New title</title>\r\n"
    "<meta name=\"description\" content=\"New description\">\r\n"
    "<meta name=\"keywords\" content=\"new, words\">\r\n"
    "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
    "<meta name=\"robots\" content=\"all\">\r\n</head><body>ignored</body></html>\r\n";

const std::string kNewHead =
    "<title>New title</title>\r\n<meta name=\"description\" content=\"New description\">\r\n"
    "<meta name=\"GENERATOR\" content=\"FrontPage\">\r\n"
    "<meta name=\"keywords\" content=\"new, words\">\r\n"
    "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
    "<meta name=\"robots\" content=\"all\">\r\n";

TEST(PreviewCommandTest, RewritesOnlyTheHeadsInnerHtml) {
  TemporaryFolder folder{"kestrova-test"};
  const std::string before = "<!DOCTYPE html>\n<HTML lang=en>\n<Head profile=\"x\">";
  const std::string old_head =
      "\n<meta name=\"GENERATOR\" content=\"FrontPage\">\n<title>Old</title>\n"
      "<meta name=\"description\" content=\"old\">\n";
  const std::string after = "</head>\n<body>\n<p>caf\xc3\xa9 \xff bytes &amp; all</p>\n</body>\n";
  const std::string page = before + old_head + after;
  const std::string page_path = WriteBytes(folder.path() / "page.htm", page);
  const std::string mending_path = WriteBytes(folder.path() / "mending.htm", kMending);

  const CommandResult result = RunCommand(kProgram, {"preview", page_path, mending_path});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, before + kNewHead + after);
  EXPECT_EQ(result.err, "");
  // Neither file changes.
  EXPECT_EQ(ReadBytes(page_path), page);
  EXPECT_EQ(ReadBytes(mending_path), kMending);
}

TEST(PreviewCommandTest, GivesAPageWithoutHeadOneWhereTheParserImpliesIt) {
  TemporaryFolder folder{"kestrova-test"};
  const std::string page =
      "<html>\r\n<meta name=\"GENERATOR\" content=\"FrontPage\">\r\n<body>\r\n<p>x</p>\r\n</html>";
  const CommandResult result =
      RunCommand(kProgram, {"preview", WriteBytes(folder.path() / "p.htm", page),
                            WriteBytes(folder.path() / "m.htm", kMending)});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "<html>\r\n<head>" + kNewHead + "</head><body>\r\n<p>x</p>\r\n</html>");
}

// Server code before the page stays first; the mend goes into the page's own head.
TEST(PreviewCommandTest, MendsAnAspPageInItsOwnHead) {
  TemporaryFolder folder{"kestrova-test"};
  const std::string before =
      "<%@ LANGUAGE=\"VBSCRIPT\" %>\r\n<% If a > b Then x = 1 %>\r\n<html><head>";
  const std::string after = "</head><body><%= x %></body></html>";
  const std::string page =
      before + "<meta name=\"GENERATOR\" content=\"FrontPage\"><title>Old</title>";
  const CommandResult result =
      RunCommand(kProgram, {"preview", WriteBytes(folder.path() / "p.asp", page + after),
                            WriteBytes(folder.path() / "m.htm", kMending)});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, before + kNewHead + after);
}

TEST(PreviewCommandTest, MendsTheBundledExample) {
  const CommandResult result =
      RunCommand(kProgram, {"preview", kExamples + "/web/products/widgets.htm",
                            kExamples + "/service/kestrova/products--widgets.htm"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            "<html>\r\n<head><title>Brass, copper and oak widgets in every size</title>\r\n"
            "<meta name=\"description\" content=\"Widgets in every size, made by hand.\">\r\n"
            "<meta name=\"keywords\" content=\"brass widgets, copper widgets, oak widgets\">\r\n"
            "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
            "<meta name=\"robots\" content=\"index, follow\">\r\n"
            "</head><body>\r\n<h1>Widgets</h1>\r\n"
            "<p>Brass, copper and oak widgets in every size.</p>\r\n</body>\r\n</html>\r\n");
}

TEST(PreviewCommandTest, FailuresGoToStandardErrorWithNonZeroExit) {
  TemporaryFolder folder{"kestrova-test"};
  const std::string page = WriteBytes(folder.path() / "page.htm", "<head><title>x</title></head>");
  struct Case {
    const char* what;
    std::string page;
    std::string mending;
    const char* message;
  };
  const Case cases[] = {
      {"missing page", folder.path().string() + "/none.htm",
       WriteBytes(folder.path() / "m.htm", kMending), "No such file or directory"},
      {"missing mending file", page, folder.path().string() + "/none.htm", "none.htm"},
      {"a folder is no file", page, folder.path(), "Is a directory"},
      {"a mending head of two elements", page,
       WriteBytes(folder.path() / "short.htm",
                  "<head><title>a</title><meta name=x content=y></head>"),
       "at least three"},
      {"a malformed mending head", page,
       WriteBytes(folder.path() / "bad.htm",
                  "<head><meta a=1><meta b=2><link c=3><!-- never closed</head>"),
       "mending head"},
      {"a page whose title is never closed",
       WriteBytes(folder.path() / "open.htm", "<head><title>x</head><body>text</body>"),
       WriteBytes(folder.path() / "m2.htm", kMending), "<title> element is never closed"},
      {"a picture named as a page", WriteBytes(folder.path() / "p.htm", "GIF89a<head></head>"),
       WriteBytes(folder.path() / "m3.htm", kMending), "not text but a GIF picture"},
      {"server code never closed", WriteBytes(folder.path() / "o.asp", "<% If a Then"),
       WriteBytes(folder.path() / "m4.htm", kMending), "server code"},
  };
  for (const Case& c : cases) {
    const CommandResult result = RunCommand(kProgram, {"preview", c.page, c.mending});
    EXPECT_EQ(result.exit_code, 1) << c.what;
    EXPECT_EQ(result.out, "") << c.what;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
  }
}

TEST(PreviewCommandTest, CommandLine) {
  const CommandResult help = RunCommand(kProgram, {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("preview PAGE MENDING"), std::string::npos);
  EXPECT_EQ(RunCommand(kProgram, {"help"}).out, help.out);

  const CommandResult version = RunCommand(kProgram, {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("fpkestrova ", 0), 0u) << version.out;

  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"frobnicate"}, {"preview"}, {"preview", "a", "b", "c"}}) {
    const CommandResult result = RunCommand(kProgram, args);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find("--help"), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrova::testing

#include "cli/unified_diff.h"

#include <gtest/gtest.h>

#include <random>

#include "cli/json_text.h"
#include "tests/cli/command_runner.h"

namespace kestrova::testing {
namespace {

// A text of count lines drawn from a few words, so that two texts share many lines; the last
// line keeps its line break or not.
std::string RandomText(std::mt19937& random, std::size_t count, bool final_newline) {
  static const char* const kWords[] = {"<title>a</title>", "<meta b>", "<meta c>",
                                       "<link d>",         "",         "\t<e>"};
  std::string text;
  for (std::size_t k = 0; k < count; ++k) {
    text += kWords[random() % std::size(kWords)];
    if (k + 1 < count || final_newline) text += '\n';
  }
  return text;
}

// patch, given the diff, turns the first text into the second; the counts are the diff's lines.
TEST(UnifiedDiffTest, PatchAppliesTheDiff) {
  TemporaryFolder folder{"kestrova-test"};
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    const std::string before = RandomText(random, random() % 30, random() % 4 != 0);
    const std::string after = RandomText(random, random() % 30, random() % 4 != 0);
    const std::string diff = UnifiedDiff(before, after, "a/p.htm", "b/p.htm");
    if (before == after) {
      EXPECT_EQ(diff, "");
      continue;
    }
    const DiffCounts counts = CountDiffLines(before, after);
    std::size_t added = 0;
    std::size_t removed = 0;
    for (std::size_t at = diff.find('\n') + 1; at < diff.size(); at = diff.find('\n', at) + 1) {
      if (diff.compare(at, 4, "+++ ") != 0 && diff[at] == '+') ++added;
      if (diff.compare(at, 4, "--- ") != 0 && diff[at] == '-') ++removed;
    }
    EXPECT_EQ(counts.added, added) << diff;
    EXPECT_EQ(counts.removed, removed) << diff;
    // Not quiet: a hunk that patch places only at an offset or with fuzz has a wrong header.
    const CommandResult result =
        RunCommand("/usr/bin/patch", {"--force", "-o", folder.path().string() + "/out",
                                      WriteBytes(folder.path() / "before", before), "-i",
                                      WriteBytes(folder.path() / "diff", diff)});
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err << diff;
    EXPECT_EQ(result.out.find("offset"), std::string::npos) << result.out << diff;
    EXPECT_EQ(result.out.find("fuzz"), std::string::npos) << result.out << diff;
    EXPECT_EQ(ReadBytes(folder.path().string() + "/out"), after) << diff;
  }
}

// An empty side has the range 0,0, as diff -u writes it.
TEST(UnifiedDiffTest, AnEmptySideHasTheEmptyRange) {
  EXPECT_EQ(UnifiedDiff("", "a\n", "x", "y"), "--- x\n+++ y\n@@ -0,0 +1 @@\n+a\n");
  EXPECT_EQ(UnifiedDiff("a\nb\n", "", "x", "y"), "--- x\n+++ y\n@@ -1,2 +0,0 @@\n-a\n-b\n");
}

// What a server sent cannot drive the terminal through a diff: control characters are written
// out, tabs and CR LF line ends are shown as they read.
TEST(UnifiedDiffTest, ShowsControlCharactersEscaped) {
  EXPECT_EQ(UnifiedDiff("<a>\r\n\t<b>\r\n", "<a>\r\n<c \x1b[2J>", "x", "y"),
            "--- x\n+++ y\n@@ -1,2 +1,2 @@\n <a>\n-\t<b>\n+<c \\x1B[2J>\n"
            "\\ No newline at end of file\n");
}

TEST(JsonStringTest, IsValidJsonForAnyBytes) {
  EXPECT_EQ(JsonString("a\"b\\c\nd\te\x01\x1f"), "\"a\\\"b\\\\c\\nd\\te\\u0001\\u001F\"");
  // Valid UTF-8 stays; C1 controls and DEL are escaped.
  EXPECT_EQ(JsonString("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
            "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"");
  EXPECT_EQ(JsonString("\xc2\x9b\x7f"), "\"\\u009B\\u007F\"");
  // Bytes of another encoding, a cut sequence, an overlong form and a surrogate.
  EXPECT_EQ(JsonString("caf\xe9"), "\"caf\\u00E9\"");
  EXPECT_EQ(JsonString("\xe2\x82"), "\"\\u00E2\\u0082\"");
  EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\u00C0\\u00AF\"");
  EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\u00ED\\u00A0\\u0080\"");
}

}  // namespace
}  // namespace kestrova::testing

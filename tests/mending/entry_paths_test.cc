#include "mending/entry_paths.h"

#include <gtest/gtest.h>

#include "mending/page_rule.h"

namespace kestrova {
namespace {

TEST(EntryPathsTest, EntriesNameTheirPageAndMendingFile) {
  struct Case {
    const char* entry;
    const char* page;
    const char* mending_file;
  };
  const Case cases[] = {
      {"index.htm", "C:\\web\\index.htm", "C:\\web\\kestrova\\index.htm"},
      {"products--index.htm", "C:\\web\\products\\index.htm",
       "C:\\web\\kestrova\\products--index.htm"},
      {"a--b--c.htm", "C:\\web\\a\\b\\c.htm", "C:\\web\\kestrova\\a--b--c.htm"},
      {"a---b", "C:\\web\\a\\-b", "C:\\web\\kestrova\\a---b"},
      {"a----b", "C:\\web\\a\\\\b", "C:\\web\\kestrova\\a----b"},
      {"inventory.txt", "C:\\web\\inventory.txt", "C:\\web\\kestrova\\inventory.txt"},
      {"Trailing Space.htm ", "C:\\web\\Trailing Space.htm ",
       "C:\\web\\kestrova\\Trailing Space.htm "},
      {"", "C:\\web\\", "C:\\web\\kestrova\\"},
  };
  const std::string mend = MendFolderPath("C:\\web", '\\');
  EXPECT_EQ(mend, "C:\\web\\kestrova");
  EXPECT_EQ(InventoryPath(mend, '\\'), "C:\\web\\kestrova\\inventory.txt");
  for (const Case& c : cases) {
    EXPECT_EQ(EntryPagePath("C:\\web", c.entry, '\\'), c.page) << c.entry;
    EXPECT_EQ(EntryMendingFilePath(mend, c.entry, '\\'), c.mending_file) << c.entry;
  }
}

TEST(EntryPathsTest, UsesThePlatformSeparatorByDefault) {
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(EntryPagePath("web", "x--y.htm"), "web" + sep + "x" + sep + "y.htm");
}

// A page is known by the extension after its name's last dot.
TEST(EntryPathsTest, APagesExtensionFollowsItsLastDot) {
  EXPECT_EQ(ClassifyEntry("index.en.html"), EntryKind::kPageByName);
  EXPECT_EQ(ClassifyEntry("docs--manual.v2.HTM"), EntryKind::kPageByName);
  EXPECT_EQ(ClassifyEntry("archive.html.gz"), EntryKind::kPageIfContentIsHtml);
  EXPECT_EQ(ClassifyEntry("html"), EntryKind::kPageIfContentIsHtml);
}

// Leading server code is stepped over before a file is judged HTML; a file that is no text is
// named for what it is, whatever its name.
TEST(EntryPathsTest, AFilesStartTellsWhetherItIsAPage) {
  const std::string php = "<?php $a->b(); ?>\n<?= $x ?>\n<!DOCTYPE html>";
  EXPECT_TRUE(BeginsAsHtml(php));
  EXPECT_EQ(SniffLengthNeeded(php), 28 + kHtmlSniffLength);
  EXPECT_FALSE(BeginsAsHtml("<?php echo '<html>';"));  // a program to its end
  EXPECT_FALSE(BeginsAsHtml("<?xml version=\"1.0\"?><html>"));
  EXPECT_EQ(WhatIsNotText("\xFF\xD8\xFF\xE0\x00\x10JFIF"), "a JPEG picture");
  EXPECT_EQ(WhatIsNotText("%PDF-1.4\n<html>"), "a PDF document");
  EXPECT_EQ(WhatIsNotText(std::string("<html>\0<head>", 13)), "binary data");
  EXPECT_EQ(WhatIsNotText(std::string(kHtmlSniffLength, ' ') + '\0'), "");
  EXPECT_EQ(WhatIsNotText("\xEF\xBB\xBF<html>\x83\x5c"), "");
}

}  // namespace
}  // namespace kestrova

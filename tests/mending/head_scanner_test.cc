#include "mending/head_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"

namespace kestrova {
namespace {

std::vector<std::string> Texts(std::string_view head) {
  std::vector<std::string> texts;
  for (const HeadElement& element : ScanHeadElements(head)) texts.emplace_back(element.text);
  return texts;
}

struct ScanCase {
  const char* what;
  std::string head;
  std::vector<std::string> elements;
};

TEST(ScanHeadElementsTest, CutsHeadsIntoElements) {
  const std::vector<ScanCase> cases = {
      {"tags without closing tag end at their own >",
       "<meta a=1>\r\n<link rel=x>",
       {"<meta a=1>", "<link rel=x>"}},
      {"a closing tag is found ignoring case",
       "<TITLE>Home</title><meta x=y>",
       {"<TITLE>Home</title>", "<meta x=y>"}},
      {"a script body may hold < and >",
       "<script>if (a<b && c>d) {}</script><link>",
       {"<script>if (a<b && c>d) {}</script>", "<link>"}},
      {"the first closing tag ends the element",
       "<style>a</style>b</style>",
       {"<style>a</style>", "</style>"}},
      {"comments run to the first -->",
       "<!-- a <b> -- c --><!---->",
       {"<!-- a <b> -- c -->", "<!---->"}},
      {"the shortest comments", "<!--><!--->", {"<!-->", "<!--->"}},
      {"stray text belongs to no element", "text < b>\r\n more <br> end", {"< b>", "<br>"}},
      {"spaces after < are skipped for the name", "< title >x</title>", {"< title >x</title>"}},
      {"a closing tag with a blank is no closing tag",
       "<title>x</title ><meta>",
       {"<title>", "</title >", "<meta>"}},
      {"a > inside a quoted value does not end the tag",
       "<meta name=\"d\" content=\"a>b\"><link>",
       {"<meta name=\"d\" content=\"a>b\">", "<link>"}},
      {"a quoted > in a tag with a closing tag",
       "<a title='x>y'>t</a><b>",
       {"<a title='x>y'>t</a>", "<b>"}},
      {"a tag name ends at a line break too, so the body stays with its tag",
       "<script\r\n  src=\"a.js\">var a;</script><style\ttype=x>p{}</STYLE>",
       {"<script\r\n  src=\"a.js\">var a;</script>", "<style\ttype=x>p{}</STYLE>"}},
      {"server code is an element, and a > or a quote inside it ends nothing",
       "<% If a > b Then %><meta name=k content=<%= v(\">\") %>><?php echo $a->b; ?>",
       {"<% If a > b Then %>", "<meta name=k content=<%= v(\">\") %>>", "<?php echo $a->b; ?>"}},
      {"an empty head", "", {}},
      {"white space only", " \r\n\t ", {}},
  };
  for (const ScanCase& c : cases) {
    EXPECT_EQ(Texts(c.head), c.elements) << c.what;
  }
}

// The opening part and the tag text end at the tag's own closing bracket.
TEST(ScanHeadElementsTest, OpeningPartEndsAtTheTagsOwnClosingBracket) {
  const auto elements = ScanHeadElements(
      "<script\r\n src=\"a>b\">x>y</script><!-- a > b --><meta name=\"k\" content=\"a, b\">\r\n");
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[2].tag_text, "<meta name=\"k\" content=\"a, b\"");
  EXPECT_EQ(elements[0].text.substr(0, elements[0].opening_length), "<script\r\n src=\"a>b\"");
  EXPECT_FALSE(elements[0].is_comment);
  EXPECT_EQ(elements[1].text.substr(0, elements[1].opening_length), "<!-- a ");
  EXPECT_TRUE(elements[1].is_comment);
}

struct NameCase {
  const char* head;
  bool has_name;
  std::string name;
};

TEST(ScanHeadElementsTest, MetaNameValuesFollowTheFirstAttributeRule) {
  const std::vector<NameCase> cases = {
      {"<meta name=\"description\" content=\"d\">", true, "description"},
      {"<META NAME=robots content=all>", true, "robots"},
      {"<Meta Name = \"two words\">", true, "two words"},
      {"<meta  name=\"x\">", true, "x"},
      {"<meta content=\"c\" name=\"n\">", false, ""},
      {"<meta http-equiv=\"refresh\" content=\"5\">", false, ""},
      {"<meta>", false, ""},
      {"<meta charset=utf-8>", false, ""},
      {"<meta name><link a=b>", false, ""},
      {"<metadata name=\"x\">", false, ""},
      {"<link name=\"x\">", false, ""},
      // An unquoted value runs to the next space, past the tag's end if need be.
      {"<meta name=robots><link rel=x>", true, "robots><link"},
      // ... or to the end of the head when no space follows.
      {"<meta name=robots>", true, "robots>"},
      {"<meta name=\"open>", true, "open"},
      {"<meta name=\"\">", true, ""},
      {"<meta\r\n  name=\"split\"\r\n  content=\"x\">", true, "split"},
      {"<meta name=\ttabbed\tcontent=x>", true, "tabbed"},
      {"<meta name=lf\ncontent=x>", true, "lf"},
  };
  for (const NameCase& c : cases) {
    const auto elements = ScanHeadElements(c.head);
    ASSERT_FALSE(elements.empty()) << c.head;
    EXPECT_EQ(elements[0].has_name_value, c.has_name) << c.head;
    EXPECT_EQ(elements[0].name_value, c.name) << c.head;
  }
}

TEST(ScanHeadElementsTest, MalformedHeadsRaiseInvalidArgumentNamingTheHead) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<meta name=x", "has no \">\""},
      {"<title>x</title><link", "byte 17"},
      {"<!-- never closed <meta>", "comment"},
  };
  for (const auto& [head, detail] : cases) {
    try {
      ScanHeadElements(head, "page head");
      ADD_FAILURE() << "no failure for " << head;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument) << head;
      EXPECT_NE(failure.description().find("page head"), std::string::npos) << head;
      EXPECT_NE(failure.description().find(detail), std::string::npos)
          << head << ": " << failure.description();
    }
  }
}

TEST(ScanHeadElementsTest, LargeHeadsScanWhole) {
  // Far beyond any 16-bit position or count, with tags that have no closing tag (each would send
  // a naive scan through the rest of the head) among tags that have one.
  std::string head;
  constexpr int kElements = 100000;
  for (int k = 0; k < kElements; ++k) {
    if (k % 3 == 0) {
      head += "<meta name=\"n" + std::to_string(k) + "\" content=\"c\">\r\n";
    } else if (k % 3 == 1) {
      head += "<script>var a" + std::to_string(k) + ";</script>\n";
    } else {
      head += "<LINK rel=x href=\"" + std::to_string(k) + "\">";
    }
  }
  const auto elements = ScanHeadElements(head);
  ASSERT_EQ(elements.size(), static_cast<std::size_t>(kElements));
  EXPECT_EQ(elements[99999].name_value, "n99999");
  EXPECT_EQ(elements[99998].text, "<LINK rel=x href=\"99998\">");
  EXPECT_EQ(elements[99997].text, "<script>var a99997;</script>");
}

}  // namespace
}  // namespace kestrova

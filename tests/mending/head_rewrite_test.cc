#include "mending/head_rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"

namespace kestrova {
namespace {

// Joins elements the way the new head lays them out: each followed by CR LF.
std::string Lines(const std::vector<std::string>& elements) {
  std::string out;
  for (const std::string& element : elements) out += element + "\r\n";
  return out;
}

std::string Rewrite(std::string_view page, std::string_view mending) {
  return RewritePageHead(page, ReadMendingHead(mending));
}

const std::string kMarker(kMendMarker);

TEST(ReadMendingHeadTest, GivesElementsAndNamesInOrder) {
  const MendingHead head = ReadMendingHead(
      "<title>T</title>\r\n<meta name=\"description\" content=\"d\">\n"
      "<meta http-equiv=\"x\" content=\"y\"><META NAME=keywords content=\"k\">");
  EXPECT_EQ(head.elements,
            (std::vector<std::string>{
                "<title>T</title>", "<meta name=\"description\" content=\"d\">",
                "<meta http-equiv=\"x\" content=\"y\">", "<META NAME=keywords content=\"k\">"}));
  EXPECT_EQ(head.names, (std::vector<std::string>{"description", "keywords"}));
}

TEST(RewritePageHeadTest, LaysOutTheWorkedExample) {
  const std::string m0 = "<title>Mended title</title>";
  const std::string m1 = "<meta name=\"description\" content=\"New description\">";
  const std::string m2 = "<meta name=\"keywords\" content=\"new, words\">";
  const std::string m3 = "<!-- " + kMarker + " -->";
  const std::string m4 = "<meta name=\"robots\" content=\"all\">";
  const std::string a = "<meta http-equiv=\"Content-Type\" content=\"text/html\">";
  const std::string b = "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage 4.0\">";
  const std::string c = "<meta name=\"keywords\" content=\"old, words\">";
  const std::string d = "<!-- written by hand -->";
  const std::string e = "<link rel=\"stylesheet\" href=\"site.css\">";
  const std::string f = "<title>Old title</title>";
  const std::string mending = m0 + "\r\n" + m1 + "\r\n" + m2 + "\r\n" + m3 + "\r\n" + m4 + "\r\n";
  const std::string page = a + "\r\n" + b + "\r\n" + c + "\r\n" + d + "\r\n" + e + "\r\n" + f;

  EXPECT_EQ(Rewrite(page, mending), Lines({m0, m1, a, b, d, e, m2, m3, m4}));

  // Without a title in the first mending element, the page's title comes first.
  const std::string n0 = "<meta name=\"author\" content=\"K\">";
  const std::string untitled = n0 + m1 + m2 + m3 + m4;
  EXPECT_EQ(Rewrite(page, untitled), Lines({f, n0, m1, a, b, d, e, m2, m3, m4}));
}

struct RewriteCase {
  const char* what;
  std::string page;
  std::string mending;
  std::vector<std::string> expected;
};

void RunCases(const std::vector<RewriteCase>& cases) {
  for (const RewriteCase& c : cases) {
    EXPECT_EQ(Rewrite(c.page, c.mending), Lines(c.expected)) << c.what;
  }
}

// Three mending elements that are laid out at the end of every head below.
const std::string kTail =
    "<meta name=\"t1\" content=\"1\"><meta name=\"t2\" content=\"2\"><!--t3-->";
const std::vector<std::string> kTailElements = {"<meta name=\"t1\" content=\"1\">",
                                                "<meta name=\"t2\" content=\"2\">", "<!--t3-->"};

std::vector<std::string> WithTail(std::vector<std::string> elements) {
  elements.insert(elements.end(), kTailElements.begin(), kTailElements.end());
  return elements;
}

TEST(RewritePageHeadTest, MatchesByNameValueAndByIdentity) {
  RunCases({
      {"a META of the same NAME is replaced", "<meta name=\"description\" content=\"old\"><link>",
       "<meta name=\"description\" content=\"new\">" + kTail,
       WithTail({"<meta name=\"description\" content=\"new\">", "<link>"})},
      {"NAME values compare exactly", "<meta name=\"Keywords\" content=\"old\">",
       "<meta name=\"keywords\" content=\"new\">" + kTail,
       WithTail({"<meta name=\"keywords\" content=\"new\">",
                 "<meta name=\"Keywords\" content=\"old\">"})},
      {"tag name and NAME in any case", "<META Name=\"t1\" content=\"old\"><base href=x>", kTail,
       WithTail({"<base href=x>"})},
      {"CONTENT first: no NAME value, dropped only when identical",
       "<meta content=\"x\" name=\"t1\"><meta content=\"y\" name=\"t2\">",
       "<meta content=\"x\" name=\"t1\">" + kTail,
       WithTail({"<meta content=\"x\" name=\"t1\">", "<meta content=\"y\" name=\"t2\">"})},
      {"an identical element is dropped", "<link rel=\"icon\" href=\"i.png\"><!--t3-->",
       "<link rel=\"icon\" href=\"i.png\">" + kTail,
       WithTail({"<link rel=\"icon\" href=\"i.png\">"})},
      {"elements differing in case or white space stay",
       "<LINK rel=\"icon\" href=\"i.png\"><link  rel=\"icon\" href=\"i.png\">",
       "<link rel=\"icon\" href=\"i.png\">" + kTail,
       WithTail({"<link rel=\"icon\" href=\"i.png\">", "<LINK rel=\"icon\" href=\"i.png\">",
                 "<link rel=\"icon\" href=\"i.png\">"})},
      {"an unquoted NAME running past the tag matches nothing", "<meta name=t1><base>", kTail,
       WithTail({"<meta name=t1>", "<base>"})},
      {"server code stays as written, whatever it holds",
       "<%  If  a  Then\r\n  ' Keywords by Kestrova Software & Design Ltd %>\r\n<title>T</title>",
       kTail,
       {"<title>T</title>", "<%  If  a  Then\r\n  ' Keywords by Kestrova Software & Design Ltd %>",
        kTailElements[0], kTailElements[1], kTailElements[2]}},
  });
}

TEST(RewritePageHeadTest, DropsCommentsHoldingTheOldKeywords) {
  RunCases({
      {"a comment holding the page's keywords goes, others stay",
       "<meta name=\"keywords\" content=\"red, blue\"><!-- red, blue --><!-- other -->"
       "<p>red, blue</p>",
       kTail,
       WithTail({"<meta name=\"keywords\" content=\"red, blue\">", "<!-- other -->",
                 "<p>red, blue</p>"})},
      {"without a keywords META every comment stays", "<!-- red, blue --><!---->", kTail,
       WithTail({"<!-- red, blue -->", "<!---->"})},
      {"the last keywords META gives the old keywords",
       "<meta name=\"keywords\" content=\"one\"><meta name=\"keywords\" content=\"two\">"
       "<!--one--><!--two-->",
       kTail,
       WithTail({"<meta name=\"keywords\" content=\"one\">",
                 "<meta name=\"keywords\" content=\"two\">", "<!--one-->"})},
      {"only the lower-case NAME keywords counts",
       "<meta name=\"KEYWORDS\" content=\"red\"><!-- red -->", kTail,
       WithTail({"<meta name=\"KEYWORDS\" content=\"red\">", "<!-- red -->"})},
      {"a replaced keywords META still gives old keywords",
       "<meta name=\"keywords\" content=\"red\"><!-- red -->",
       "<meta name=\"keywords\" content=\"new\">" + kTail,
       WithTail({"<meta name=\"keywords\" content=\"new\">"})},
      {"an empty content value removes no comment",
       "<meta name=\"keywords\" content=\"\"><!-- x -->", kTail,
       WithTail({"<meta name=\"keywords\" content=\"\">", "<!-- x -->"})},
      {"CONTENT in capitals and unquoted still gives the keywords",
       "<meta name=\"keywords\" CONTENT=red><!-- red -->", kTail,
       WithTail({"<meta name=\"keywords\" CONTENT=red>"})},
      {"single-quoted content", "<meta name=\"keywords\" content='a b'><!-- a b --><!-- a -->",
       kTail, WithTail({"<meta name=\"keywords\" content='a b'>", "<!-- a -->"})},
      {"no content attribute gives no keywords", "<meta name=\"keywords\"><!-- keywords -->", kTail,
       WithTail({"<meta name=\"keywords\">", "<!-- keywords -->"})},
  });
}

TEST(RewritePageHeadTest, RemovesEveryElementHoldingTheMarker) {
  RunCases({
      {"comment and META with the marker go",
       "<!-- " + kMarker + " --><meta name=\"author\" content=\"" + kMarker + "\"><link>", kTail,
       WithTail({"<link>"})},
      {"the marker must be whole", "<!-- Keywords by Kestrova -->", kTail,
       WithTail({"<!-- Keywords by Kestrova -->"})},
      {"a marker split over lines in an opening tag is whole once normalised",
       "<meta content=\"Keywords by\r\nKestrova Software & Design Ltd\">", kTail, WithTail({})},
  });
}

TEST(RewritePageHeadTest, TitleRules) {
  const std::string titled = "<title>New</title>" + kTail;
  RunCases({
      {"the page title is dropped when the first mending element holds <title>",
       "<title>Old</title><link>", titled, WithTail({"<title>New</title>", "<link>"})},
      {"a mending head of three: the first still decides",
       "<link><title>Old</title>",
       "<title>New</title><meta name=\"a\" content=\"b\"><!--x-->",
       {"<link>", "<title>New</title>", "<meta name=\"a\" content=\"b\">", "<!--x-->"}},
      {"otherwise the page title goes to the front",
       "<link><title>Old</title><base>",
       "<meta name=\"m\" content=\"1\"><meta name=\"n\" content=\"2\">" + kTail,
       {"<title>Old</title>", "<meta name=\"m\" content=\"1\">", "<meta name=\"n\" content=\"2\">",
        "<link>", "<base>", kTailElements[0], kTailElements[1], kTailElements[2]}},
      {"a first mending element in capitals brings no title: two titles",
       "<title>Old</title>",
       "<TITLE>New</TITLE>" + kTail,
       {"<title>Old</title>", "<TITLE>New</TITLE>", kTailElements[0], kTailElements[1],
        kTailElements[2]}},
      {"a title with attributes in the mending head brings no title",
       "<TITLE>Old</TITLE>",
       "<title lang=en>New</title><a1><a2><a3>",
       {"<TITLE>Old</TITLE>", "<title lang=en>New</title>", "<a1>", "<a2>", "<a3>"}},
      {"Title in other capitals is no title element", "<Title>Odd</Title><link>", titled,
       WithTail({"<title>New</title>", "<Title>Odd</Title>", "<link>"})},
      {"the element after a title is laid out even when it is a title",
       "<title>One</title><title>Two</title><link>",
       "<a0><a1><a2><a3>",
       {"<title>One</title>", "<a0>", "<title>Two</title>", "<link>", "<a1>", "<a2>", "<a3>"}},
      {"the element after a title still loses the marker",
       "<title>One</title><!-- " + kMarker + " --><link>",
       "<a0><a1><a2><a3>",
       {"<title>One</title>", "<a0>", "<link>", "<a1>", "<a2>", "<a3>"}},
      {"titles moved to the front: the last moved stands first",
       "<title>One</title><link><title>Two</title>",
       "<a0><a1><a2><a3>",
       {"<title>Two</title>", "<title>One</title>", "<a0>", "<link>", "<a1>", "<a2>", "<a3>"}},
  });
}

TEST(RewritePageHeadTest, NormalisesWhiteSpaceInOpeningPartsOnly) {
  RunCases({
      {"an opening tag over several lines comes out on one",
       "<link  rel=\"stylesheet\"\r\n      href=\"a.css\"\n>", kTail,
       WithTail({"<link rel=\"stylesheet\" href=\"a.css\" >"})},
      {"text after the first > keeps its line breaks",
       "<script\r\n  type=\"text/javascript\">\r\nvar  a;\r\n</script>", kTail,
       WithTail({"<script type=\"text/javascript\">\r\nvar  a;\r\n</script>"})},
      {"tabs stay", "<link\trel=x  \t  href=y>", kTail, WithTail({"<link\trel=x \t href=y>"})},
      {"a comment is normalised up to its first >", "<!--\r\n  a  \r\n-->", kTail,
       WithTail({"<!-- a -->"})},
      {"mending elements are laid out unchanged", "", "<link\r\n  a=b>" + kTail,
       WithTail({"<link\r\n  a=b>"})},
      {"white space and text between elements does not survive", " \r\n junk <base> \t", kTail,
       WithTail({"<base>"})},
  });
}

TEST(RewritePageHeadTest, FewerThanThreeMendingElementsIsOutOfRange) {
  for (const std::string mending : {"", "<a>", "<title>x</title><b>"}) {
    try {
      Rewrite("<link>", mending);
      ADD_FAILURE() << "no failure for " << mending;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrSubscriptOutOfRange);
      EXPECT_NE(failure.description().find("mending file's head"), std::string::npos);
      EXPECT_NE(failure.description().find("at least three"), std::string::npos);
    }
  }
}

TEST(RewritePageHeadTest, MalformedHeadsSayWhichHead) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<link>", "<a><b><c><!-- open"},
      {"<link><meta name=", "<a><b><c>"},
  };
  for (const auto& [page, mending] : cases) {
    try {
      Rewrite(page, mending);
      ADD_FAILURE() << page << " / " << mending;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
      const bool page_is_bad = mending == "<a><b><c>";
      EXPECT_NE(failure.description().find(page_is_bad ? "page head" : "mending head"),
                std::string::npos)
          << failure.description();
    }
  }
}

TEST(RewritePageHeadTest, HeadsOfAnySize) {
  // Beyond 32,767 characters and 251 elements on both sides.
  std::string page;
  std::string mending;
  constexpr int kCount = 20000;
  for (int k = 0; k < kCount; ++k) {
    page += "<meta name=\"p" + std::to_string(k) + "\" content=\"x\">\r\n";
    mending += "<meta name=\"p" + std::to_string(2 * k) + "\" content=\"new\">";
  }
  const std::string out = Rewrite(page, mending);
  // Every even page name is replaced; the odd ones stay between the mending elements.
  std::size_t lines = 0;
  for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2)) {
    ++lines;
  }
  EXPECT_EQ(lines, static_cast<std::size_t>(kCount + kCount / 2));
  EXPECT_NE(out.find("<meta name=\"p1\" content=\"x\">"), std::string::npos);
  EXPECT_EQ(out.find("<meta name=\"p2\" content=\"x\">"), std::string::npos);
  EXPECT_TRUE(out.ends_with("<meta name=\"p" + std::to_string(2 * (kCount - 1)) +
                            "\" content=\"new\">\r\n"));
}

}  // namespace
}  // namespace kestrova

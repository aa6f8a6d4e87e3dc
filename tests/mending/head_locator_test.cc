// Tests of the head locator: hand-written pages with the location each should give, every one
// also checked against gumbo; and generated pages, every prefix of a page, and arbitrary bytes,
// checked against gumbo alone.
#include "mending/head_locator.h"

#include <gtest/gtest.h>
#include <gumbo.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "mending/server_code.h"

namespace kestrova::gumbo_reference {

namespace {

// Hands gumbo its memory and takes back all of it when the parse is destroyed: gumbo leaves a few
// strings unowned on some malformed pages, which leak checkers would report.
class GumboArena {
 public:
  GumboArena() {
    options_ = kGumboDefaultOptions;
    options_.allocator = &Allocate;
    options_.deallocator = &Deallocate;
    options_.userdata = this;
  }
  GumboArena(const GumboArena&) = delete;
  GumboArena& operator=(const GumboArena&) = delete;
  ~GumboArena() {
    for (void* block : blocks_) std::free(block);
  }

  const GumboOptions* options() const { return &options_; }

 private:
  static void* Allocate(void* userdata, std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    static_cast<GumboArena*>(userdata)->blocks_.insert(block);
    return block;
  }
  static void Deallocate(void* userdata, void* block) {
    if (static_cast<GumboArena*>(userdata)->blocks_.erase(block) > 0) std::free(block);
  }

  GumboOptions options_;
  std::unordered_set<void*> blocks_;
};

struct GumboOutputDeleter {
  const GumboOptions* options;
  void operator()(GumboOutput* output) const { gumbo_destroy_output(options, output); }
};

}  // namespace

// The head location gumbo gives for `page`, under LocateHead's conventions: gumbo reads the page
// without a leading UTF-8 byte order mark and its offsets are moved past it. Sets *found to
// whether gumbo's tree had a head under its root.
HeadLocation GumboHeadLocation(std::string_view page, bool* found) {
  const std::size_t skip = page.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  const std::string_view document = page.substr(skip);
  GumboArena arena;
  const std::unique_ptr<GumboOutput, GumboOutputDeleter> output(
      gumbo_parse_with_options(arena.options(), document.data(), document.size()),
      GumboOutputDeleter{arena.options()});
  HeadLocation where;
  *found = false;
  const GumboVector& children = output->root->v.element.children;
  for (unsigned int i = 0; i < children.length; ++i) {
    const auto* node = static_cast<const GumboNode*>(children.data[i]);
    if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag != GUMBO_TAG_HEAD) continue;
    const GumboElement& head = node->v.element;
    where.has_start_tag = head.original_tag.length > 0;
    where.inner_begin = skip + head.start_pos.offset + head.original_tag.length;
    where.inner_end = skip + head.end_pos.offset;
    *found = true;
    break;
  }
  return where;
}

// The page as a browser gets it once the server has run its code to nothing: every byte of a block
// of server code, and of a script marked runat="server", becomes a space, so offsets stay put.
std::string BlankServerCode(std::string page) {
  for (std::size_t k = 0; k < page.size(); ++k) {
    std::size_t end = k;
    if (OpensServerCode(page, k)) {
      end = FindServerCodeEnd(page, k).end;
    } else if (StartsWithLowerNameAt(page, k, "<script") &&
               page.substr(k, page.find('>', k) - k).find("runat=server") != std::string::npos) {
      end = std::min(page.size(), page.find("</script>", k) + 9);
    }
    if (end > k) page.replace(k, end - k, end - k, ' ');
  }
  return page;
}

// Whether LocateHead and gumbo agree on `page`, with the difference spelled out when they do not.
// Server code is left out of gumbo's page as LocateHead leaves it out; the head may then end
// before server code where gumbo's runs on over the blanks and comments up to the body.
testing::AssertionResult AgreesWithGumbo(std::string_view page) {
  bool found = false;
  const std::string blanked = BlankServerCode(std::string(page));
  const HeadLocation theirs = GumboHeadLocation(blanked, &found);
  const HeadLocation ours = LocateHead(page);
  if (!found) return testing::AssertionFailure() << "gumbo built no head";
  std::size_t end = ours.inner_end;
  while (end < theirs.inner_end && page[ours.inner_end] != blanked[ours.inner_end]) {
    if (IsHtmlSpace(blanked[end])) {
      ++end;
    } else if (blanked.compare(end, 2, "<!") == 0) {  // a comment or a doctype, ignored there
      end = blanked.compare(end, 4, "<!--") == 0 ? blanked.find("-->", end) + 3
                                                 : blanked.find('>', end) + 1;
    } else {
      break;
    }
  }
  if (ours.inner_begin == theirs.inner_begin && end == theirs.inner_end &&
      ours.has_start_tag == theirs.has_start_tag) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure()
         << "LocateHead gives [" << ours.inner_begin << ", " << ours.inner_end << ") start tag "
         << ours.has_start_tag << ", gumbo [" << theirs.inner_begin << ", " << theirs.inner_end
         << ") start tag " << theirs.has_start_tag;
}

}  // namespace kestrova::gumbo_reference

namespace kestrova {
namespace {

using gumbo_reference::AgreesWithGumbo;

// A page cut into the bytes before the head's inner HTML, the inner HTML, and the rest.
struct PageCase {
  const char* name;
  std::string before;
  std::string inner;
  std::string after;
  bool has_start_tag;

  std::string Page() const { return before + inner + after; }
};

void PrintTo(const PageCase& page_case, std::ostream* out) { *out << page_case.name; }

const PageCase kPageCases[] = {
    {"ExplicitHead", "<!DOCTYPE html>\n<html>\n<head>",
     "\n<meta charset=\"utf-8\">\n<title>Page</title>\n",
     "</head>\n<body><p>Text</p></body>\n</html>\n", true},
    {"NoHeadJustText", "", "", "Just text", false},
    {"NoHeadBodyOnly", "<html>", "", "<body><p>x</p></body></html>", false},
    {"ImpliedHeadHoldsTitle", "<!DOCTYPE html>", "<title>T</title><meta name=a content=b>", "<p>x",
     false},
    {"ClosedByBody", "<head>", "<meta charset=utf-8>", "<body>x", true},
    {"ClosedByText", "<html><head>", "<title>T</title>\n  ", "Hello <b>world</b>", true},
    {"ClosedByDiv", "<head>", "<link rel=stylesheet href=a.css>", "<div>x</div>", true},
    {"ClosedByEndOfPage", "<head>", "<title>T</title>\n", "", true},
    {"ClosedByEndBody", "<head>", "<meta>", "</body>", true},
    {"ClosedByEndHtml", "<head>", "", "</html>", true},
    {"ClosedByEndBr", "<head>", "<title>T</title>", "</br><p>", true},
    {"ClosedByFrameset", "<html><head>", "<title>T</title>", "<frameset cols=\"50%,50%\">", true},
    {"CommentsDoctypeAndInstructionBeforeHtml",
     "<!-- saved by hand -->\n<?xml version=\"1.0\"?>\n"
     "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html>\n<!-- before -->\n<head>",
     "<title>T</title>", "</head>", true},
    {"ByteOrderMarkExplicitHead", "\xEF\xBB\xBF<html><head>", "<title>T</title>", "</head>", true},
    {"ByteOrderMarkImpliedHead", "\xEF\xBB\xBF", "<title>T</title>", "<p>x", false},
    {"ByteOrderMarkOnly", "\xEF\xBB\xBF", "", "", false},
    {"UppercaseWithAttributes", "<HTML LANG=en><HEAD lang=en profile=\"http://a/b\">",
     "<TITLE>T</TITLE>", "</HEAD><BODY>", true},
    {"QuotedGreaterThanInHeadAttributes", "<head data-x=\"a>b\" data-y='c>d'>", "<meta>", "</head>",
     true},
    {"WhitespaceBeforeImpliedHeadSkipped", "<html>\n \t ", "<title>T</title>", "<p>", false},
    {"WhitespaceBeforeHeadTagSkipped", "\n <html>\n  <head>", "<meta>", "</head>", true},
    {"WhitespaceInHeadStays", "<head>", "\n  \t\r\n  ", "x", true},
    {"TitleHoldsEndHead", "<head>", "<title>a</head>b</title>", "</head>", true},
    {"TitleHoldsMarkup", "<head>", "<title><!-- <body> --></title  >", "</head>", true},
    {"StyleHoldsEndHead", "<head>", "<style>p:after{content:\"</head>\"}</style>", "</head>", true},
    {"ScriptHoldsEndHead", "<head>", "<script>var s = \"</head><body>\";</script>", "</head>",
     true},
    {"ScriptEscapedAndDoubleEscaped", "<head>",
     "<script><!--\ndocument.write(\"<script></head></script>\");\n//--></script>", "</head>",
     true},
    {"ScriptUnclosedEscapeRunsToEnd", "<head>", "<script><!--<script></head></script></head>", "",
     true},
    {"ScriptEndTagIgnoresCase", "<head>", "<script>a</SCRIPT\t>", "</head>", true},
    {"NoscriptInHead", "<head>",
     "<noscript><link rel=stylesheet href=n.css><style>a{}</style></noscript>", "</head>", true},
    {"NoscriptStyleHoldsEndHead", "<head>", "<noscript><style></head></style></noscript>",
     "</head>", true},
    {"NoscriptWithBodyMarkupClosesHead", "<head>", "<noscript>", "<p>Enable scripts</p></noscript>",
     true},
    {"NoframesHoldsEndHead", "<head>", "<noframes></head><body></noframes>", "</head>", true},
    {"EndHeadWithSpaces", "<head>", "<title>T</title>", "</head >", true},
    {"EndHeadWithAttribute", "<head>", "<meta>", "</head\n class=\"x>y\">", true},
    {"StrayEndTagsInHead", "<head>", "</div></p></title><title>T</title></span>", "</head>", true},
    {"TemplateInHead", "<head>", "<template><p>x</p></head><body><div></template><meta>", "</head>",
     true},
    {"NestedTemplates", "<head>", "<template><template>text</template><b>bold</b></template>",
     "</head>", true},
    {"TemplateHoldsStyle", "<head>", "<template><div><style></head></style></div></template>",
     "</head>", true},
    {"TemplateUnclosedRunsToEnd", "<head>", "<template><p>", "", true},
    {"HtmlAndHeadRepeatedInHead", "<head>", "<html lang=en><head><meta>", "</head>", true},
    // A second <html> start tag before the head implies the head, as gumbo reads it.
    {"SecondHtmlBeforeHeadImpliesHead", "<html>", "<html lang=en><head><title>T</title>", "</head>",
     false},
    {"EmptyPage", "", "", "", false},
    {"WhitespaceCharacterReferences", "<head>", "&#32;&#x9;&Tab;&NewLine;", "&amp;", true},
    {"EmptyEndTagCountsTowardsNextToken", "<head>", "", "</>x", true},
    {"TagCutByEndOfPage", "<head>", "<title>T</title>", "<meta name=\"x", true},
    {"TruncatedHeadTag", "", "", "<head", false},
    {"CommentCutByEndOfPage", "<head>", "<!-- never closed </head>", "", true},
    {"CommentForms", "<head>", "<!----><!---><!-- a -- b --!><!-->", "</head>", true},
    {"NulByteClosesHead", "<head>", "", std::string("\0x", 2), true},
    {"NonAsciiTextClosesHead", "<head>", "", "\xC3\xA9t\xC3\xA9", true},
    {"LessThanOpeningNothingClosesHead", "<head>", "", "< 3", true},
    {"DoctypeInHeadIgnored", "<head>", "<!DOCTYPE html>", "</head>", true},
    {"ProcessingInstructionInHead", "<head>", "<?php echo 1 ?>", "</head>", true},
    {"CdataInHeadIsBogusComment", "<head>", "<![CDATA[x]]>", "</head>", true},
    {"SelfClosingHeadTag", "<head/>", "<meta/>", "</head>", true},
    {"AttributeHoldsEndHead", "<head>", "<meta content=\"</head>\">", "</head>", true},
    {"HeadTagAfterBodyContentIgnored", "", "", "<p>x</p><head><title>y</title>", false},
    {"SecondHeadOutsideIgnored", "<head>", "<title>T</title>", "</head><head><meta></head>", true},
    {"EndHeadBeforeHeadImpliesEmptyHead", "<html>", "", "</head><title>x</title>", false},
    {"IgnoredEndTagsBeforeHead", "<html></p></div><head>", "<meta>", "</head>", true},
    // Pages as editors and servers leave them. FrontPage 2000, CR LF, a webbot in the body.
    {"FrontPage2000", "<html>\r\n\r\n<head>",
     "\r\n<meta name=\"GENERATOR\" content=\"Microsoft FrontPage 4.0\">\r\n"
     "<meta name=\"ProgId\" content=\"FrontPage.Editor.Document\">\r\n<title>Home</title>\r\n"
     "<meta name=\"Microsoft Theme\" content=\"sumipntg 011, default\">\r\n",
     "</head>\r\n<body>\r\n<!--webbot bot=\"Include\" U-Include=\"_private/top.htm\" "
     "TAG=\"BODY\" -->\r\n</body>\r\n</html>\r\n",
     true},
    // FrontPage 98 with LF, a webbot span in the head; FrontPage 2002 with CR alone.
    {"FrontPage98", "<html>\n<head>",
     "\n<meta name=\"GENERATOR\" content=\"Microsoft FrontPage 3.0\">\n<!--webbot "
     "bot=\"HTMLMarkup\" "
     "startspan --><base target=\"main\"><!--webbot bot=\"HTMLMarkup\" endspan -->\n",
     "</head>\n<body bgcolor=\"#FFFFFF\"></body>\n</html>\n", true},
    {"FrontPage2002CarriageReturns", "<html>\r<head>",
     "\r<meta name=\"GENERATOR\" content=\"Microsoft FrontPage 5.0\">\r<title>T</title>\r",
     "</head>\r<body>\r</body>\r</html>\r", true},
    // ASP: directives and code before the page, a '>' inside code, code inside the head.
    {"AspDirectivesBeforeHead",
     "<%@ LANGUAGE=\"VBSCRIPT\" CODEPAGE=\"1252\" %>\r\n<% Response.Buffer = True\r\n"
     "If Request(\"id\") > 0 Then Response.Redirect \"a.asp\" %>\r\n<html>\r\n<head>",
     "\r\n<title><%= pageTitle %></title>\r\n<meta name=\"keywords\" content=\"<%= "
     "Replace(kw, \"\"\"\", \"\") %>\">\r\n<% If hide Then %><meta name=robots "
     "content=noindex><% End If %>\r\n<% Response.Write \"</head><body>\" %>\r\n",
     "</head>\r\n<body>x</body></html>", true},
    {"AspWithoutHeadGetsOneAfterItsDirectives",
     "<%@ Language=VBScript %>\r\n<!--#include virtual=\"/inc/top.asp\"-->\r\n", "", "<p>Body</p>",
     false},
    {"ServerCodeAfterImpliedHeadStaysWithTheBody", "<%@ Language=VBScript %>\r\n",
     "<title>Shop</title>\r\n", "<% If cart = \"\" Then %>\r\n<p>Empty</p>\r\n<% End If %>", false},
    {"ServerCodeInUnquotedAttribute", "<head>",
     "<link rel=stylesheet href=<%= If(a > b, \"x.css\", \"y.css\") %>>", "</head>", true},
    {"ServerCodeBetweenAttributes", "<head>",
     "<meta name=robots <% If a > b Then %>content=noindex>", "</head>", true},
    // ASP.NET: a server script before the page, a head the server runs, a control in the head.
    {"AspNetPage",
     "<%@ Page Language=\"C#\" CodeFile=\"Default.aspx.cs\" Inherits=\"_Default\" %>\r\n"
     "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
     "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n<script runat=server>\r\n"
     "void Page_Load() { if (a > b) { } }\r\n</script>\r\n"
     "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head runat=\"server\">",
     "\r\n<title>Untitled Page</title>\r\n",
     "<asp:ContentPlaceHolder id=\"head\" runat=\"server\"></asp:ContentPlaceHolder>\r\n</head>",
     true},
    // JSP and PHP.
    {"JspPage",
     "<%@ page contentType=\"text/html; charset=UTF-8\" %>\n<%@ taglib prefix=\"c\" "
     "uri=\"http://java.sun.com/jsp/jstl/core\" %>\n<html>\n<head>",
     "\n<title><c:out value=\"${title}\"/></title>\n", "</head>\n<body></body></html>", true},
    {"PhpPage",
     "<?php\nsession_start();\n$user = $session->user();\nif ($user->age >= 18) { $ok = 1; }\n?>"
     "\n<!DOCTYPE html>\n<html lang=\"en\">\n<head>",
     "\n<meta charset=\"utf-8\">\n<title><?= htmlspecialchars($t) ?></title>\n<?php include "
     "'meta.php'; ?>\n",
     "</head>\n<body><?php echo $body; ?></body>\n</html>\n", true},
    {"PhpWithoutHead", "<?php require 'top.php'; ?>\n", "", "<div id=\"main\"><?= $c ?></div>",
     false},
    // Word: Office namespaces, a smart tag (which ends the head for an HTML5 parser), an XML
    // island in a conditional comment.
    {"WordPage",
     "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\nxmlns=\"http://www.w3.org/TR/"
     "REC-html40\">\r\n\r\n<head>",
     "\r\n<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\r\n"
     "<meta name=ProgId content=Word.Document>\r\n<meta name=Generator content=\"Microsoft Word "
     "10\">\r\n<title>Annual report</title>\r\n",
     "<o:SmartTagType namespaceuri=\"urn:schemas-microsoft-com:office:smarttags\"\r\n "
     "name=\"City\"/>\r\n<!--[if gte mso 9]><xml>\r\n <o:DocumentProperties>\r\n  "
     "<o:Author>A</o:Author>\r\n </o:DocumentProperties>\r\n</xml><![endif]-->\r\n</head>",
     true},
    // Server-side includes; pages in windows-1251, Big5 and Shift-JIS (0x5C as a second byte).
    {"ServerSideIncludes", "<!--#include virtual=\"/ssi/top.html\" -->\n<html>\n<head>",
     "\n<!--#include virtual=\"/ssi/meta.html\" -->\n<title>News</title>\n<!--#echo "
     "var=\"DATE_LOCAL\" -->\n",
     "</head>\n<body></body></html>", true},
    {"Windows1251", "<html><head>",
     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
     "<title>\xc3\xeb\xe0\xe2\xed\xe0\xff</title>\r\n",
     "</head><body>\xcf\xf0\xe8\xe2\xe5\xf2</body></html>", true},
    {"Big5", "<html><head>", "<title>\xad\xba\xad\xb6 \xb3\x5c</title>",
     "</head><body>\xa4\xa4\xa4\xe5</body>", true},
    {"ShiftJis", "\xEF\xBB\xBF", "<title>\x83\x7a\x81\x5b\x83\x80 \x95\x5c</title>",
     "<p>\x93\xfa\x96\x7b</p>", false},
};

class HeadLocatorPageTest : public testing::TestWithParam<PageCase> {};

// The location, checked against gumbo too, and a replacement of the inner HTML that leaves the
// rest of the page alone and gives an explicit head holding exactly the new inner HTML.
TEST_P(HeadLocatorPageTest, LocatesAndReplacesTheHeadInnerHtml) {
  const PageCase& page_case = GetParam();
  const std::string page = page_case.Page();
  const HeadLocation where = LocateHead(page);
  EXPECT_EQ(where.inner_begin, page_case.before.size());
  EXPECT_EQ(where.inner_end, page_case.before.size() + page_case.inner.size());
  EXPECT_EQ(where.has_start_tag, page_case.has_start_tag);
  EXPECT_EQ(HeadInnerHtml(page, where), page_case.inner);
  EXPECT_TRUE(AgreesWithGumbo(page));

  constexpr std::string_view kNewInner = "<title>New</title><!-- mended -->";
  const std::string replaced = ReplaceHeadInnerHtml(page, where, kNewInner);
  const std::string new_head = page_case.has_start_tag
                                   ? std::string(kNewInner)
                                   : "<head>" + std::string(kNewInner) + "</head>";
  EXPECT_EQ(replaced, page_case.before + new_head + page_case.after);
  const HeadLocation again = LocateHead(replaced);
  EXPECT_TRUE(again.has_start_tag);
  EXPECT_EQ(HeadInnerHtml(replaced, again), kNewInner);
  EXPECT_TRUE(AgreesWithGumbo(replaced));
}

INSTANTIATE_TEST_SUITE_P(Pages, HeadLocatorPageTest, testing::ValuesIn(kPageCases),
                         [](const testing::TestParamInfo<PageCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(HeadLocatorTest, ClampsALocationToThePage) {
  const HeadLocation beyond{10, 20, true, {}};
  EXPECT_EQ(HeadInnerHtml("<head>", beyond), "");
  EXPECT_EQ(ReplaceHeadInnerHtml("<head>", beyond, "<meta>"), "<head><meta>");
  const HeadLocation reversed{4, 2, true, {}};
  EXPECT_EQ(HeadInnerHtml("abcdef", reversed), "");
  EXPECT_EQ(ReplaceHeadInnerHtml("abcdef", reversed, "X"), "abcdXef");
}

// Templates nest deeper than the locator keeps track of element by element.
TEST(HeadLocatorTest, FollowsDeeplyNestedTemplates) {
  std::string opened;
  for (int i = 0; i < 1000; ++i) opened += "<template><svg><div>";
  std::string closing;
  for (int i = 0; i < 999; ++i) closing += "</template>";

  const std::string balanced = "<head>" + opened + closing + "</template><meta></head>x";
  const HeadLocation where = LocateHead(balanced);
  EXPECT_EQ(HeadInnerHtml(balanced, where), opened + closing + "</template><meta>");
  EXPECT_TRUE(AgreesWithGumbo(balanced));

  // One template left open holds the rest of the page.
  const std::string unbalanced = "<head>" + opened + closing + "<meta></head>x";
  EXPECT_EQ(LocateHead(unbalanced).inner_end, unbalanced.size());
  EXPECT_EQ(LocateHead(unbalanced).unclosed_element, "template");
  EXPECT_EQ(LocateHead(balanced).unclosed_element, "");
  EXPECT_TRUE(AgreesWithGumbo(unbalanced));
}

// An element left open in the head is named; a head that ends with the page because the page
// ends there, or with its own end tag, names none.
TEST(HeadLocatorTest, NamesTheElementThatRunsTheHeadToTheEnd) {
  const std::string body = "</head><body><p>text</p></body></html>";
  const std::pair<std::string, std::string_view> cases[] = {
      {"<head><title>Home" + body, "title"},
      {"<html><head><style>p {}" + body, "style"},
      {"<head><meta><script>var a = '</scrip';" + body, "script"},
      {"<head><noscript><noframes>x" + body, "noframes"},
      {"<head><template><textarea>" + body, "textarea"},
      {"<head><template><plaintext>" + body, "template"},
      {"<head><title>Home</title>" + body, ""},
      {"<head><title>Home</title><meta>", ""},
      {"<title>Home</title>", ""},
      {"<%@ Language=VBScript %><% If a Then", kUnclosedServerCode},
      {"<head><title>Home</title><?php echo 1;" + body, kUnclosedServerCode},
      {"<script runat=server>void F() {}" + body, "script"},
  };
  for (const auto& [page, element] : cases) {
    EXPECT_EQ(LocateHead(page).unclosed_element, element) << page;
  }
}

// A page with most of what a head holds, cut at every length.
TEST(HeadLocatorTest, AgreesWithGumboOnEveryPrefixOfAPage) {
  const std::string page =
      "<!-- prolog --><!DOCTYPE html>\n<HTML lang=\"en\">\n <head profile='a>b'>\n"
      "<meta charset=utf-8><title>A &amp; B</title >\n"
      "<script>if (a <b) { document.write('<!--<script>x</script>-->'); }</script>\n"
      "<style>p > a { color: red }</style><noscript><link rel=x></noscript>\n"
      "<template><svg><title><style>x</style></title></svg><![CDATA[y]]></template>\n"
      "<!-- c -- d --!></head >\n<body><p>Text &#32; </p></body></html>\n";
  for (std::size_t length = 0; length <= page.size(); ++length) {
    const std::string prefix = page.substr(0, length);
    ASSERT_TRUE(AgreesWithGumbo(prefix)) << "prefix of " << length << " bytes: " << prefix;
    ASSERT_TRUE(AgreesWithGumbo("\xEF\xBB\xBF" + prefix)) << "after a byte order mark: " << prefix;
  }
}

// Pages built from markup fragments at random (with fixed seeds, so every run checks the same
// pages), each compared with gumbo.
class GeneratedPages {
 public:
  GeneratedPages(std::vector<std::string_view> fragments, unsigned int start)
      : fragments_(std::move(fragments)), random_(start) {}

  std::string Next(std::string_view prefix, std::size_t max_fragments) {
    std::string page(prefix);
    const std::size_t count = Uniform(max_fragments + 1);
    for (std::size_t i = 0; i < count; ++i) page += fragments_[Uniform(fragments_.size())];
    return page;
  }

 private:
  std::size_t Uniform(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
  }

  std::vector<std::string_view> fragments_;
  std::mt19937 random_;
};

// Markup around and inside a head, templates included.
const std::vector<std::string_view> kHeadFragments = {
    // The document, its head and body, and their end tags.
    "<!DOCTYPE html>", "<html>", "<html lang=en>", "<head>", "<HEAD>", "<head lang=en>", "</head>",
    "</head >", "<head/>", "</head/>", "<body>", "</body>", "</html>", "</br>", "<br>",
    // White space, text and character references.
    " ", "\n", "\t", "\r\n", "\f", "x", "text", "&#32;", "&#x20", "&amp;", "&Tab;", "&#", "&",
    // Comments, their pieces and other declarations.
    "<!--c-->", "<!--", "-->", "--!>", "<!---->", "<!-->", "<!--->", "<?pi?>", "</>", "<", "</",
    "<!x>", "<!doctype x>",
    // What a head holds.
    "<title>", "</title>", "<TITLE>", "<title/>", "<style>", "</style>", "<script>", "</script>",
    "</script >", "<!--<script>", "<script/>", "<noscript>", "</noscript>", "<noframes>",
    "</noframes>", "<template>", "</template>", "<meta charset=utf-8>", "<meta/>", "<meta a='",
    "<link rel=x href='a>b'>", "<base href=\"/\">", "<basefont>", "<bgsound>", "<menuitem>",
    // What a body holds.
    "<div>", "</div>", "<p>", "</p>", "<span>", "<b>", "</b>", "<li>", "</li>", "<h1>", "</h2>",
    "<section>", "</section>", "<main>", "</main>", "<select>", "</select>", "<option>",
    "</option>", "<optgroup>", "<input>", "<keygen>", "<textarea>", "</textarea>", "<table>",
    "</table>", "<tr>", "<td>", "</td>", "<th>", "<tbody>", "<col>", "<colgroup>", "<caption>",
    "<plaintext>", "<xmp>", "</xmp>", "<iframe>", "</iframe>", "<noembed>", "</noembed>", "<image>",
    "<isindex>", "<frameset>", "<frame>", "<object>", "</object>", "<button>", "</button>", "<ul>",
    "</ul>",
    // Unknown elements, pieces of tags and bytes beyond ASCII.
    "<x y=z>", "</x>", "<a b=\"", "\"", "'", "=", ">", "/>", "-", std::string_view("\0", 1),
    "\xC3\xA9", "<![CDATA[", "]]>"};

// SVG and MathML inside templates. Left out: "</>", end tags with attributes, unknown element
// names, and table element names used for foreign elements, where gumbo 0.10 departs from the
// HTML5 rules (it compares foreign end tags by their raw source text and matches any unknown end
// tag to any unknown element).
const std::vector<std::string_view> kForeignFragments = {
    // SVG and MathML, with their integration points.
    "<svg>", "</svg>", "<svg/>", "<math>", "</math>", "<mi>", "</mi>", "<mtext>", "<mglyph>",
    "<foreignObject>", "</foreignObject>", "<desc>", "</desc>", "<svg><title>", "</title>",
    "<title>", "<annotation-xml encoding=text/html>", "<annotation-xml>", "</annotation-xml>",
    // What templates and foreign content hold.
    "<![CDATA[", "]]>", "<template>", "</template>", "<style>", "</style>", "<script>", "</script>",
    "<textarea>", "</textarea>", "<xmp>", "</xmp>", "<div>", "</div>", "<p>", "</p>", "<span>",
    "<b>", "</b>", "<font color=red>", "<font>", "<select>", "</select>", "<option>", "<plaintext>",
    "<meta>", "<head>", "</head>", "<!--c-->", "x", " ", "&#32;", ">", "<"};

TEST(HeadLocatorTest, AgreesWithGumboOnGeneratedPages) {
  GeneratedPages head_pages(kHeadFragments, 20240601);
  for (int i = 0; i < 20000; ++i) {
    const std::string page = head_pages.Next(i % 3 == 0 ? "<head>" : "", 14);
    ASSERT_TRUE(AgreesWithGumbo(page)) << "page " << i << ": " << page;
  }
  GeneratedPages template_pages(kHeadFragments, 20240602);
  for (int i = 0; i < 10000; ++i) {
    const std::string page = template_pages.Next("<head><template>", 24);
    ASSERT_TRUE(AgreesWithGumbo(page)) << "page " << i << ": " << page;
  }
  // Whole tokens and server code between them, in front of the head, inside it and after it.
  GeneratedPages server_pages({"<%@ Page Language=\"C#\" %>",
                               "<% if (a > b) { %>",
                               "<% } %>",
                               "<?php echo $a->b; ?>",
                               "<?= $t ?>",
                               "<script runat=server>if (a > b) {}</script>",
                               "<!DOCTYPE html>",
                               "<html>",
                               "<head>",
                               "</head>",
                               "<body>",
                               "</html>",
                               "</br>",
                               "<title>T</title>",
                               "<p>",
                               "x",
                               " ",
                               "\n",
                               "<!--c-->",
                               "<meta name=a content=<%= v %>>",
                               "<link href='<?= $u ?>'>",
                               "<meta content=\"<%= \"q\" %>\">",
                               "<script>s</script>",
                               "<noscript>",
                               "</noscript>",
                               "<template>",
                               "</template>",
                               "<style>p{}</style>",
                               "<div>"},
                              20240604);
  for (int i = 0; i < 10000; ++i) {
    const std::string page = server_pages.Next("", 12);
    ASSERT_TRUE(AgreesWithGumbo(page)) << "page " << i << ": " << page;
  }
  GeneratedPages foreign_pages(kForeignFragments, 20240603);
  for (int i = 0; i < 10000; ++i) {
    const std::string page = foreign_pages.Next("<head><template>", 24);
    ASSERT_TRUE(AgreesWithGumbo(page)) << "page " << i << ": " << page;
  }
}

// Arbitrary bytes, weighted towards markup characters: a location inside the page, and gumbo's.
TEST(HeadLocatorTest, AgreesWithGumboOnArbitraryBytes) {
  constexpr std::string_view kMarkup = "<<<>>>///!!--?&#;=\"' \n\tabdehilmnoprstx";
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string page(std::uniform_int_distribution<std::size_t>(0, 48)(random), '\0');
    for (char& byte : page) {
      const auto pick = std::uniform_int_distribution<unsigned int>(0, 255)(random);
      byte = pick < 200 ? kMarkup[pick % kMarkup.size()] : static_cast<char>(pick);
    }
    const HeadLocation where = LocateHead(page);
    ASSERT_LE(where.inner_begin, where.inner_end) << page;
    ASSERT_LE(where.inner_end, page.size()) << page;
    ASSERT_TRUE(AgreesWithGumbo(page)) << "page " << i << ": " << page;
  }
}

}  // namespace
}  // namespace kestrova

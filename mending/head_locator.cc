#include "mending/head_locator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "base/ascii.h"
#include "base/failure.h"
#include "mending/html_head_tokenizer.h"

namespace kestrova {
namespace {

using Names = std::initializer_list<std::string_view>;

bool NameIn(std::string_view name, Names names) {
  return std::any_of(names.begin(), names.end(),
                     [name](std::string_view lower) { return TagNameIs(name, lower); });
}

bool IsStartTag(const HeadToken& token, std::string_view lower_name) {
  return token.kind == HeadTokenKind::kStartTag && TagNameIs(token.name, lower_name);
}

// End tags the modes before the body do not ignore.
bool IsHeadBodyHtmlOrBrEnd(const HeadToken& token) {
  return token.kind == HeadTokenKind::kEndTag && NameIn(token.name, {"head", "body", "html", "br"});
}

// Elements that stop the search of an end tag for its element in the body.
bool IsBoundaryHtmlElement(std::string_view name) {
  return NameIn(
      name, {"address", "applet",     "area",      "article",    "aside",    "base",     "basefont",
             "bgsound", "blockquote", "body",      "br",         "button",   "caption",  "center",
             "col",     "colgroup",   "dd",        "details",    "dir",      "div",      "dl",
             "dt",      "embed",      "fieldset",  "figcaption", "figure",   "footer",   "form",
             "frame",   "frameset",   "h1",        "h2",         "h3",       "h4",       "h5",
             "h6",      "head",       "header",    "hgroup",     "hr",       "html",     "iframe",
             "img",     "input",      "li",        "link",       "listing",  "marquee",  "menu",
             "meta",    "nav",        "noembed",   "noframes",   "noscript", "object",   "ol",
             "p",       "param",      "plaintext", "pre",        "script",   "section",  "select",
             "style",   "summary",    "table",     "tbody",      "td",       "template", "textarea",
             "tfoot",   "th",         "thead",     "title",      "tr",       "ul",       "wbr",
             "xmp"});
}

// HTML elements that have no content and so are never open.
bool IsVoidHtmlElement(std::string_view name) {
  return NameIn(
      name, {"area", "base", "basefont", "bgsound", "br", "embed", "hr", "image", "img", "input",
             "isindex", "keygen", "link", "menuitem", "meta", "param", "source", "track", "wbr"});
}

// Start tags that end foreign content and are handled as HTML.
bool BreaksOutOfForeignContent(const HeadToken& token) {
  if (TagNameIs(token.name, "font")) {
    std::string_view value;
    return FindAttribute(token.attributes, "color", &value) ||
           FindAttribute(token.attributes, "face", &value) ||
           FindAttribute(token.attributes, "size", &value);
  }
  return NameIn(
      token.name,
      {"b",      "big",  "blockquote", "body",  "br",   "center", "code",    "dd",   "div",
       "dl",     "dt",   "em",         "embed", "h1",   "h2",     "h3",      "h4",   "h5",
       "h6",     "head", "hr",         "i",     "img",  "li",     "listing", "menu", "meta",
       "nobr",   "ol",   "p",          "pre",   "ruby", "s",      "small",   "span", "strong",
       "strike", "sub",  "sup",        "table", "tt",   "u",      "ul",      "var"});
}

enum class Space : std::uint8_t { kHtml, kSvg, kMathMl };

// The insertion mode a template's contents settle into with their first element.
enum class TemplateMode : std::uint8_t { kUndecided, kBody, kColumnGroup, kTable };

// One element open inside template contents, with what the tree builder needs to know of it.
// Trivial, so that the stack of them costs nothing to set up for pages without templates; every
// element is built with all its fields given (OpenElement{} starts from all false).
struct OpenElement {
  std::string_view name;
  Space space;
  bool is_template;
  bool integration_point;       // start tags in it follow the HTML rules
  bool text_integration_point;  // MathML text: start tags other than mglyph, malignmark too
  bool boundary;                // stops the search of an end tag for its element
  bool scope_boundary;          // ends the scope in which an end tag finds its element
  TemplateMode template_mode;
};

enum class Mode : std::uint8_t {
  kInitial,
  kBeforeHtml,
  kBeforeHead,
  kInHead,
  kInHeadNoscript,
  kInTemplate,
};

// What a mode handler asks for: the next token, the same token again in the new mode, or an end
// because the head's end is known.
enum class Step : std::uint8_t { kNext, kReprocess, kDone };

// Runs the tree construction rules from the start of the page to the end of the head.
class HeadTreeBuilder {
 public:
  explicit HeadTreeBuilder(std::string_view page) : tokenizer_(page, StartOf(page)) {}

  HeadLocation Run() {
    for (;;) {
      const HeadToken token = tokenizer_.Next();
      Step step = Step::kReprocess;
      if (IsServerCode(token)) {
        step = ServerCode(token);
      } else {
        while (step == Step::kReprocess) step = Dispatch(token);
        if (token.kind != HeadTokenKind::kWhitespace && token.kind != HeadTokenKind::kComment &&
            token.kind != HeadTokenKind::kDoctype) {
          trailing_server_code_ = kNoPosition;
        }
      }
      if (step == Step::kDone) return where_;
      tokenizer_.set_in_foreign_content(open_count_ > 0 && Top().space != Space::kHtml);
    }
  }

 private:
  // A UTF-8 byte order mark is not part of the document.
  static std::size_t StartOf(std::string_view page) {
    return page.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  }

  // Hands the token to the handler of the current insertion mode. Each handler follows the mode
  // of its name as far as the head is concerned.
  Step Dispatch(const HeadToken& token) {
    switch (mode_) {
      case Mode::kInitial:
        return Initial(token);
      case Mode::kBeforeHtml:
        return BeforeHtml(token);
      case Mode::kBeforeHead:
        return BeforeHead(token);
      case Mode::kInHead:
        return InHead(token);
      case Mode::kInHeadNoscript:
        return InHeadNoscript(token);
      case Mode::kInTemplate:
        return InTemplate(token);
    }
    return Step::kDone;
  }

  // The head ends at `inner_end`.
  Step Finish(std::size_t inner_end) {
    where_.inner_end = inner_end;
    return Step::kDone;
  }

  // The head ends with the token at `end` that belongs to the body, or with the page. Server code
  // between the head's last element and that token stays outside the head, with the body it
  // leads into (an "if" around the body, say).
  Step FinishImplicitly(std::size_t end) {
    return Finish(trailing_server_code_ != kNoPosition ? trailing_server_code_ : end);
  }

  // A block of server code, or a script the server runs (<script runat="server">), outside
  // template contents.
  bool IsServerCode(const HeadToken& token) const {
    if (token.kind == HeadTokenKind::kServerCode) return true;
    std::string_view runat;
    return token.kind == HeadTokenKind::kStartTag && mode_ != Mode::kInTemplate &&
           TagNameIs(token.name, "script") && FindAttribute(token.attributes, "runat", &runat) &&
           EqualsIgnoringCase(runat, "server");
  }

  // Server code is left out of the tree: it makes no head and ends none, wherever it stands. A
  // block the page ends inside of holds the rest of the page, head or not, and is named as the
  // element that runs the head to the end.
  Step ServerCode(const HeadToken& token) {
    std::size_t unclosed_at = kNoPosition;
    if (token.kind == HeadTokenKind::kServerCode) {
      if (token.unclosed) unclosed_at = token.begin;
    } else if (const HeadToken end = tokenizer_.SkipText(TextState::kScriptData, "script");
               end.kind == HeadTokenKind::kEndOfFile) {
      unclosed_at = end.begin;
    }
    if (unclosed_at != kNoPosition) {
      where_.unclosed_element =
          token.kind == HeadTokenKind::kServerCode ? kUnclosedServerCode : "script";
      if (mode_ < Mode::kInHead) where_.inner_begin = token.begin;
      return Finish(token.kind == HeadTokenKind::kServerCode ? token.end : unclosed_at);
    }
    if (mode_ >= Mode::kInHead && trailing_server_code_ == kNoPosition) {
      trailing_server_code_ = token.begin;
    }
    return Step::kNext;
  }

  // Reads the text of a raw text element; the end of the page inside it ends the head, with the
  // element unclosed. Plaintext never closes: there the template around it is what stays open.
  Step SkipText(TextState state, std::string_view element) {
    const HeadToken end = tokenizer_.SkipText(state, element);
    if (end.kind != HeadTokenKind::kEndOfFile) return Step::kNext;
    where_.unclosed_element = state == TextState::kPlaintext ? "template" : element;
    return Finish(end.begin);
  }

  Step Initial(const HeadToken& token) {
    if (token.kind == HeadTokenKind::kWhitespace || token.kind == HeadTokenKind::kComment) {
      return Step::kNext;
    }
    mode_ = Mode::kBeforeHtml;
    return token.kind == HeadTokenKind::kDoctype ? Step::kNext : Step::kReprocess;
  }

  Step BeforeHtml(const HeadToken& token) {
    switch (token.kind) {
      case HeadTokenKind::kWhitespace:
      case HeadTokenKind::kComment:
      case HeadTokenKind::kDoctype:
        return Step::kNext;
      case HeadTokenKind::kEndTag:
        if (!IsHeadBodyHtmlOrBrEnd(token)) return Step::kNext;
        break;
      default:
        break;
    }
    mode_ = Mode::kBeforeHead;
    return IsStartTag(token, "html") ? Step::kNext : Step::kReprocess;
  }

  Step BeforeHead(const HeadToken& token) {
    switch (token.kind) {
      case HeadTokenKind::kWhitespace:
      case HeadTokenKind::kComment:
      case HeadTokenKind::kDoctype:
        return Step::kNext;
      case HeadTokenKind::kStartTag:
        // A second <html> start tag here implies the head, as the parser of reference reads it.
        if (TagNameIs(token.name, "head")) {
          where_.has_start_tag = true;
          where_.inner_begin = token.end;
          mode_ = Mode::kInHead;
          return Step::kNext;
        }
        break;
      case HeadTokenKind::kEndTag:
        if (!IsHeadBodyHtmlOrBrEnd(token)) return Step::kNext;
        break;
      default:
        break;
    }
    // Anything else implies the head, starting at this token.
    where_.inner_begin = token.begin;
    mode_ = Mode::kInHead;
    return Step::kReprocess;
  }

  Step InHead(const HeadToken& token) {
    switch (token.kind) {
      case HeadTokenKind::kWhitespace:
      case HeadTokenKind::kComment:
      case HeadTokenKind::kDoctype:
        return Step::kNext;
      case HeadTokenKind::kStartTag: {
        const std::string_view name = token.name;
        if (NameIn(name,
                   {"html", "head", "base", "basefont", "bgsound", "link", "meta", "menuitem"})) {
          return Step::kNext;
        }
        if (TagNameIs(name, "title")) return SkipText(TextState::kRcdata, "title");
        if (TagNameIs(name, "style")) return SkipText(TextState::kRawtext, "style");
        if (TagNameIs(name, "noframes")) return SkipText(TextState::kRawtext, "noframes");
        if (TagNameIs(name, "script")) return SkipText(TextState::kScriptData, "script");
        if (TagNameIs(name, "noscript")) {
          // Scripting is off, so noscript holds markup.
          mode_ = Mode::kInHeadNoscript;
          return Step::kNext;
        }
        if (TagNameIs(name, "template")) {
          OpenTemplate();
          return Step::kNext;
        }
        break;
      }
      case HeadTokenKind::kEndTag:
        if (TagNameIs(token.name, "head")) return Finish(token.begin);
        if (!NameIn(token.name, {"body", "html", "br"})) return Step::kNext;
        break;
      default:
        break;
    }
    return FinishImplicitly(token.begin);
  }

  Step InHeadNoscript(const HeadToken& token) {
    switch (token.kind) {
      case HeadTokenKind::kWhitespace:
      case HeadTokenKind::kComment:
      case HeadTokenKind::kDoctype:
        return Step::kNext;
      case HeadTokenKind::kStartTag:
        if (NameIn(token.name,
                   {"html", "head", "noscript", "basefont", "bgsound", "link", "meta"})) {
          return Step::kNext;
        }
        if (TagNameIs(token.name, "style")) return SkipText(TextState::kRawtext, "style");
        if (TagNameIs(token.name, "noframes")) return SkipText(TextState::kRawtext, "noframes");
        break;
      case HeadTokenKind::kEndTag:
        if (TagNameIs(token.name, "noscript")) {
          mode_ = Mode::kInHead;
          return Step::kNext;
        }
        if (!TagNameIs(token.name, "br")) return Step::kNext;
        break;
      default:
        break;
    }
    // Anything else closes the noscript element and goes back to the head.
    mode_ = Mode::kInHead;
    return Step::kReprocess;
  }

  // Template contents: only what can steer the tokenizer or close the template is followed.
  Step InTemplate(const HeadToken& token) {
    switch (token.kind) {
      case HeadTokenKind::kEndOfFile:
        where_.unclosed_element = "template";
        return Finish(token.begin);
      case HeadTokenKind::kStartTag:
        return UsesHtmlRules(token) ? HtmlStartTag(token) : ForeignStartTag(token);
      case HeadTokenKind::kEndTag:
        return Top().space == Space::kHtml ? HtmlEndTag(token) : ForeignEndTag(token);
      default:
        return Step::kNext;
    }
  }

  // Whether a start tag is handled as HTML rather than as foreign content.
  bool UsesHtmlRules(const HeadToken& start_tag) const {
    const OpenElement& current = Top();
    return current.space == Space::kHtml || current.integration_point ||
           (current.text_integration_point && !NameIn(start_tag.name, {"mglyph", "malignmark"})) ||
           (current.space == Space::kMathMl && TagNameIs(current.name, "annotation-xml") &&
            TagNameIs(start_tag.name, "svg"));
  }

  // A start tag in SVG or MathML: a foreign element, or an HTML tag that ends the foreign content.
  Step ForeignStartTag(const HeadToken& token) {
    if (BreaksOutOfForeignContent(token)) {
      while (open_count_ > 1 && Top().space != Space::kHtml && !Top().integration_point &&
             !Top().text_integration_point) {
        Pop();
      }
      return Step::kReprocess;
    }
    if (!token.self_closing) Push(ForeignElement(token, Top().space));
    return Step::kNext;
  }

  // An end tag in SVG or MathML closes the nearest foreign element of its name; reaching an HTML
  // element first hands it to the HTML rules.
  Step ForeignEndTag(const HeadToken& token) {
    for (std::size_t i = open_count_; i-- > 0;) {
      const OpenElement& node = open_[i];
      if (i + 1 < open_count_ && node.space == Space::kHtml) return HtmlEndTag(token);
      if (EqualsIgnoringCase(node.name, token.name)) {
        PopThrough(i);
        return Step::kNext;
      }
    }
    return Step::kNext;
  }

  // An HTML start tag in template contents: raw text elements switch the tokenizer, templates
  // nest, and other elements are kept as far as they matter to later end tags.
  Step HtmlStartTag(const HeadToken& token) {
    const std::string_view name = token.name;
    if (TagNameIs(name, "template")) {
      OpenTemplate();
      return Step::kNext;
    }
    OpenElement& owner = NearestTemplate();
    const bool at_template = &owner == &Top();
    if (at_template && owner.template_mode == TemplateMode::kColumnGroup) {
      return Step::kNext;  // only col and template belong in a column group
    }
    if (const std::size_t select = OpenSelect(); select != kNoElement) {
      return SelectStartTag(token, select);
    }
    if (at_template && owner.template_mode == TemplateMode::kUndecided &&
        !NameIn(name, {"base", "basefont", "bgsound", "link", "meta", "noframes", "script", "style",
                       "title"})) {
      if (NameIn(name, {"caption", "colgroup", "tbody", "tfoot", "thead", "tr", "td", "th"})) {
        owner.template_mode = TemplateMode::kTable;
      } else if (TagNameIs(name, "col")) {
        owner.template_mode = TemplateMode::kColumnGroup;
        return Step::kNext;
      } else {
        owner.template_mode = TemplateMode::kBody;
      }
    }
    if (TagNameIs(name, "title")) return SkipText(TextState::kRcdata, "title");
    if (TagNameIs(name, "textarea")) return SkipText(TextState::kRcdata, "textarea");
    for (std::string_view raw : {"style", "xmp", "iframe", "noembed", "noframes"}) {
      if (TagNameIs(name, raw)) return SkipText(TextState::kRawtext, raw);
    }
    if (TagNameIs(name, "script")) return SkipText(TextState::kScriptData, "script");
    if (TagNameIs(name, "plaintext")) return SkipText(TextState::kPlaintext, "plaintext");
    if (TagNameIs(name, "svg") || TagNameIs(name, "math")) {
      if (!token.self_closing) {
        OpenElement root{};
        root.name = name;
        root.space = TagNameIs(name, "svg") ? Space::kSvg : Space::kMathMl;
        Push(root);
      }
      return Step::kNext;
    }
    if (IsVoidHtmlElement(name) || NameIn(name, {"html", "head", "body", "frameset", "frame"})) {
      return Step::kNext;
    }
    if (NameIn(name, {"caption", "col", "colgroup", "tbody", "td", "tfoot", "th", "thead", "tr"}) &&
        (!InTableContext() || TagNameIs(name, "col"))) {
      return Step::kNext;  // table parts outside a table are ignored
    }
    Push(HtmlElement(name));
    return Step::kNext;
  }

  // In a select only options, option groups, scripts and templates are taken in.
  Step SelectStartTag(const HeadToken& token, std::size_t select) {
    const std::string_view name = token.name;
    if (TagNameIs(name, "option") || TagNameIs(name, "optgroup")) {
      if (TagNameIs(Top().name, "option")) Pop();
      if (TagNameIs(name, "optgroup") && TagNameIs(Top().name, "optgroup")) Pop();
      Push(HtmlElement(name));
      return Step::kNext;
    }
    if (TagNameIs(name, "select")) {
      PopThrough(select);
      return Step::kNext;
    }
    if (NameIn(name, {"input", "keygen", "textarea"}) ||
        (InTableContextBelow(select) &&
         NameIn(name, {"caption", "table", "tbody", "tfoot", "thead", "tr", "td", "th"}))) {
      PopThrough(select);
      return Step::kReprocess;
    }
    if (TagNameIs(name, "script")) return SkipText(TextState::kScriptData, "script");
    return Step::kNext;
  }

  // An HTML end tag in template contents: </template> closes the innermost template; others close
  // elements the way the body does.
  Step HtmlEndTag(const HeadToken& token) {
    const std::string_view name = token.name;
    if (TagNameIs(name, "template")) {
      CloseTemplate();
      return Step::kNext;
    }
    if (const std::size_t select = OpenSelect(); select != kNoElement) {
      if (TagNameIs(name, "select")) {
        PopThrough(select);
      } else if (TagNameIs(name, "option") && TagNameIs(Top().name, "option")) {
        Pop();
      } else if (TagNameIs(name, "optgroup")) {
        if (TagNameIs(Top().name, "option") && open_count_ >= 2 &&
            TagNameIs(open_[open_count_ - 2].name, "optgroup")) {
          Pop();
        }
        if (TagNameIs(Top().name, "optgroup")) Pop();
      }
      return Step::kNext;
    }
    if (NameIn(name, {"h1", "h2", "h3", "h4", "h5", "h6"})) {
      PopThroughInScope(
          [](const OpenElement& e) {
            return NameIn(e.name, {"h1", "h2", "h3", "h4", "h5", "h6"});
          },
          {});
      return Step::kNext;
    }
    if (NameIn(name,
               {"address",    "applet",  "article", "aside",   "blockquote", "button", "center",
                "dd",         "details", "dir",     "div",     "dl",         "dt",     "fieldset",
                "figcaption", "figure",  "footer",  "form",    "header",     "hgroup", "li",
                "listing",    "main",    "marquee", "menu",    "nav",        "object", "ol",
                "p",          "pre",     "section", "summary", "ul"})) {
      const bool list_item = TagNameIs(name, "li");
      const bool paragraph = TagNameIs(name, "p");
      PopThroughInScope([name](const OpenElement& e) { return EqualsIgnoringCase(e.name, name); },
                        list_item   ? Names{"ol", "ul"}
                        : paragraph ? Names{"button"}
                                    : Names{});
      return Step::kNext;
    }
    // Any other end tag closes the nearest element of its name, unless a boundary comes first.
    for (std::size_t i = open_count_; i-- > 0;) {
      const OpenElement& node = open_[i];
      if (node.space == Space::kHtml && EqualsIgnoringCase(node.name, name)) {
        PopThrough(i);
        break;
      }
      if (node.boundary) break;
    }
    return Step::kNext;
  }

  // Pops through the nearest element `matches` accepts if it is in scope (no scope boundary, nor
  // an element named in `extra_boundaries`, lies above it).
  template <typename Matches>
  void PopThroughInScope(Matches matches, Names extra_boundaries) {
    for (std::size_t i = open_count_; i-- > 0;) {
      const OpenElement& node = open_[i];
      if (node.space == Space::kHtml && matches(node)) {
        PopThrough(i);
        return;
      }
      if (node.scope_boundary ||
          (node.space == Space::kHtml && NameIn(node.name, extra_boundaries))) {
        return;
      }
    }
  }

  // An open HTML element of the given name.
  static OpenElement HtmlElement(std::string_view name) {
    OpenElement element{};
    element.name = name;
    element.boundary = IsBoundaryHtmlElement(name);
    element.scope_boundary = NameIn(
        name, {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"});
    return element;
  }

  // An open foreign element for a start tag, in the namespace of the element it opens in.
  static OpenElement ForeignElement(const HeadToken& token, Space space) {
    OpenElement element{};
    element.name = token.name;
    element.space = space;
    if (space == Space::kSvg) {
      element.integration_point = NameIn(token.name, {"foreignobject", "desc", "title"});
    } else if (TagNameIs(token.name, "annotation-xml")) {
      std::string_view encoding;
      element.integration_point =
          FindAttribute(token.attributes, "encoding", &encoding) &&
          (TagNameIs(encoding, "text/html") || TagNameIs(encoding, "application/xhtml+xml"));
      element.boundary = element.scope_boundary = true;
    } else {
      element.text_integration_point = NameIn(token.name, {"mi", "mo", "mn", "ms", "mtext"});
    }
    if (element.integration_point || element.text_integration_point) {
      element.boundary = element.scope_boundary = true;
    }
    return element;
  }

  // Opens a template; the head stays open until every template is closed.
  void OpenTemplate() {
    OpenElement element = HtmlElement("template");
    element.is_template = true;
    if (!Push(element)) ++hidden_templates_;
    mode_ = Mode::kInTemplate;
  }

  // Closes the innermost template with everything open inside it.
  void CloseTemplate() {
    if (hidden_templates_ > 0) {
      --hidden_templates_;
      return;
    }
    std::size_t i = open_count_;
    while (i > 0 && !open_[--i].is_template) {
    }
    open_count_ = i;
    if (open_count_ == 0) mode_ = Mode::kInHead;
  }

  // Stack operations on the elements open inside template contents; the outermost template stays
  // at the bottom until CloseTemplate.
  bool Push(const OpenElement& element) {
    if (open_count_ == open_.size()) return false;  // deeper nesting is not followed
    open_[open_count_++] = element;
    return true;
  }

  void Pop() {
    if (open_count_ > 1) --open_count_;
  }

  void PopThrough(std::size_t index) { open_count_ = std::max<std::size_t>(index, 1); }

  const OpenElement& Top() const { return open_[open_count_ - 1]; }

  // The innermost open template.
  OpenElement& NearestTemplate() {
    std::size_t i = open_count_ - 1;
    while (i > 0 && !open_[i].is_template) --i;
    return open_[i];
  }

  // The open select the current insertion mode belongs to, or kNoElement.
  std::size_t OpenSelect() const {
    for (std::size_t i = open_count_; i-- > 0;) {
      if (open_[i].is_template) return kNoElement;
      if (open_[i].space == Space::kHtml && TagNameIs(open_[i].name, "select")) return i;
    }
    return kNoElement;
  }

  bool InTableContext() const { return InTableContextBelow(open_count_); }

  // Whether the elements below `index`, up to the nearest template, put the contents in a table.
  bool InTableContextBelow(std::size_t index) const {
    for (std::size_t i = index; i-- > 0;) {
      const OpenElement& node = open_[i];
      if (node.is_template) return node.template_mode == TemplateMode::kTable;
      if (node.space == Space::kHtml && NameIn(node.name, {"table", "tbody", "thead", "tfoot", "tr",
                                                           "td", "th", "caption", "colgroup"})) {
        return true;
      }
    }
    return false;
  }

  static constexpr std::size_t kNoElement = static_cast<std::size_t>(-1);
  static constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

  HtmlHeadTokenizer tokenizer_;
  Mode mode_ = Mode::kInitial;
  HeadLocation where_;
  std::array<OpenElement, 256> open_;  // elements open inside template contents, from the bottom
  std::size_t open_count_ = 0;
  std::size_t hidden_templates_ = 0;  // templates nested deeper than open_ holds
  // Where the server code that follows the head's last element so far begins; kNoPosition when
  // an element or text came after the last block, or there was none.
  std::size_t trailing_server_code_ = kNoPosition;
};

}  // namespace

HeadLocation LocateHead(std::string_view page) { return HeadTreeBuilder(page).Run(); }

bool HeadHasEnded(std::string_view start) {
  const HeadLocation head = LocateHead(start);
  return head.unclosed_element.empty() && head.inner_end + kHeadEndMargin <= start.size();
}

std::string_view HeadInnerHtml(std::string_view page, const HeadLocation& where) {
  const std::size_t begin = std::min(where.inner_begin, page.size());
  const std::size_t end = std::clamp(where.inner_end, begin, page.size());
  return page.substr(begin, end - begin);
}

std::array<std::string_view, 5> HeadReplacementPieces(std::string_view page,
                                                      const HeadLocation& where,
                                                      std::string_view new_inner) {
  const std::size_t begin = std::min(where.inner_begin, page.size());
  const std::size_t end = std::clamp(where.inner_end, begin, page.size());
  const std::string_view open = where.has_start_tag ? "" : "<head>";
  const std::string_view close = where.has_start_tag ? "" : "</head>";
  return {page.substr(0, begin), open, new_inner, close, page.substr(end)};
}

std::string ReplaceHeadInnerHtml(std::string_view page, const HeadLocation& where,
                                 std::string_view new_inner) {
  const std::array<std::string_view, 5> pieces = HeadReplacementPieces(page, where, new_inner);
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string result;
  result.reserve(size);
  for (const std::string_view piece : pieces) result.append(piece);
  return result;
}

void CheckHeadIsClosed(const HeadLocation& where) {
  if (where.unclosed_element.empty()) return;
  if (where.unclosed_element == kUnclosedServerCode) {
    RaiseProgramError(kErrInvalidArgument,
                      "The head is malformed: a block of server code (\"<%\" or \"<?php\") is "
                      "never closed, so the head runs to the end of the file.");
  }
  RaiseProgramError(kErrInvalidArgument,
                    "The head is malformed: the <" + std::string(where.unclosed_element) +
                        "> element is never closed, so the head runs to the end of the file.");
}

}  // namespace kestrova

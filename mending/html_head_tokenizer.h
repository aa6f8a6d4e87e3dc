// The HTML5 tokenizer as far as the head locator needs it: the data state with tags, attributes,
// comments, DOCTYPEs and character references, CDATA sections in foreign content, and the text
// states (RCDATA, RAWTEXT, script data with its escaped and double-escaped states, PLAINTEXT) that
// a raw text element switches to. Server code is read as a token of its own, in the data state
// and inside tags alike, so that a ">" inside it ends nothing. It works on bytes, never allocates,
// and never reads past the end of the page.
#ifndef KESTROVA_MENDING_HTML_HEAD_TOKENIZER_H_
#define KESTROVA_MENDING_HTML_HEAD_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ascii.h"

namespace kestrova {

enum class HeadTokenKind : std::uint8_t {
  kWhitespace,  // whitespace characters only (a run of them, or one reference that yields one)
  kText,        // text whose first character is not whitespace (a CDATA section counts as text)
  kStartTag,
  kEndTag,
  kComment,  // comments, bogus comments and processing instructions
  kDoctype,
  kServerCode,  // a block of server code (see mending/server_code.h), whole
  kEndOfFile,
};

// One token. Positions follow the HTML parser of reference: a token starts where the tokenizer
// began to read it, which is right after the previous token, so markup that yields no token (an
// empty end tag "</>", a tag cut off by the end of the page) counts towards the next token.
struct HeadToken {
  HeadTokenKind kind = HeadTokenKind::kEndOfFile;
  std::size_t begin = 0;  // position of the token; for kEndOfFile, where the unread rest begins
  std::size_t end = 0;    // one past its last byte
  std::string_view name;  // tags only: the tag name as written
  std::string_view attributes;  // tags only: the bytes between the name and the closing '>'
  bool self_closing = false;    // tags only: the tag ends with "/>"
  bool unclosed = false;        // server code only: the page ends before the block does
};

// The text states a raw text element switches the tokenizer to.
enum class TextState : std::uint8_t { kRcdata, kRawtext, kScriptData, kPlaintext };

// Reads tokens from a page, starting at a given offset.
class HtmlHeadTokenizer {
 public:
  // Starts reading `page` at `start` (past a byte order mark, if any).
  HtmlHeadTokenizer(std::string_view page, std::size_t start) noexcept
      : page_(page), pos_(start), pending_(start) {}

  // Returns the next token of the data state; kEndOfFile at the end of the page, and again on
  // every later call.
  HeadToken Next() noexcept;

  // Consumes the text of a raw text element whose start tag was the last token, in the given
  // text state, and returns its end tag (a start tag named `element` ends it) or kEndOfFile when
  // the page ends first. Reading goes on in the data state afterwards.
  HeadToken SkipText(TextState state, std::string_view element) noexcept;

  // Whether the tree builder's current node is a foreign (SVG or MathML) element, where
  // "<![CDATA[" opens a CDATA section instead of a bogus comment.
  void set_in_foreign_content(bool foreign) noexcept { in_foreign_content_ = foreign; }

 private:
  HeadToken Emit(HeadTokenKind kind, std::size_t end) noexcept;
  HeadToken EndOfFile() noexcept;
  HeadToken ReadTag(std::size_t lt, bool end_tag) noexcept;
  HeadToken ReadMarkupDeclaration(std::size_t lt) noexcept;
  HeadToken ReadCharacterReference() noexcept;
  HeadToken FinishTextEndTag(std::size_t lt, std::size_t name_end) noexcept;
  std::size_t FindScriptEnd(std::size_t from, std::size_t* name_end) const noexcept;

  std::string_view page_;
  std::size_t pos_;      // next byte to read
  std::size_t pending_;  // where the next token begins
  bool in_foreign_content_ = false;
};

// Whether a tag name equals `lower_name` (given in ASCII lower case), ignoring ASCII case. The
// tree builder asks this many times for every tag, mostly of names of another length: inline, that
// costs one comparison.
constexpr bool TagNameIs(std::string_view name, std::string_view lower_name) noexcept {
  return EqualsLowerName(name, lower_name);
}

// Looks up the attribute `lower_name` (ASCII lower case) in a tag's attribute bytes; when found,
// sets *value to its raw value (empty for an attribute without one). The first of repeated
// attributes counts, as in the tree.
bool FindAttribute(std::string_view attributes, std::string_view lower_name,
                   std::string_view* value) noexcept;

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HTML_HEAD_TOKENIZER_H_

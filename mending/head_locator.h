// Finds the inner HTML of a page's head element where an HTML5 parser puts it, without parsing
// the whole page, and replaces it while every other byte stays as it was.
#ifndef KESTROVA_MENDING_HEAD_LOCATOR_H_
#define KESTROVA_MENDING_HEAD_LOCATOR_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// Where the head element's inner HTML lies in a page, as byte offsets.
struct HeadLocation {
  std::size_t inner_begin = 0;  // byte offset where the head's inner HTML starts
  std::size_t inner_end = 0;    // byte offset where it ends (the '<' of </head>, or of the token
                                // that closed the head implicitly)
  bool has_start_tag = false;   // the page holds an explicit <head> start tag that opened the head
  // The element whose missing end tag made the head run to the end of the page ("title",
  // "style", "script", "noframes", "template" and the like, or kUnclosedServerCode); empty when
  // the head ends as pages do. Names a string of static storage.
  std::string_view unclosed_element;
};

// The unclosed element of a page that ends inside a block of server code.
inline constexpr std::string_view kUnclosedServerCode = "server code";

// Locates the head the HTML5 tree construction rules build from `page`: after an explicit <head>
// start tag, from the end of that tag; for an implied head, from the token that implied it. The
// head ends at its end tag, at the token that closes it implicitly (a start tag that belongs to
// the body, the first text that is not whitespace, </body>, </html>, </br>) or at the end of the
// page. A UTF-8 byte order mark at the start is skipped. Any input gives a location within it.
//
// Server code (mending/server_code.h, and scripts marked runat="server") is left out of those
// rules: before the head it implies nothing, so a head follows the directives that lead a page;
// inside the head it is part of the head; server code between the head's last element and the
// token that ends the head implicitly stays outside the head.
HeadLocation LocateHead(std::string_view page);

// How far past the head's end the bytes must reach before HeadHasEnded trusts the end: further
// than any token whose cut-off start could have ended the head elsewhere.
inline constexpr std::size_t kHeadEndMargin = 4096;

// True when `start`, the first bytes of a page, shows where the head ends whatever follows: the
// head closes, with no element left open, at least kHeadEndMargin bytes before the end of
// `start`. A reader of a large page or a served one reads until this holds, or to the end.
bool HeadHasEnded(std::string_view start);

// Raises error 5 when the head runs to the end of the page because an element in it is never
// closed: such a head holds the page's body as well, and rewriting it would drop the body.
void CheckHeadIsClosed(const HeadLocation& where);

// The bytes of the head's inner HTML; `where` is clamped to the page.
std::string_view HeadInnerHtml(std::string_view page, const HeadLocation& where);

// The page with the head's inner HTML replaced by new_inner, as pieces to write one after another
// (see ReplaceHeadInnerHtml); some may be empty. They point into page and new_inner.
std::array<std::string_view, 5> HeadReplacementPieces(std::string_view page,
                                                      const HeadLocation& where,
                                                      std::string_view new_inner);

// Returns the page with the head's inner HTML replaced by new_inner. With an explicit <head>, only
// the bytes [inner_begin, inner_end) change. Without one, "<head>" + new_inner + "</head>" takes
// the place of [inner_begin, inner_end) (the bytes an HTML5 parser would have put in the implied
// head), so that the page gets a head where an HTML5 parser would imply it; no other byte moves.
// `where` is clamped to the page.
std::string ReplaceHeadInnerHtml(std::string_view page, const HeadLocation& where,
                                 std::string_view new_inner);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HEAD_LOCATOR_H_

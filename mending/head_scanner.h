// Cuts a head's inner HTML into elements with a small scanner of its own (no HTML parser), so that
// the rewrite can compare, drop and lay out elements while keeping their text as it was.
#ifndef KESTROVA_MENDING_HEAD_SCANNER_H_
#define KESTROVA_MENDING_HEAD_SCANNER_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "mending/closing_tag_index.h"
#include "mending/head_element.h"

namespace kestrova {

// Hands out the elements of a head one at a time, in their order, so that a caller that looks at
// each element once needs no list of them. Text outside elements (line breaks, spaces, stray text)
// belongs to no element. The head must outlive the scanner and the elements it gives.
class HeadScanner {
 public:
  // head_name ("page head", "mending head") names the text in the description of a failure.
  HeadScanner(std::string_view head, std::string_view head_name);

  // Puts the next element in element and returns true; returns false when no element is left.
  // Raises Failure 5 (invalid argument) when a "<" has no ">" after it, a comment has no "-->" or
  // server code is never closed: such a head cannot be cut without losing what follows. A block
  // of server code (mending/server_code.h) is an element of its own, kept as it was written.
  bool Next(HeadElement& element);

 private:
  // The first white space at or after from. It remembers its last answer, so that the questions
  // of one scan, which mostly come in increasing order, read the head about once.
  std::size_t NextSpace(std::size_t from);
  // The first block of server code at or after from, remembered in the same way.
  std::size_t NextServerCode(std::size_t from);
  std::size_t FindTagEnd(std::size_t p);
  void ReadMetaName(std::size_t p, std::size_t s, std::size_t g, HeadElement& element);

  std::string_view head_;
  std::string_view head_name_;
  ClosingTagIndex closing_tags_;
  std::size_t pos_ = 0;
  std::size_t space_searched_from_ = std::string_view::npos;
  std::size_t space_found_ = 0;
  std::size_t server_searched_from_ = std::string_view::npos;
  std::size_t server_found_ = 0;
};

// Returns the elements of head in their order (see HeadScanner).
std::vector<HeadElement> ScanHeadElements(std::string_view head,
                                          std::string_view head_name = "head");

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HEAD_SCANNER_H_

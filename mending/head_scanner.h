// Cuts a head's inner HTML into elements with a small scanner of its own (no HTML parser), so that
// the rewrite can compare, drop and lay out elements while keeping their text as it was.
#ifndef KESTROVA_MENDING_HEAD_SCANNER_H_
#define KESTROVA_MENDING_HEAD_SCANNER_H_

#include <string_view>
#include <vector>

#include "mending/head_element.h"

namespace kestrova {

// Returns the elements of head in their order. Text outside elements (line breaks, spaces, stray
// text) belongs to no element. head_name ("page head", "mending head") names the text in the
// description of a failure. Raises Failure 5 (invalid argument) when a "<" has no ">" after it or
// a comment has no "-->": such a head cannot be cut without losing what follows.
std::vector<HeadElement> ScanHeadElements(std::string_view head,
                                          std::string_view head_name = "head");

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HEAD_SCANNER_H_

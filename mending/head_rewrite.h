// The rewrite of one page head against one mending head: the mending head's elements go in as
// they are; the page head loses what they replace (META tags of the same NAME, identical elements,
// its title when the mending head brings one, the marks of an earlier mend), keeps the rest with
// its opening tags put on one line, and everything is laid out in a fixed order, one element a
// line.
#ifndef KESTROVA_MENDING_HEAD_REWRITE_H_
#define KESTROVA_MENDING_HEAD_REWRITE_H_

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// The text that marks an element left by an earlier mend. The rewrite never writes it; it removes
// every page element that holds it.
inline constexpr std::string_view kMendMarker = "Keywords by Kestrova Software & Design Ltd";

// What the rewrite takes from a mending file's head.
struct MendingHead {
  // Every element of the mending head, in order, as written.
  std::vector<std::string> elements;
  // The NAME values of its META tags whose first attribute is NAME, in order.
  std::vector<std::string> names;
};

// Cuts a mending file's head (its inner HTML) into mending elements and mending names. Raises
// Failure 5 when the head is malformed (see ScanHeadElements).
MendingHead ReadMendingHead(std::string_view mending_head);

// Returns the new head for page_head: the page's own title when the mending head's first element
// brings none, the mending elements but the last three, the page elements that survive, then the
// last three mending elements; each followed by CR LF. Raises Failure 9 when the mending head has
// fewer than three elements, and Failure 5 when the page head is malformed.
std::string RewritePageHead(std::string_view page_head, const MendingHead& mending);

// The opening part of an element (the characters before opening_length) with every CR and LF made
// a space and every run of spaces made one space; the rest of the element is appended unchanged.
void AppendNormalised(std::string& out, std::string_view element, std::size_t opening_length);

// The keywords that a keywords META tag's text (from its "<" up to its ">") holds: the value of its
// content attribute. Empty when the tag has no content value.
std::string_view KeywordsOfTag(std::string_view tag_text);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HEAD_REWRITE_H_

#include "mending/head_scanner.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/ascii.h"
#include "base/failure.h"
#include "mending/closing_tag_index.h"

namespace kestrova {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Position of the first white-space character in [from, end); kNotFound when none.
std::size_t FindHtmlSpace(std::string_view head, std::size_t from, std::size_t end) {
  for (std::size_t k = from; k < end; ++k) {
    if (IsHtmlSpace(head[k])) return k;
  }
  return kNotFound;
}

// True when normalising white space would change text: it holds a CR or LF, or two spaces in a
// row. Looks at eight bytes at a time, since every kept tag goes through here.
bool NeedsNormalising(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  // True when one of the eight bytes of v is zero.
  const auto has_zero_byte = [](std::uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
  const char* data = text.data();
  const std::size_t n = text.size();
  std::size_t k = 0;
  for (; k + 9 <= n; k += 8) {
    std::uint64_t here = 0;
    std::uint64_t next = 0;  // the same bytes moved on by one, for pairs of spaces
    std::memcpy(&here, data + k, 8);
    std::memcpy(&next, data + k + 1, 8);
    if (has_zero_byte(here ^ (kOnes * '\n')) || has_zero_byte(here ^ (kOnes * '\r')) ||
        has_zero_byte((here ^ (kOnes * ' ')) | (next ^ (kOnes * ' ')))) {
      return true;
    }
  }
  for (; k < n; ++k) {
    const char c = data[k];
    if (c == '\n' || c == '\r' || (c == ' ' && k + 1 < n && data[k + 1] == ' ')) return true;
  }
  return false;
}

[[noreturn]] void RaiseMalformed(std::string_view head_name, std::string_view what) {
  std::string description = "The ";
  description.append(head_name).append(" is malformed: ").append(what);
  RaiseProgramError(kErrInvalidArgument, std::move(description));
}

// Position of the ">" that ends the opening tag starting at p. A ">" inside a quoted attribute
// value does not end the tag, so that a value such as content="a>b" stays whole. When a quote
// never closes, the first ">" after p ends the tag. kNotFound when no ">" follows p at all.
std::size_t FindTagEnd(std::string_view head, std::size_t p) {
  const std::size_t first_gt = head.find('>', p);
  if (first_gt == kNotFound) return kNotFound;
  // Without a quote before the first ">", no quoted value can hold it: the usual case.
  const std::string_view before = head.substr(p, first_gt - p);
  if (before.find('"') == kNotFound && before.find('\'') == kNotFound) return first_gt;
  const std::size_t n = head.size();
  std::size_t k = p + 1;
  while (true) {
    while (k < n && head[k] != '>' && head[k] != '=') ++k;
    if (k >= n) return first_gt;
    if (head[k] == '>') return k;
    ++k;  // past "="
    while (k < n && IsHtmlSpace(head[k])) ++k;
    if (k < n && (head[k] == '"' || head[k] == '\'')) {
      const std::size_t close = head.find(head[k], k + 1);
      if (close == kNotFound) return first_gt;
      k = close + 1;
    }
  }
}

// Finds the next white space at or after a position, remembering its last answer so that the
// questions of one scan, which mostly come in increasing order, read the head about once.
class NextSpaceFinder {
 public:
  explicit NextSpaceFinder(std::string_view head) : head_(head) {}
  std::size_t Find(std::size_t from) {
    if (from < searched_from_ || from > found_) {
      searched_from_ = from;
      found_ = FindHtmlSpace(head_, from, head_.size());
    }
    return found_;
  }

 private:
  std::string_view head_;
  std::size_t searched_from_ = kNotFound;
  std::size_t found_ = 0;
};

// The attribute rule of a META tag: only its first attribute is looked at. s is the first space
// after the tag name (kNotFound when none), g the tag's end.
void ReadMetaName(std::string_view head, std::size_t p, std::size_t s, std::size_t g,
                  NextSpaceFinder& spaces, HeadElement& element) {
  if (s == kNotFound || s > g) return;  // a META without attributes has no NAME value
  const std::size_t q = head.find('=', s);
  if (q == kNotFound) return;
  std::string_view attribute = head.substr(s, q - s);
  while (!attribute.empty() && IsHtmlSpace(attribute.front())) attribute.remove_prefix(1);
  while (!attribute.empty() && IsHtmlSpace(attribute.back())) attribute.remove_suffix(1);
  if (!EqualsIgnoringCase(attribute, "NAME")) return;

  std::size_t v = q + 1;
  while (v < head.size() && IsHtmlSpace(head[v])) ++v;
  std::string_view value;
  if (v < head.size() && head[v] == '"') {
    const std::size_t close = head.find('"', v + 1);
    // An unterminated quoted value runs to the end of the tag.
    const std::size_t end = (close == kNotFound || close > g) ? g : close;
    value = head.substr(v + 1, end > v ? end - v - 1 : 0);
  } else {
    // An unquoted value runs to the next white space, past the tag's end if need be, or to the
    // end of the head when none follows.
    const std::size_t space = spaces.Find(v);
    value = head.substr(v, (space == kNotFound ? head.size() : space) - v);
  }
  element.has_name_value = true;
  element.name_value = value;
  element.tag_text = head.substr(p, g - p);
}

}  // namespace

std::vector<HeadElement> ScanHeadElements(std::string_view head, std::string_view head_name) {
  std::vector<HeadElement> elements;
  elements.reserve(head.size() / 64 + 8);  // about one element per line of a typical head
  ClosingTagIndex closing_tags(head);
  NextSpaceFinder spaces(head);
  std::size_t pos = 0;
  while (true) {
    const std::size_t p = head.find('<', pos);
    if (p == kNotFound) break;
    HeadElement element;
    std::size_t e = 0;
    if (head.compare(p, 4, "<!--") == 0) {
      const std::size_t close = head.find("-->", p + 2);  // "<!-->" is a whole comment
      if (close == kNotFound) {
        RaiseMalformed(head_name, "the comment at byte " + std::to_string(p + 1) +
                                      " has no \"-->\" to end it.");
      }
      e = close + 2;
      element.is_comment = true;
      element.opening_length = head.find('>', p) - p;
      element.opening_needs_normalising = NeedsNormalising(head.substr(p, element.opening_length));
    } else {
      const std::size_t g = FindTagEnd(head, p);
      if (g == kNotFound) {
        RaiseMalformed(head_name,
                       "the \"<\" at byte " + std::to_string(p + 1) + " has no \">\" after it.");
      }
      // The tag name ends at white space of any kind (a line break as much as a space), so that
      // an opening tag written over several lines keeps its name, its attributes and its body.
      std::size_t i = p + 1;
      while (IsHtmlSpace(head[i])) ++i;  // stops at g at the latest
      const std::size_t s = FindHtmlSpace(head, i, g);
      const std::size_t name_end = (s != kNotFound && s < g) ? s : g;
      const std::string_view name = head.substr(i, name_end - i);
      if (EqualsIgnoringCase(name, "META")) ReadMetaName(head, p, s, g, spaces, element);

      const std::size_t closing_length = name.size() + 3;  // "</" + name + ">"
      std::size_t c = closing_tags.Find(name, p);
      if (c != kNotFound && c + closing_length - 1 < g) {
        // Only a ">" inside a quoted value puts a closing tag inside the opening tag; the element
        // then runs to a closing tag after it.
        c = closing_tags.Find(name, g + 1);
      }
      e = (c == kNotFound) ? g : c + closing_length - 1;
      element.opening_length = g - p;
      element.opening_needs_normalising = NeedsNormalising(head.substr(p, element.opening_length));
    }
    element.text = head.substr(p, e - p + 1);
    elements.push_back(element);
    pos = e + 1;
  }
  return elements;
}

}  // namespace kestrova

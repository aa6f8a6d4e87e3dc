#include "mending/head_scanner.h"

#include <string>

#include "base/ascii.h"
#include "base/failure.h"
#include "mending/byte_search.h"
#include "mending/closing_tag_index.h"
#include "mending/server_code.h"

namespace kestrova {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// Position of the first white-space character in [from, end); kNotFound when none.
std::size_t FindHtmlSpace(std::string_view head, std::size_t from, std::size_t end) {
  for (std::size_t k = from; k < end; ++k) {
    if (IsHtmlSpace(head[k])) return k;
  }
  return kNotFound;
}

[[noreturn]] void RaiseMalformed(std::string_view head_name, std::string_view what) {
  std::string description = "The ";
  description.append(head_name).append(" is malformed: ").append(what);
  RaiseProgramError(kErrInvalidArgument, std::move(description));
}

}  // namespace

// Position of the ">" that ends the opening tag starting at p. A ">" inside a quoted attribute
// value does not end the tag, so that a value such as content="a>b" stays whole; nor does one
// inside server code, which is stepped over whole wherever it stands in the tag. When a quote
// never closes, the first ">" after p ends the tag. kNotFound when no ">" follows p at all.
std::size_t HeadScanner::FindTagEnd(std::size_t p) {
  // Walks the tag from "=" to "=": a quote right after one (blanks between) opens a value that
  // is stepped over whole; the first ">" met outside such a value ends the tag. Without quotes
  // that is the first ">" after p.
  const std::string_view head = head_;
  const std::size_t n = head.size();
  std::size_t k = p + 1;
  std::size_t server = NextServerCode(k);
  // Steps k over the block of server code that opens before `hit`, if one does.
  const auto skip_server_code_before = [&](std::size_t hit) {
    if (server >= hit && hit != kNotFound) return false;
    if (server == kNotFound) return false;
    const ServerCodeEnd block = FindServerCodeEnd(head, server);
    k = block.end;
    server = block.closed ? NextServerCode(k) : kNotFound;
    return true;
  };
  while (true) {
    const std::size_t hit = FindEitherByte(head, k, '>', '=');
    if (skip_server_code_before(hit)) continue;
    k = hit;
    if (k == kNotFound) return head.find('>', p);
    if (head[k] == '>') return k;
    ++k;  // past "="
    while (k < n && IsHtmlSpace(head[k])) ++k;
    if (k < n && (head[k] == '"' || head[k] == '\'')) {
      const char quote = head[k];
      ++k;
      std::size_t close = kNotFound;
      while ((close = FindByte(head, k, quote)) != kNotFound && skip_server_code_before(close)) {
      }
      if (close == kNotFound) return head.find('>', p);
      k = close + 1;
    }
  }
}

std::size_t HeadScanner::NextServerCode(std::size_t from) {
  if (from < server_searched_from_ || from > server_found_) {
    server_searched_from_ = from;
    server_found_ = from;
    while ((server_found_ = FindByte(head_, server_found_, '<')) != kNotFound &&
           !OpensServerCode(head_, server_found_)) {
      ++server_found_;
    }
  }
  return server_found_;
}

HeadScanner::HeadScanner(std::string_view head, std::string_view head_name)
    : head_(head), head_name_(head_name), closing_tags_(head) {}

std::size_t HeadScanner::NextSpace(std::size_t from) {
  if (from < space_searched_from_ || from > space_found_) {
    space_searched_from_ = from;
    space_found_ = FindHtmlSpace(head_, from, head_.size());
  }
  return space_found_;
}

// The attribute rule of a META tag: only its first attribute is looked at. s is the first space
// after the tag name (kNotFound when none), g the tag's end.
void HeadScanner::ReadMetaName(std::size_t p, std::size_t s, std::size_t g, HeadElement& element) {
  const std::string_view head = head_;
  if (s == kNotFound || s > g) return;  // a META without attributes has no NAME value
  const std::size_t q = FindByte(head, s, '=');
  if (q == kNotFound) return;
  std::string_view attribute = head.substr(s, q - s);
  while (!attribute.empty() && IsHtmlSpace(attribute.front())) attribute.remove_prefix(1);
  while (!attribute.empty() && IsHtmlSpace(attribute.back())) attribute.remove_suffix(1);
  if (!EqualsIgnoringCase(attribute, "NAME")) return;

  std::size_t v = q + 1;
  while (v < head.size() && IsHtmlSpace(head[v])) ++v;
  std::string_view value;
  if (v < head.size() && head[v] == '"') {
    const std::size_t close = FindByte(head, v + 1, '"');
    // An unterminated quoted value runs to the end of the tag.
    const std::size_t end = (close == kNotFound || close > g) ? g : close;
    value = head.substr(v + 1, end > v ? end - v - 1 : 0);
  } else {
    // An unquoted value runs to the next white space, past the tag's end if need be, or to the
    // end of the head when none follows.
    const std::size_t space = NextSpace(v);
    value = head.substr(v, (space == kNotFound ? head.size() : space) - v);
  }
  element.has_name_value = true;
  element.name_value = value;
  element.tag_text = head.substr(p, g - p);
}

bool HeadScanner::Next(HeadElement& element) {
  const std::string_view head = head_;
  const std::size_t p = FindByte(head, pos_, '<');
  if (p == kNotFound) return false;
  element = HeadElement();
  std::size_t e = 0;
  if (OpensServerCode(head, p)) {
    // Server code is kept as it was written, white space and all.
    const ServerCodeEnd block = FindServerCodeEnd(head, p);
    if (!block.closed) {
      RaiseMalformed(head_name_,
                     "the server code at byte " + std::to_string(p + 1) + " is never closed.");
    }
    e = block.end - 1;
    element.is_server_code = true;
  } else if (head.compare(p, 4, "<!--") == 0) {
    const std::size_t close = head.find("-->", p + 2);  // "<!-->" is a whole comment
    if (close == kNotFound) {
      RaiseMalformed(head_name_,
                     "the comment at byte " + std::to_string(p + 1) + " has no \"-->\" to end it.");
    }
    e = close + 2;
    element.is_comment = true;
    element.opening_length = FindByte(head, p, '>') - p;
  } else {
    const std::size_t g = FindTagEnd(p);
    if (g == kNotFound) {
      RaiseMalformed(head_name_,
                     "the \"<\" at byte " + std::to_string(p + 1) + " has no \">\" after it.");
    }
    // The tag name ends at white space of any kind (a line break as much as a space), so that
    // an opening tag written over several lines keeps its name, its attributes and its body.
    std::size_t i = p + 1;
    while (IsHtmlSpace(head[i])) ++i;  // stops at g at the latest
    const std::size_t s = FindHtmlSpace(head, i, g);
    const std::size_t name_end = (s != kNotFound && s < g) ? s : g;
    const std::string_view name = head.substr(i, name_end - i);
    if (EqualsIgnoringCase(name, "META")) ReadMetaName(p, s, g, element);

    const std::size_t closing_length = name.size() + 3;  // "</" + name + ">"
    std::size_t c = closing_tags_.Find(name, p);
    if (c != kNotFound && c + closing_length - 1 < g) {
      // Only a ">" inside a quoted value puts a closing tag inside the opening tag; the element
      // then runs to a closing tag after it.
      c = closing_tags_.Find(name, g + 1);
    }
    e = (c == kNotFound) ? g : c + closing_length - 1;
    element.opening_length = g - p;
  }
  element.text = head.substr(p, e - p + 1);
  pos_ = e + 1;
  return true;
}

std::vector<HeadElement> ScanHeadElements(std::string_view head, std::string_view head_name) {
  std::vector<HeadElement> elements;
  elements.reserve(head.size() / 64 + 8);  // about one element per line of a typical head
  HeadScanner scanner(head, head_name);
  HeadElement element;
  while (scanner.Next(element)) elements.push_back(element);
  return elements;
}

}  // namespace kestrova

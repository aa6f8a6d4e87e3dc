#include "mending/head_rewrite.h"

#include <array>
#include <string>
#include <unordered_set>

#include "base/ascii.h"
#include "base/failure.h"
#include "mending/head_scanner.h"

namespace kestrova {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
constexpr std::string_view kLineBreak = "\r\n";

// Membership in a list of strings: a plain walk for the few strings a mending head usually has,
// a hash set for large ones, so that the rewrite stays linear in the size of both heads.
class StringLookup {
 public:
  explicit StringLookup(const std::vector<std::string>& strings) : strings_(strings) {
    if (strings.size() > kLinearLimit) set_.insert(strings.begin(), strings.end());
  }

  bool Contains(std::string_view s) const {
    if (strings_.size() > kLinearLimit) return set_.count(s) != 0;
    for (const std::string& candidate : strings_) {
      if (candidate == s) return true;
    }
    return false;
  }

 private:
  static constexpr std::size_t kLinearLimit = 16;
  const std::vector<std::string>& strings_;
  std::unordered_set<std::string_view> set_;
};

bool IsTitleElement(std::string_view element) {
  return element.starts_with("<title") || element.starts_with("<TITLE");
}

// The characters that normalising folds: CR and LF become spaces, and runs of spaces become one.
constexpr bool IsSpaceLike(char c) { return c == ' ' || c == '\r' || c == '\n'; }
constexpr auto kSpaceLike = [] {
  std::array<bool, 256> table{};
  for (const char c : {' ', '\r', '\n'}) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// A kept page element in its normalised form: a view of the page head when normalising changes
// nothing, otherwise a place in the buffer of rewritten texts.
struct KeptElement {
  std::string_view text;
  std::size_t normalised_begin = kNotFound;
  std::size_t normalised_size = 0;
};

// What the layout does with a kept element.
enum class Placement { kAppend, kToFront, kDrop };

// The value after "=" at position equals in tag_text: quoted with " or ', or unquoted up to the
// next space. A quote that never closes runs to the end of the tag.
std::string_view AttributeValueAfter(std::string_view tag_text, std::size_t equals) {
  std::size_t v = equals + 1;
  while (v < tag_text.size() && tag_text[v] == ' ') ++v;
  if (v >= tag_text.size()) return {};
  const char quote = tag_text[v];
  if (quote == '"' || quote == '\'') {
    const std::size_t close = tag_text.find(quote, v + 1);
    const std::size_t end = close == kNotFound ? tag_text.size() : close;
    return tag_text.substr(v + 1, end - v - 1);
  }
  const std::size_t space = tag_text.find(' ', v);
  return tag_text.substr(v, (space == kNotFound ? tag_text.size() : space) - v);
}

// The page elements that the mending head does not replace, in page order and in normalised form,
// and the keywords of the page's keywords META tag (empty when it has none).
struct KeptElements {
  std::vector<KeptElement> elements;
  std::string_view old_keywords;
};

// Compares the page's elements with the mending head's and keeps those it does not replace. The
// opening parts that normalising changes are written one after the other to normalised, which
// the kept elements then view; it must outlive them. Raises Failure 5 when the page head is
// malformed.
KeptElements KeepUnreplacedElements(std::string_view page_head, const MendingHead& mending,
                                    std::string& normalised) {
  const std::vector<HeadElement> page_elements = ScanHeadElements(page_head, "page head");
  const StringLookup mending_names(mending.names);
  const StringLookup mending_texts(mending.elements);
  KeptElements kept;
  kept.elements.reserve(page_elements.size());
  for (const HeadElement& element : page_elements) {
    const bool matched = (element.has_name_value && mending_names.Contains(element.name_value)) ||
                         mending_texts.Contains(element.text);
    if (element.has_name_value && element.name_value == "keywords") {
      kept.old_keywords = KeywordsOfTag(element.tag_text);
    }
    if (matched) continue;
    if (element.opening_needs_normalising) {
      const std::size_t begin = normalised.size();
      AppendNormalised(normalised, element.text, element.opening_length);
      kept.elements.push_back({{}, begin, normalised.size() - begin});
    } else {
      kept.elements.push_back({element.text, kNotFound, 0});
    }
  }
  // Only now that normalised has stopped growing can the kept elements view it.
  for (KeptElement& element : kept.elements) {
    if (element.normalised_begin != kNotFound) {
      element.text =
          std::string_view(normalised).substr(element.normalised_begin, element.normalised_size);
    }
  }
  return kept;
}

// Decides where each kept element goes. A title element is moved to the front, or dropped when
// the mending head's first element brings a title; the element after a title is laid out like
// any other, even when it is a title itself. The marks of an earlier mend are dropped.
std::vector<Placement> PlaceKeptElements(const KeptElements& kept, const MendingHead& mending) {
  const std::vector<KeptElement>& elements = kept.elements;
  const bool mending_brings_title = mending.elements[0].find("<title>") != std::string::npos;
  std::vector<Placement> placement(elements.size(), Placement::kDrop);
  for (std::size_t j = 0; j < elements.size(); ++j) {
    if (IsTitleElement(elements[j].text)) {
      placement[j] = mending_brings_title ? Placement::kDrop : Placement::kToFront;
      if (++j == elements.size()) break;
    }
    const std::string_view text = elements[j].text;
    const bool holds_marker = text.find(kMendMarker) != kNotFound;
    const bool holds_old_keywords = !kept.old_keywords.empty() && text.starts_with("<!--") &&
                                    text.find(kept.old_keywords) != kNotFound;
    placement[j] = (holds_marker || holds_old_keywords) ? Placement::kDrop : Placement::kAppend;
  }
  return placement;
}

// Lays the new head out, one element a line: titles moved to the front (the last one moved
// stands first), the leading mending elements, the kept page elements, the last three mending
// elements.
std::string LayOutHead(const MendingHead& mending, const KeptElements& kept,
                       const std::vector<Placement>& placement) {
  const std::vector<std::string>& mending_elements = mending.elements;
  const std::vector<KeptElement>& elements = kept.elements;
  const std::size_t n = mending_elements.size();
  std::size_t size = 0;
  for (const std::string& element : mending_elements) size += element.size() + kLineBreak.size();
  for (std::size_t j = 0; j < elements.size(); ++j) {
    if (placement[j] != Placement::kDrop) size += elements[j].text.size() + kLineBreak.size();
  }
  std::string out;
  out.reserve(size);
  for (std::size_t j = elements.size(); j-- > 0;) {
    if (placement[j] == Placement::kToFront) out.append(elements[j].text).append(kLineBreak);
  }
  for (std::size_t k = 0; k + 3 < n; ++k) out.append(mending_elements[k]).append(kLineBreak);
  for (std::size_t j = 0; j < elements.size(); ++j) {
    if (placement[j] == Placement::kAppend) out.append(elements[j].text).append(kLineBreak);
  }
  for (std::size_t k = n - 3; k < n; ++k) out.append(mending_elements[k]).append(kLineBreak);
  return out;
}

}  // namespace

std::string_view KeywordsOfTag(std::string_view tag_text) {
  // The usual form, content="...", first; then any spelling of the attribute with blanks around
  // its "=" and any quotes, so that an unusual tag still yields its keywords rather than a piece
  // of another attribute.
  const std::size_t exact = tag_text.find("content=");
  if (exact != kNotFound) return AttributeValueAfter(tag_text, exact + 7);
  for (std::size_t at = FindIgnoringCase(tag_text, "content"); at != kNotFound;
       at = FindIgnoringCase(tag_text, "content", at + 1)) {
    std::size_t k = at + 7;
    while (k < tag_text.size() && tag_text[k] == ' ') ++k;
    if (k < tag_text.size() && tag_text[k] == '=') return AttributeValueAfter(tag_text, k);
  }
  return {};
}

void AppendNormalised(std::string& out, std::string_view element, std::size_t opening_length) {
  const std::string_view opening = element.substr(0, opening_length);
  out.reserve(out.size() + element.size());
  std::size_t k = 0;
  while (k < opening.size()) {
    // Copy the run up to the next space-like character in one piece, then fold the run of
    // space-like characters that starts there into one space.
    std::size_t run_end = k;
    while (run_end < opening.size() && !kSpaceLike[static_cast<unsigned char>(opening[run_end])]) {
      ++run_end;
    }
    out.append(opening.substr(k, run_end - k));
    if (run_end == opening.size()) break;
    out.push_back(' ');
    k = run_end;
    while (k < opening.size() && IsSpaceLike(opening[k])) ++k;
  }
  out.append(element.substr(opening.size()));
}

MendingHead ReadMendingHead(std::string_view mending_head) {
  const std::vector<HeadElement> elements = ScanHeadElements(mending_head, "mending head");
  MendingHead result;
  result.elements.reserve(elements.size());
  for (const HeadElement& element : elements) {
    result.elements.emplace_back(element.text);
    if (element.has_name_value) result.names.emplace_back(element.name_value);
  }
  return result;
}

std::string RewritePageHead(std::string_view page_head, const MendingHead& mending) {
  const std::size_t n = mending.elements.size();
  if (n < 3) {
    RaiseProgramError(kErrSubscriptOutOfRange,
                      "The mending file's head has " + std::to_string(n) +
                          (n == 1 ? " element" : " elements") +
                          "; it needs at least three, as its last three close the new head.");
  }
  std::string normalised;
  const KeptElements kept = KeepUnreplacedElements(page_head, mending, normalised);
  const std::vector<Placement> placement = PlaceKeptElements(kept, mending);
  return LayOutHead(mending, kept, placement);
}

}  // namespace kestrova

#include "mending/head_rewrite.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "base/ascii.h"
#include "base/failure.h"
#include "mending/head_scanner.h"
#include "mending/space_folding.h"

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

// A stretch of the new head being written: where it starts and how many characters it has.
struct Span {
  std::size_t begin = 0;
  std::size_t size = 0;
};

// Writes the new head in one pass over the page head: the leading mending elements first, then
// each page element that the mending head does not replace, in its normalised form, as the
// scanner hands it out, and the last three mending elements at the end. Two decisions need the
// whole page: the keywords that a comment must not hold are those of the page's last keywords
// META tag, and titles moved to the front stand before everything. Kept comments and moved
// titles are noted on the way, and settled once the page has been read.
class HeadWriter {
 public:
  HeadWriter(std::string_view page_head, const MendingHead& mending)
      : page_head_(page_head),
        mending_(mending),
        mending_names_(mending.names),
        mending_texts_(mending.elements),
        mending_brings_title_(mending.elements[0].find("<title>") != std::string::npos) {}

  std::string Write() {
    const std::vector<std::string>& mending_elements = mending_.elements;
    const std::size_t n = mending_elements.size();
    std::size_t mending_size = 0;
    for (const std::string& element : mending_elements) {
      mending_size += element.size() + kLineBreak.size();
    }
    // Normalising only shortens an element, and a page head usually has a line break after each
    // element already: the new head rarely outgrows this.
    out_.reserve(mending_size + page_head_.size() + page_head_.size() / 16 + 64);
    for (std::size_t k = 0; k + 3 < n; ++k) AppendLine(mending_elements[k]);

    HeadScanner scanner(page_head_, "page head");
    HeadElement element;
    while (scanner.Next(element)) Take(element);

    if (!old_keywords_.empty()) DropCommentsHoldingOldKeywords();
    for (std::size_t k = n - 3; k < n; ++k) AppendLine(mending_elements[k]);
    if (!titles_.empty()) PutTitlesInFront();
    return std::move(out_);
  }

 private:
  void AppendLine(std::string_view text) { out_.append(text).append(kLineBreak); }

  // Appends the element in its normalised form.
  static void AppendElement(std::string& out, const HeadElement& element) {
    AppendNormalised(out, element.text, element.opening_length);
  }

  // Decides what becomes of one page element. A title element is moved to the front, or dropped
  // when the mending head's first element brings a title; the element after a title is laid out
  // like any other, even when it is a title itself. The marks of an earlier mend are dropped.
  void Take(const HeadElement& element) {
    const bool is_keywords = element.has_name_value && element.name_value == "keywords";
    if (is_keywords) old_keywords_ = KeywordsOfTag(element.tag_text);
    if ((element.has_name_value && mending_names_.Contains(element.name_value)) ||
        mending_texts_.Contains(element.text)) {
      return;
    }
    // Normalising never changes the characters before the first space, so the title test can
    // look at the element as written.
    if (!after_title_ && IsTitleElement(element.text)) {
      after_title_ = true;
      if (!mending_brings_title_) {
        const std::size_t begin = title_texts_.size();
        AppendElement(title_texts_, element);
        titles_.push_back({begin, title_texts_.size() - begin});
      }
      return;
    }
    after_title_ = false;
    const std::size_t begin = out_.size();
    AppendElement(out_, element);
    const std::string_view text = std::string_view(out_).substr(begin);
    // Server code is the page's own program, never a mark of ours, whatever it holds.
    if (!element.is_server_code && text.find(kMendMarker) != kNotFound) {
      out_.resize(begin);
      return;
    }
    if (element.is_comment) comments_.push_back({begin, text.size()});
    out_.append(kLineBreak);
  }

  // Removes the kept comments that hold the page's old keywords, with their line breaks: the
  // text between them moves forward once, each piece straight to its final place.
  void DropCommentsHoldingOldKeywords() {
    std::size_t write = kNotFound;  // where the next piece that stays goes
    std::size_t read = 0;           // where that piece starts
    for (const Span& comment : comments_) {
      const std::string_view text = std::string_view(out_).substr(comment.begin, comment.size);
      if (text.find(old_keywords_) == kNotFound) continue;
      if (write == kNotFound) {
        write = comment.begin;
      } else {
        std::memmove(out_.data() + write, out_.data() + read, comment.begin - read);
        write += comment.begin - read;
      }
      read = comment.begin + comment.size + kLineBreak.size();
    }
    if (write != kNotFound) out_.erase(write, read - write);
  }

  // Puts the titles moved to the front before the rest, the last one moved first.
  void PutTitlesInFront() {
    std::string front;
    for (std::size_t j = titles_.size(); j-- > 0;) {
      front.append(std::string_view(title_texts_).substr(titles_[j].begin, titles_[j].size))
          .append(kLineBreak);
    }
    out_.insert(0, front);
  }

  std::string_view page_head_;
  const MendingHead& mending_;
  const StringLookup mending_names_;
  const StringLookup mending_texts_;
  const bool mending_brings_title_;
  std::string out_;
  // The keywords of the page's last keywords META tag so far.
  std::string_view old_keywords_;
  bool after_title_ = false;
  // The kept comments, as places in out_.
  std::vector<Span> comments_;
  // The titles moved to the front, in page order, as places in title_texts_.
  std::vector<Span> titles_;
  std::string title_texts_;
};

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
  // The element goes in as it is and is then folded where it lies: most openings need no
  // folding, and those are only copied and read.
  const std::size_t begin = out.size();
  out.append(element);
  char* const opening = out.data() + begin;
  const std::size_t folded = FoldSpaceRuns(opening, opening_length);
  if (folded == opening_length) return;
  const std::size_t rest = element.size() - opening_length;
  std::memmove(opening + folded, opening + opening_length, rest);
  out.resize(begin + folded + rest);
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
  return HeadWriter(page_head, mending).Write();
}

}  // namespace kestrova

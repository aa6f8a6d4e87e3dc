// Finds closing tags ("</name>", ASCII case ignored) in a head text in time that grows linearly
// with the text. A plain search from every tag for its closing tag reads the rest of the head once
// per element when the tag has none (META, LINK), which grows with the square of the head; this
// index reads the text once, and then answers each question by moving a cursor per tag name
// forward through the closing tags it recorded.
#ifndef KESTROVA_MENDING_CLOSING_TAG_INDEX_H_
#define KESTROVA_MENDING_CLOSING_TAG_INDEX_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ascii.h"

namespace kestrova {

class ClosingTagIndex {
 public:
  // Indexes text, which must outlive the index.
  explicit ClosingTagIndex(std::string_view text);

  // Position of the first "</" + name + ">" in the text at or after from, ASCII letters folded;
  // npos when there is none. Cheapest when the calls for one name come with growing from.
  std::size_t Find(std::string_view name, std::size_t from);

 private:
  // One "</" in the text and the name written between it and the next ">".
  struct Candidate {
    std::size_t position;
    std::string_view name;
    std::uint64_t key;
  };
  // Where the search for one name stands: candidates before index are behind the last answer.
  struct Cursor {
    std::string_view name;
    std::uint64_t key = 0;
    std::size_t from = 0;
    std::size_t index = 0;
  };

  // A summary of a name: its length and its first seven bytes, ASCII letters folded. Names with
  // different keys differ; names of up to seven bytes with the same key are the same name, which
  // covers the tag names of a head, so that most comparisons are one comparison of keys.
  static std::uint64_t KeyOf(std::string_view name);
  // True when two names with equal keys are the same name.
  static bool SameName(std::string_view a, std::string_view b) {
    return a.size() <= kKeyBytes || EqualsIgnoringCase(a, b);
  }
  static constexpr std::size_t kKeyBytes = 7;

  // Up to this many names get a cursor; a head with more names is grouped by name instead.
  static constexpr std::size_t kMaxCursors = 16;
  static constexpr std::size_t kFirstCandidates = 32;

  std::size_t FindWithCursor(Cursor& cursor, std::size_t from);
  std::size_t FindInGroups(std::string_view name, std::size_t from);
  std::size_t FirstCandidateAtOrAfter(std::size_t from) const;

  std::string_view text_;
  std::vector<Candidate> candidates_;
  // The cursors live in the index itself: a head rewrite makes one index, and allocating the
  // cursors one by one cost more than many of the searches.
  std::array<Cursor, kMaxCursors> cursors_{};
  std::size_t cursor_count_ = 0;
  bool grouped_ = false;
  std::unordered_map<std::string, std::vector<std::size_t>> positions_by_name_;
};

}  // namespace kestrova

#endif  // KESTROVA_MENDING_CLOSING_TAG_INDEX_H_

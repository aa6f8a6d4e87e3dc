#include "mending/closing_tag_index.h"

#include <algorithm>

#include "base/ascii.h"
#include "mending/byte_search.h"

namespace kestrova {
namespace {

std::string FoldedKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = AsciiUpper(c);
  return key;
}

}  // namespace

ClosingTagIndex::ClosingTagIndex(std::string_view text) : text_(text) {
  // Every "</" followed somewhere by a ">" is a candidate whose name is the text in between.
  // The ">" that ends one candidate's name is found once and reused while later "</" lie before
  // it, so the whole text is read a bounded number of times.
  std::size_t next_gt = 0;
  bool gt_known = false;
  for (std::size_t k = FindBytePair(text_, 0, '<', '/'); k != std::string_view::npos;
       k = FindBytePair(text_, k + 2, '<', '/')) {
    const std::size_t name_begin = k + 2;
    if (!gt_known || next_gt < name_begin) {
      next_gt = FindByte(text_, name_begin, '>');
      gt_known = true;
    }
    if (next_gt == std::string_view::npos) break;  // no ">" left: no later candidate either
    const std::string_view name = text_.substr(name_begin, next_gt - name_begin);
    // Room for the closing tags of a usual head at once, rather than growing from one.
    if (candidates_.capacity() == 0) candidates_.reserve(kFirstCandidates);
    candidates_.push_back({k, name, KeyOf(name)});
  }
}

std::uint64_t ClosingTagIndex::KeyOf(std::string_view name) {
  // Lengths past 255 share the top byte; their names are compared in full anyway.
  std::uint64_t key = std::min<std::uint64_t>(name.size(), 255);
  const std::size_t packed = std::min(name.size(), kKeyBytes);
  for (std::size_t k = 0; k < packed; ++k) {
    key = (key << 8) | static_cast<unsigned char>(AsciiUpper(name[k]));
  }
  return key << (8 * (kKeyBytes - packed));
}

std::size_t ClosingTagIndex::FirstCandidateAtOrAfter(std::size_t from) const {
  const auto it = std::lower_bound(
      candidates_.begin(), candidates_.end(), from,
      [](const Candidate& c, std::size_t position) { return c.position < position; });
  return static_cast<std::size_t>(it - candidates_.begin());
}

std::size_t ClosingTagIndex::FindWithCursor(Cursor& cursor, std::size_t from) {
  if (from < cursor.from) cursor.index = FirstCandidateAtOrAfter(from);
  cursor.from = from;
  // Candidates of other names, or before from, can never answer a later call for this name.
  while (cursor.index < candidates_.size()) {
    const Candidate& candidate = candidates_[cursor.index];
    if (candidate.position >= from && candidate.key == cursor.key &&
        SameName(candidate.name, cursor.name)) {
      break;
    }
    ++cursor.index;
  }
  return cursor.index < candidates_.size() ? candidates_[cursor.index].position
                                           : std::string_view::npos;
}

std::size_t ClosingTagIndex::FindInGroups(std::string_view name, std::size_t from) {
  if (!grouped_) {
    for (const Candidate& candidate : candidates_) {
      positions_by_name_[FoldedKey(candidate.name)].push_back(candidate.position);
    }
    grouped_ = true;
  }
  const auto group = positions_by_name_.find(FoldedKey(name));
  if (group == positions_by_name_.end()) return std::string_view::npos;
  const std::vector<std::size_t>& positions = group->second;
  const auto it = std::lower_bound(positions.begin(), positions.end(), from);
  return it == positions.end() ? std::string_view::npos : *it;
}

std::size_t ClosingTagIndex::Find(std::string_view name, std::size_t from) {
  if (std::find(name.begin(), name.end(), '>') != name.end()) {
    // A name that holds ">" never matches a recorded candidate (candidate names stop at the
    // first ">"), so such a rare name is looked for directly.
    std::string closing = "</";
    closing.append(name).push_back('>');
    return FindIgnoringCase(text_, closing, from);
  }
  if (candidates_.empty()) return std::string_view::npos;
  const std::uint64_t key = KeyOf(name);
  for (std::size_t k = 0; k < cursor_count_; ++k) {
    Cursor& cursor = cursors_[k];
    if (cursor.key == key && SameName(cursor.name, name)) {
      return FindWithCursor(cursor, from);
    }
  }
  if (cursor_count_ < kMaxCursors) {
    Cursor& cursor = cursors_[cursor_count_++];
    cursor = {name, key, from, FirstCandidateAtOrAfter(from)};
    return FindWithCursor(cursor, from);
  }
  return FindInGroups(name, from);
}

}  // namespace kestrova

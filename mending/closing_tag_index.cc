#include "mending/closing_tag_index.h"

#include <algorithm>
#include <cstring>

#include "mending/ascii.h"

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
  std::size_t k = 0;
  while (k + 1 < text_.size()) {
    const void* lt = std::memchr(text_.data() + k, '<', text_.size() - k - 1);
    if (lt == nullptr) break;
    k = static_cast<std::size_t>(static_cast<const char*>(lt) - text_.data());
    if (text_[k + 1] != '/') {
      ++k;
      continue;
    }
    const std::size_t name_begin = k + 2;
    if (!gt_known || next_gt < name_begin) {
      next_gt = text_.find('>', name_begin);
      gt_known = true;
    }
    if (next_gt == std::string_view::npos) break;  // no ">" left: no later candidate either
    candidates_.push_back({k, text_.substr(name_begin, next_gt - name_begin)});
    k = name_begin;
  }
}

void ClosingTagIndex::BuildGroups() {
  for (const Candidate& candidate : candidates_) {
    positions_by_name_[FoldedKey(candidate.name)].push_back(candidate.position);
  }
  grouped_ = true;
}

std::size_t ClosingTagIndex::Find(std::string_view name, std::size_t from) {
  if (name.find('>') != std::string_view::npos) {
    // A name that holds ">" never matches a recorded candidate (candidate names stop at the
    // first ">"), so such a rare name is looked for directly.
    std::string closing = "</";
    closing.append(name).push_back('>');
    return FindIgnoringCase(text_, closing, from);
  }
  if (candidates_.size() <= kLinearLimit) {
    const auto first = std::lower_bound(
        candidates_.begin(), candidates_.end(), from,
        [](const Candidate& c, std::size_t position) { return c.position < position; });
    for (auto it = first; it != candidates_.end(); ++it) {
      if (EqualsIgnoringCase(it->name, name)) return it->position;
    }
    return std::string_view::npos;
  }
  if (!grouped_) BuildGroups();
  const auto group = positions_by_name_.find(FoldedKey(name));
  if (group == positions_by_name_.end()) return std::string_view::npos;
  const std::vector<std::size_t>& positions = group->second;
  const auto it = std::lower_bound(positions.begin(), positions.end(), from);
  return it == positions.end() ? std::string_view::npos : *it;
}

}  // namespace kestrova

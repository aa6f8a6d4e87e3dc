#include "cli/unified_diff.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"

namespace kestrova {
namespace {

constexpr std::size_t kContext = 3;
// Above this many cells the longest common run is not searched: the differing middle is shown
// as removed whole and added whole, which is still a correct diff.
constexpr std::size_t kMaxTableCells = std::size_t{1} << 22;

// The text's lines, each with its LF; the last one lacks it when the text does not end in LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(0, length));
    text.remove_prefix(length);
  }
  return lines;
}

struct Edit {
  char kind;  // ' ', '-' or '+'
  std::string_view line;
};

// The edits that turn a into b: common lines kept, the others removed or added.
std::vector<Edit> Edits(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b) {
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::size_t n = a.size() - prefix - suffix;
  const std::size_t m = b.size() - prefix - suffix;
  std::vector<Edit> edits;
  for (std::size_t k = 0; k < prefix; ++k) edits.push_back({' ', a[k]});
  if ((n + 1) * (m + 1) > kMaxTableCells) {
    for (std::size_t k = 0; k < n; ++k) edits.push_back({'-', a[prefix + k]});
    for (std::size_t k = 0; k < m; ++k) edits.push_back({'+', b[prefix + k]});
  } else {
    // length[i][j]: the longest common run of a's middle from i and b's middle from j.
    std::vector<std::size_t> length((n + 1) * (m + 1), 0);
    const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = n; i-- > 0;) {
      for (std::size_t j = m; j-- > 0;) {
        length[at(i, j)] = a[prefix + i] == b[prefix + j]
                               ? length[at(i + 1, j + 1)] + 1
                               : std::max(length[at(i + 1, j)], length[at(i, j + 1)]);
      }
    }
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n || j < m) {
      if (i < n && j < m && a[prefix + i] == b[prefix + j]) {
        edits.push_back({' ', a[prefix + i]});
        ++i;
        ++j;
      } else if (j == m || (i < n && length[at(i + 1, j)] >= length[at(i, j + 1)])) {
        edits.push_back({'-', a[prefix + i++]});
      } else {
        edits.push_back({'+', b[prefix + j++]});
      }
    }
  }
  for (std::size_t k = a.size() - suffix; k < a.size(); ++k) edits.push_back({' ', a[k]});
  return edits;
}

// One line of the diff: the kind, the line shown, and the mark of a missing final LF.
std::string DiffLine(const Edit& edit) {
  std::string_view text = edit.line;
  const bool has_newline = !text.empty() && text.back() == '\n';
  if (has_newline) text.remove_suffix(1);
  if (has_newline && !text.empty() && text.back() == '\r') text.remove_suffix(1);
  std::string shown(1, edit.kind);
  // Tabs are kept; every other control character is written out.
  while (true) {
    const std::size_t tab = text.find('\t');
    shown += EscapeControlCharacters(text.substr(0, tab));
    if (tab == std::string_view::npos) break;
    shown += '\t';
    text.remove_prefix(tab + 1);
  }
  shown += '\n';
  if (!has_newline) shown += "\\ No newline at end of file\n";
  return shown;
}

// The range of a hunk header: "start,count", or "start" alone for a single line. An empty
// range starts at the line before it.
std::string Range(std::size_t first, std::size_t count) {
  const std::size_t start = count == 0 ? first : first + 1;
  return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& label_before, const std::string& label_after) {
  if (before == after) return "";
  const std::vector<Edit> edits = Edits(SplitLines(before), SplitLines(after));
  std::string diff = "--- " + label_before + "\n+++ " + label_after + "\n";
  std::size_t k = 0;
  std::size_t a_line = 0;  // lines of before and after passed so far
  std::size_t b_line = 0;
  while (k < edits.size()) {
    // The next change, and the hunk around it: every change closer than twice the context to
    // the previous one joins it.
    std::size_t change = k;
    while (change < edits.size() && edits[change].kind == ' ') ++change;
    if (change == edits.size()) break;
    const std::size_t begin = change - std::min(kContext, change - k);
    for (std::size_t skip = k; skip < begin; ++skip) {
      ++a_line;
      ++b_line;
    }
    std::size_t end = change;
    std::size_t last_change = change;
    while (end < edits.size()) {
      if (edits[end].kind != ' ') {
        last_change = end;
      } else if (end - last_change > 2 * kContext) {
        break;
      }
      ++end;
    }
    end = std::min(end, last_change + 1 + kContext);
    std::size_t a_count = 0;
    std::size_t b_count = 0;
    std::string body;
    for (std::size_t e = begin; e < end; ++e) {
      if (edits[e].kind != '+') ++a_count;
      if (edits[e].kind != '-') ++b_count;
      body += DiffLine(edits[e]);
    }
    diff += "@@ -" + Range(a_line, a_count) + " +" + Range(b_line, b_count) + " @@\n" + body;
    a_line += a_count;
    b_line += b_count;
    k = end;
  }
  return diff;
}

DiffCounts CountDiffLines(std::string_view before, std::string_view after) {
  DiffCounts counts;
  if (before == after) return counts;
  for (const Edit& edit : Edits(SplitLines(before), SplitLines(after))) {
    if (edit.kind == '+') ++counts.added;
    if (edit.kind == '-') ++counts.removed;
  }
  return counts;
}

}  // namespace kestrova

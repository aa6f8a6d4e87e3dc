// A unified diff of two texts, line by line, as `diff -u` writes it: for showing what a mend
// would change in a page's head.
#ifndef KESTROVA_CLI_UNIFIED_DIFF_H_
#define KESTROVA_CLI_UNIFIED_DIFF_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

struct DiffCounts {
  std::size_t added = 0;
  std::size_t removed = 0;
};

// The diff from before to after with three lines of context, headed "--- label_before" and
// "+++ label_after"; empty when the texts are equal. Lines end at LF; a CR before it is not
// shown, a last line without LF is marked "\ No newline at end of file", and every other control
// character but the tab is written out (see EscapeControlCharacters) so that a terminal shows it.
std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& label_before, const std::string& label_after);

// How many lines the diff from before to after adds and removes.
DiffCounts CountDiffLines(std::string_view before, std::string_view after);

}  // namespace kestrova

#endif  // KESTROVA_CLI_UNIFIED_DIFF_H_

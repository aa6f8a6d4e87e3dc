// Normalising white space in the opening part of an element: every run of spaces, CRs and LFs
// becomes one space.
#ifndef KESTROVA_MENDING_SPACE_FOLDING_H_
#define KESTROVA_MENDING_SPACE_FOLDING_H_

#include <cstddef>

namespace kestrova {

// Folds every run of spaces, CRs and LFs in text[0, length) into one space, in place, and returns
// the new length. Text that needs no folding (no CR, no LF, no two spaces in a row) is only read.
std::size_t FoldSpaceRuns(char* text, std::size_t length);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_SPACE_FOLDING_H_

#include "mending/space_folding.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "mending/byte_search.h"

namespace kestrova {
namespace {

constexpr bool IsSpaceLike(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// False when none of the eight bytes at at is a CR or an LF and none of the eight pairs starting
// there is two spaces. Any control character below CR counts as a possible CR or LF, which costs
// a closer look but keeps the test short. Reads nine bytes.
bool WordMayNeedFolding(const char* at) {
  using namespace byte_search;
  const std::uint64_t here = Load(at);
  const std::uint64_t next = Load(at + 1);  // the same bytes moved on by one, for pairs of spaces
  const std::uint64_t below_cr = (here - Broadcast('\r' + 1)) & ~here & kHighs;
  return (below_cr | ZeroBytes((here ^ Broadcast(' ')) | (next ^ Broadcast(' ')))) != 0;
}

#if defined(__SSE2__)
// One bit for each of the sixteen bytes at at that is a CR or an LF or starts a pair of spaces.
// Reads seventeen bytes.
unsigned FoldMarks16(const char* at) {
  using namespace byte_search;
  const __m128i here = Load16(at);
  const __m128i next = Load16(at + 1);
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8('\r')),
                                      _mm_cmpeq_epi8(here, _mm_set1_epi8('\n')));
  const __m128i pairs = _mm_and_si128(_mm_cmpeq_epi8(here, space), _mm_cmpeq_epi8(next, space));
  return Marks16(_mm_or_si128(breaks, pairs));
}
#endif

// Position of the first CR, LF or pair of spaces in text[0, length); length when there is none.
// Most texts have none: those are read sixteen or eight bytes at a time, the last block
// overlapping the one before it instead of a byte-by-byte tail.
std::size_t FirstToFold(const char* text, std::size_t length) {
  std::size_t k = 0;
#if defined(__SSE2__)
  if (length >= 17) {
    for (; k + 17 <= length; k += 16) {
      const unsigned marks = FoldMarks16(text + k);
      if (marks != 0) return k + static_cast<std::size_t>(std::countr_zero(marks));
    }
    // The last seventeen bytes cover every pair left; the bytes before k hold no mark, so the
    // first mark here is the first of all. The last byte alone is looked at for CR LF.
    const unsigned marks = FoldMarks16(text + length - 17);
    if (marks != 0) return length - 17 + static_cast<std::size_t>(std::countr_zero(marks));
    const char last = text[length - 1];
    return (last == '\r' || last == '\n') ? length - 1 : length;
  }
#endif
  if (length >= 9) {
    while (k + 9 <= length && !WordMayNeedFolding(text + k)) k += 8;
    if (k + 9 > length) {
      // The last nine bytes cover every pair left; the last byte alone is looked at for CR LF.
      if (!WordMayNeedFolding(text + length - 9) && text[length - 1] != '\r' &&
          text[length - 1] != '\n') {
        return length;
      }
      k = length - 9;
    }
  }
  for (; k < length; ++k) {
    const char c = text[k];
    if (c == '\r' || c == '\n' || (c == ' ' && k + 1 < length && text[k + 1] == ' ')) return k;
  }
  return length;
}

// Where the run of space-like characters that holds the first CR, LF or pair of spaces at or
// after from begins: a single space before a CR or LF belongs to the run. length when none.
std::size_t NextRunToFold(const char* text, std::size_t from, std::size_t length) {
  const std::size_t at = from + FirstToFold(text + from, length - from);
  return (at != length && at > from && text[at - 1] == ' ') ? at - 1 : at;
}

}  // namespace

std::size_t FoldSpaceRuns(char* text, std::size_t length) {
  std::size_t read = NextRunToFold(text, 0, length);
  std::size_t write = read;
  while (read < length) {
    // Fold the run at read into one space, then move the text up to the next run that folds
    // (single spaces stay as they are) in one piece.
    text[write++] = ' ';
    do {
      ++read;
    } while (read < length && IsSpaceLike(text[read]));
    const std::size_t next = NextRunToFold(text, read, length);
    std::memmove(text + write, text + read, next - read);
    write += next - read;
    read = next;
  }
  return write;
}

}  // namespace kestrova

// Searches for single bytes that look at sixteen or eight bytes at a time without a call. The head
// scanner asks many such questions whose answer lies a few bytes on (the end of an attribute name,
// the quote that closes a value); there a library search costs more in its call than in its
// reading.
#ifndef KESTROVA_MENDING_BYTE_SEARCH_H_
#define KESTROVA_MENDING_BYTE_SEARCH_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrova {

namespace byte_search {

inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighs = 0x8080808080808080u;

// Eight copies of c.
constexpr std::uint64_t Broadcast(char c) { return kOnes * static_cast<unsigned char>(c); }

// The high bit of each byte of v that is zero is set. Bytes above the first zero byte may be
// marked wrongly, so only the lowest mark is to be trusted.
constexpr std::uint64_t ZeroBytes(std::uint64_t v) { return (v - kOnes) & ~v & kHighs; }

inline std::uint64_t Load(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The position within a word of its first marked byte, marks as ZeroBytes makes them.
inline std::size_t FirstMarked(std::uint64_t marks, const char* word, char a, char b) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  } else {
    std::size_t k = 0;
    while (word[k] != a && word[k] != b) ++k;
    return k;
  }
}

#if defined(__SSE2__)
// Sixteen bytes at at, where the processor has SSE2 (every x86-64 one does).
inline __m128i Load16(const char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// One bit for each of the sixteen bytes of a comparison result, the first byte in the lowest bit.
inline unsigned Marks16(__m128i matches) {
  return static_cast<unsigned>(_mm_movemask_epi8(matches));
}
#endif

}  // namespace byte_search

// Position of the first byte of text at or after from that is a or b; npos when there is none.
inline std::size_t FindEitherByte(std::string_view text, std::size_t from, char a, char b) {
  using namespace byte_search;
  const char* data = text.data();
  const std::size_t n = text.size();
  std::size_t k = from;
#if defined(__SSE2__)
  const __m128i wide_a = _mm_set1_epi8(a);
  const __m128i wide_b = _mm_set1_epi8(b);
  for (; k + 16 <= n; k += 16) {
    const __m128i chunk = Load16(data + k);
    const unsigned marks =
        Marks16(_mm_or_si128(_mm_cmpeq_epi8(chunk, wide_a), _mm_cmpeq_epi8(chunk, wide_b)));
    if (marks != 0) return k + static_cast<std::size_t>(std::countr_zero(marks));
  }
#endif
  for (; k + 8 <= n; k += 8) {
    const std::uint64_t word = Load(data + k);
    const std::uint64_t marks = ZeroBytes(word ^ Broadcast(a)) | ZeroBytes(word ^ Broadcast(b));
    if (marks != 0) return k + FirstMarked(marks, data + k, a, b);
  }
  for (; k < n; ++k) {
    if (data[k] == a || data[k] == b) return k;
  }
  return std::string_view::npos;
}

// Position of the first c in text at or after from; npos when there is none.
inline std::size_t FindByte(std::string_view text, std::size_t from, char c) {
  return FindEitherByte(text, from, c, c);
}

// Position of the first a in text at or after from that b follows; npos when there is none.
inline std::size_t FindBytePair(std::string_view text, std::size_t from, char a, char b) {
  using namespace byte_search;
  const char* data = text.data();
  const std::size_t n = text.size();
  std::size_t k = from;
#if defined(__SSE2__)
  const __m128i wide_a = _mm_set1_epi8(a);
  const __m128i wide_b = _mm_set1_epi8(b);
  for (; k + 17 <= n; k += 16) {
    const unsigned marks = Marks16(_mm_and_si128(_mm_cmpeq_epi8(Load16(data + k), wide_a),
                                                 _mm_cmpeq_epi8(Load16(data + k + 1), wide_b)));
    if (marks != 0) return k + static_cast<std::size_t>(std::countr_zero(marks));
  }
#endif
  while (k + 1 < n) {
    const void* hit = std::memchr(data + k, a, n - k - 1);
    if (hit == nullptr) break;
    k = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (data[k + 1] == b) return k;
    ++k;
  }
  return std::string_view::npos;
}

}  // namespace kestrova

#endif  // KESTROVA_MENDING_BYTE_SEARCH_H_

// A generator of reproducible bytes and a checksum, for benchmarks that serve generated files and
// check what comes back.
#ifndef KESTROVA_BENCH_BENCH_RANDOM_H_
#define KESTROVA_BENCH_BENCH_RANDOM_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrova::bench {

// The bytes of the served files come from this generator (SplitMix64), so that a given starting
// value gives the same files on every machine.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t start) : state_(start) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
  }

  // A value from low to high, both included.
  std::size_t Between(std::size_t low, std::size_t high) {
    return low + static_cast<std::size_t>(Next() % (high - low + 1));
  }

  // Fills bytes with generated values.
  void Fill(char* bytes, std::size_t size) {
    for (std::size_t k = 0; k < size; k += sizeof(std::uint64_t)) {
      const std::uint64_t value = Next();
      std::memcpy(bytes + k, &value, std::min(sizeof value, size - k));
    }
  }

 private:
  std::uint64_t state_;
};

// FNV-1a, 64 bits: the checksum of the large file.
class Fnv1a64 {
 public:
  void Add(const char* bytes, std::size_t size) {
    for (std::size_t k = 0; k < size; ++k) {
      hash_ ^= static_cast<unsigned char>(bytes[k]);
      hash_ *= 0x100000001b3;
    }
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325;
};

}  // namespace kestrova::bench

#endif  // KESTROVA_BENCH_BENCH_RANDOM_H_

#include "bench/bench_files.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "bench/bench_harness.h"
#include "bench/bench_random.h"

namespace kestrova::bench {
namespace {

// Reading and writing large files goes by blocks of this size.
constexpr std::size_t kIoBlockBytes = 1024 * 1024;

}  // namespace

FileSummary SummarizeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open " + path.string());
  std::vector<char> block(kIoBlockBytes);
  FileSummary summary;
  Fnv1a64 hash;
  // Ends at the end of the file; each round reads one block.
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    hash.Add(block.data(), got);
    summary.size += got;
  }
  if (in.bad()) Fail("cannot read " + path.string());
  summary.checksum = hash.value();
  return summary;
}

void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Fail("cannot write " + path.string());
}

void WriteGeneratedFile(const std::filesystem::path& path, std::size_t size, std::uint64_t stream) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  SplitMix64 generator(stream);
  std::vector<char> block(kIoBlockBytes);
  for (std::size_t written = 0; written < size && out; written += block.size()) {
    const std::size_t piece = std::min(block.size(), size - written);
    generator.Fill(block.data(), piece);
    out.write(block.data(), static_cast<std::streamsize>(piece));
  }
  out.close();
  if (!out) Fail("cannot write " + path.string());
}

}  // namespace kestrova::bench

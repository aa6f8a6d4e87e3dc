// The head locator against a whole gumbo parse, over the HTML documentation that Debian's
// python3.11-doc, postgresql-doc-15 and qtbase5-doc-html packages install (about 4,000 pages,
// 116 MB). Throughput is reported in bytes of whole pages per second.
#include <benchmark/benchmark.h>
#include <gumbo.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "host/local/head_locator.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCorpusFolders[] = {
    "/usr/share/doc/python3.11/html",
    "/usr/share/doc/postgresql-doc-15/html",
    "/usr/share/qt5/doc",
};

// The pages, read into memory once, in a fixed order.
struct Corpus {
  std::vector<std::string> pages;
  std::int64_t bytes = 0;
};

bool IsHtmlFile(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error)) return false;
  std::string extension = entry.path().extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return extension == ".html" || extension == ".htm";
}

Corpus ReadCorpus() {
  std::vector<fs::path> paths;
  for (const std::string_view folder : kCorpusFolders) {
    std::error_code error;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
      if (IsHtmlFile(*it)) paths.push_back(it->path());
    }
  }
  std::sort(paths.begin(), paths.end());
  Corpus corpus;
  for (const fs::path& path : paths) {
    std::ifstream in(path, std::ios::binary);
    corpus.pages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    corpus.bytes += static_cast<std::int64_t>(corpus.pages.back().size());
  }
  return corpus;
}

const Corpus& TheCorpus() {
  static const Corpus corpus = ReadCorpus();
  return corpus;
}

void BM_LocateHead(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (corpus.pages.empty()) {
    state.SkipWithError("no documentation pages installed");
    return;
  }
  std::int64_t head_end_bytes = 0;
  for ([[maybe_unused]] auto pass : state) {
    head_end_bytes = 0;
    for (const std::string& page : corpus.pages) {
      const HeadLocation where = LocateHead(page);
      benchmark::DoNotOptimize(where);
      head_end_bytes += static_cast<std::int64_t>(where.inner_end);
    }
  }
  state.SetBytesProcessed(state.iterations() * corpus.bytes);
  state.counters["pages"] = static_cast<double>(corpus.pages.size());
  // The share of the page bytes that lies before the end of the head, where reading stops.
  state.counters["read_share"] =
      static_cast<double>(head_end_bytes) / static_cast<double>(corpus.bytes);
}
BENCHMARK(BM_LocateHead)->Unit(benchmark::kMillisecond);

void BM_GumboParse(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (corpus.pages.empty()) {
    state.SkipWithError("no documentation pages installed");
    return;
  }
  for ([[maybe_unused]] auto pass : state) {
    for (const std::string& page : corpus.pages) {
      GumboOutput* output =
          gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
      benchmark::DoNotOptimize(output->root);
      gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
  }
  state.SetBytesProcessed(state.iterations() * corpus.bytes);
  state.counters["pages"] = static_cast<double>(corpus.pages.size());
}
BENCHMARK(BM_GumboParse)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrova

BENCHMARK_MAIN();

// The head locator against a whole gumbo parse, over the HTML documentation that Debian's
// python3.11-doc, postgresql-doc-15 and qtbase5-doc-html packages install (about 4,000 pages,
// 116 MB). Throughput is reported in bytes of whole pages per second.
#include <benchmark/benchmark.h>
#include <gumbo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_corpus.h"
#include "mending/head_locator.h"

namespace kestrova {
namespace {

// The pages, read into memory once, in a fixed order.
struct Corpus {
  const std::vector<std::string>& pages;
  std::int64_t bytes = 0;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus read{bench::CorpusPages()};
    for (const std::string& page : read.pages) read.bytes += static_cast<std::int64_t>(page.size());
    return read;
  }();
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

// RewritePageHead over the heads of real pages (microseconds per head) and over generated heads of
// growing size (bytes per second; the cost must grow linearly with the head); and the whole way of
// one page in memory: locating its head, rewriting it and putting the page back together.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_corpus.h"
#include "mending/head_locator.h"
#include "mending/head_rewrite.h"

namespace kestrova::bench {
namespace {

// A mending head as the service writes one: a title, description and keywords first, the marker
// comment and robots last.
const MendingHead& SampleMendingHead() {
  static const MendingHead head = ReadMendingHead(
      "<title>Widgets and gadgets for every home</title>\r\n"
      "<meta name=\"description\" content=\"Hand-made widgets, shipped worldwide.\">\r\n"
      "<meta name=\"keywords\" content=\"widgets, gadgets, hand-made, home\">\r\n"
      "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
      "<meta name=\"robots\" content=\"index, follow\">\r\n");
  return head;
}

const std::vector<std::string>& CorpusHeads() {
  static const std::vector<std::string> heads = [] {
    std::vector<std::string> found;
    for (const std::string& page : CorpusPages()) {
      found.emplace_back(HeadInnerHtml(page, LocateHead(page)));
    }
    return found;
  }();
  return heads;
}

void BM_RewriteCorpusHeads(benchmark::State& state) {
  const std::vector<std::string>& heads = CorpusHeads();
  if (heads.empty()) {
    state.SkipWithError(
        "no corpus pages: install python3.11-doc, postgresql-doc-15, "
        "qtbase5-doc-html");
    return;
  }
  const MendingHead& mending = SampleMendingHead();
  std::size_t bytes = 0;
  for (const std::string& head : heads) bytes += head.size();
  for (auto _ : state) {
    for (const std::string& head : heads) {
      benchmark::DoNotOptimize(RewritePageHead(head, mending));
    }
  }
  const auto iterations = static_cast<std::size_t>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(iterations * heads.size()));
  state.SetBytesProcessed(static_cast<int64_t>(iterations * bytes));
  state.counters["us_per_head"] = benchmark::Counter(
      static_cast<double>(iterations * heads.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.counters["heads"] = static_cast<double>(heads.size());
}
BENCHMARK(BM_RewriteCorpusHeads)->Unit(benchmark::kMillisecond);

void BM_RewriteGeneratedHead(benchmark::State& state) {
  const std::string head = GeneratedHead(static_cast<std::size_t>(state.range(0)));
  const MendingHead& mending = SampleMendingHead();
  for (auto _ : state) benchmark::DoNotOptimize(RewritePageHead(head, mending));
  state.SetBytesProcessed(
      static_cast<int64_t>(static_cast<std::size_t>(state.iterations()) * head.size()));
}
BENCHMARK(BM_RewriteGeneratedHead)
    ->Arg(1 << 10)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);

// Locates the head of page, rewrites it against mending and returns the page put back together,
// as the Linux host does with a page it mends.
std::string MendInMemory(const std::string& page, const MendingHead& mending) {
  const HeadLocation where = LocateHead(page);
  return ReplaceHeadInnerHtml(page, where, RewritePageHead(HeadInnerHtml(page, where), mending));
}

void BM_MendCorpusPagesInMemory(benchmark::State& state) {
  const std::vector<std::string>& pages = CorpusPages();
  if (pages.empty()) {
    state.SkipWithError("no corpus pages");
    return;
  }
  const MendingHead& mending = SampleMendingHead();
  std::size_t bytes = 0;
  for (const std::string& page : pages) bytes += page.size();
  for (auto _ : state) {
    for (const std::string& page : pages) benchmark::DoNotOptimize(MendInMemory(page, mending));
  }
  const auto iterations = static_cast<std::size_t>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(iterations * bytes));
  state.counters["us_per_page"] = benchmark::Counter(
      static_cast<double>(iterations * pages.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_MendCorpusPagesInMemory)->Unit(benchmark::kMillisecond);

// A page whose head is a generated head of about the given size, with a short body.
void BM_MendGeneratedPageInMemory(benchmark::State& state) {
  const std::string page = "<html>\r\n<head>\r\n" +
                           GeneratedHead(static_cast<std::size_t>(state.range(0))) +
                           "</head>\r\n<body>\r\n<p>Body text.</p>\r\n</body>\r\n</html>\r\n";
  const MendingHead& mending = SampleMendingHead();
  for (auto _ : state) benchmark::DoNotOptimize(MendInMemory(page, mending));
  state.SetBytesProcessed(
      static_cast<int64_t>(static_cast<std::size_t>(state.iterations()) * page.size()));
}
BENCHMARK(BM_MendGeneratedPageInMemory)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrova::bench

BENCHMARK_MAIN();

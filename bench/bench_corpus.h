// Real pages written by others, for the benchmarks: the HTML documentation that Debian ships for
// Python 3.11, PostgreSQL 15 and Qt 5 (packages python3.11-doc, postgresql-doc-15 and
// qtbase5-doc-html).
#ifndef KESTROVA_BENCH_BENCH_CORPUS_H_
#define KESTROVA_BENCH_BENCH_CORPUS_H_

#include <string>
#include <vector>

namespace kestrova::bench {

// The folders the corpus is read from.
const std::vector<std::string>& CorpusFolders();

// Paths of every .html and .htm file below the corpus folders, sorted.
std::vector<std::string> CorpusPagePaths();

// The bytes of every corpus page, read once and kept for the life of the program.
const std::vector<std::string>& CorpusPages();

// The inner HTML of a head of about target_bytes with many META, LINK, SCRIPT and STYLE elements,
// comments and opening tags over several lines: the kind of head a page builder piles up.
std::string GeneratedHead(std::size_t target_bytes);

}  // namespace kestrova::bench

#endif  // KESTROVA_BENCH_BENCH_CORPUS_H_

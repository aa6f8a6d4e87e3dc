// Two download benchmarks of the mend store against a real web server on 127.0.0.1 (nginx, as
// scripts/bench-download.sh starts it):
//
//  1. Entry download: 1,000 mending files of 2 to 10 KB fetched by MendStore::DownloadEntries over
//     one keep-alive connection, against the curl program fetching the same addresses one after
//     the other over one connection into files. Five rounds in which the two take turns to go
//     first; the medians of files per second and their ratio are reported.
//  2. Large file: one 200 MB mending file fetched by MendStore::DownloadEntries in a child process
//     forked while this program is still small, so that the child's peak resident size (ru_maxrss
//     from wait4) is that download's alone. A child that downloads one 10 KB file gives the
//     figure of the same process without the large body.
//
// Every downloaded file is checked against the served one. A wrong or missing byte, a missing or
// extra file, or a request the server did not answer with 200 ends the program with a failure.
//
// Usage: download_bench SITE_URL SITE_FOLDER [--access-log PATH]
//   SITE_URL     the server's address, http://127.0.0.1:PORT
//   SITE_FOLDER  the folder the server serves; the program writes its kestrova/ subfolder
//   PATH         the server's access log, one request a line as
//                "connection connection_requests status body_bytes uri" (nginx's $connection
//                $connection_requests $status $body_bytes_sent $request_uri); when given, each
//                run's requests and connections are counted from it
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "bench/access_log.h"
#include "bench/bench_files.h"
#include "bench/bench_harness.h"
#include "bench/bench_random.h"
#include "bench/download_clients.h"
#include "platform/files/posix/read_whole_file.h"
#include "platform/files/temporary_folder.h"

namespace kestrova::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kEntryCount = 1000;
constexpr std::size_t kMinEntryBytes = 2 * 1024;
constexpr std::size_t kMaxEntryBytes = 10 * 1024;
constexpr int kRounds = 5;
constexpr std::uint64_t kSeed = 0x6b657374726f7661;  // fixed: every run serves the same files

constexpr std::size_t kMebibyte = 1024 * 1024;
constexpr std::size_t kLargeFileBytes = 200 * kMebibyte;
constexpr std::size_t kSmallFileBytes = 10 * 1024;
constexpr long kPeakMemoryGoalKib = 32 * 1024;  // ru_maxrss counts kibibytes

constexpr std::string_view kLargeEntry = "archive--large.htm";
constexpr std::string_view kSmallEntry = "archive--small.htm";
// Bounds on waiting: a child process or curl run, and the whole program.
constexpr std::chrono::seconds kChildTimeLimit{300};
constexpr unsigned kProgramTimeLimitSeconds = 1800;

// What a download in a child process measured: the time DownloadEntries took, and the child's
// peak resident size.
struct ChildDownload {
  Clock::duration elapsed{};
  long peak_rss_kib = 0;
};

// Forks a child that downloads the one entry with the mend store into mend_path, and waits for
// it; fails when the child fails or runs out of time.
ChildDownload DownloadInChild(const std::string& site_url, std::string_view entry,
                              const fs::path& mend_path) {
  const ChildOutcome outcome =
      RunInChild("downloading " + std::string(entry), kChildTimeLimit, [&] {
        const Clock::duration elapsed = DownloadWithStore(
            ServerLines(site_url, {std::string(entry)}), site_url, mend_path, kLargeFileBytes);
        return std::to_string(std::chrono::nanoseconds(elapsed).count());
      });
  return {std::chrono::nanoseconds(std::stoll(outcome.report)), outcome.peak_rss_kib};
}

// Checks that mend_path holds the one entry and nothing else, with the size and checksum of the
// served file.
void CheckLargeDownload(const fs::path& served, const fs::path& mend_path, std::string_view entry) {
  std::size_t count = 0;
  for (const fs::directory_entry& item : fs::directory_iterator(mend_path)) {
    if (item.path().filename() != entry) Fail("unexpected file " + item.path().string());
    ++count;
  }
  if (count != 1) Fail(std::string(entry) + " was not stored");
  const FileSummary expected = SummarizeFile(served);
  const FileSummary got = SummarizeFile(mend_path / entry);
  if (got.size != expected.size || got.checksum != expected.checksum) {
    char text[160];
    std::snprintf(text, sizeof text, "size %ju, checksum %016jx; served: size %ju, checksum %016jx",
                  got.size, static_cast<std::uintmax_t>(got.checksum), expected.size,
                  static_cast<std::uintmax_t>(expected.checksum));
    Fail("the downloaded " + std::string(entry) + " differs from the served file: " + text);
  }
}

// Benchmark 2's downloads: the large file, and a small one for the size of the same process
// without the large body.
struct LargeFileResults {
  ChildDownload large;
  ChildDownload small;
};

// Benchmark 2. Runs before anything large is allocated, so that the children start small.
LargeFileResults RunLargeFileBenchmark(const std::string& site_url, const fs::path& served_folder,
                                       const fs::path& scratch, std::optional<AccessLog>& log) {
  WriteGeneratedFile(served_folder / kLargeEntry, kLargeFileBytes, kSeed + 1);
  WriteGeneratedFile(served_folder / kSmallEntry, kSmallFileBytes, kSeed + 2);

  LargeFileResults results;
  const auto run = [&](std::string_view entry, std::size_t size, const char* folder) {
    const fs::path mend_path = scratch / folder;
    if (log) log->Mark();
    const ChildDownload download = DownloadInChild(site_url, entry, mend_path);
    CheckTraffic(log, "MendStore " + std::string(entry), 1, size);
    CheckLargeDownload(served_folder / entry, mend_path, entry);
    fs::remove_all(mend_path);
    return download;
  };
  results.small = run(kSmallEntry, kSmallFileBytes, "small");
  results.large = run(kLargeEntry, kLargeFileBytes, "large");
  return results;
}

// A served mending file of benchmark 1.
struct Entry {
  std::string name;
  std::string bytes;
};

// The kEntryCount files of benchmark 1, of generated sizes and bytes.
std::vector<Entry> MakeEntries() {
  SplitMix64 generator(kSeed);
  std::vector<Entry> entries(kEntryCount);
  for (std::size_t k = 0; k < kEntryCount; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "pages--page%04zu.htm", k);
    entries[k].name = name;
    entries[k].bytes.resize(generator.Between(kMinEntryBytes, kMaxEntryBytes));
    generator.Fill(entries[k].bytes.data(), entries[k].bytes.size());
  }
  return entries;
}

// The first offset at which a and b differ.
std::size_t FirstDifference(std::string_view a, std::string_view b) {
  const auto [in_a, in_b] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return static_cast<std::size_t>(in_a - a.begin());
}

// Checks that folder holds exactly the entries, each with the served bytes.
void CheckDownloadedEntries(const std::string& who, const fs::path& folder,
                            const std::vector<Entry>& entries) {
  std::set<std::string> names;
  for (const Entry& entry : entries) names.insert(entry.name);
  std::size_t found = 0;
  for (const fs::directory_entry& item : fs::directory_iterator(folder)) {
    const std::string name = item.path().filename().string();
    if (names.count(name) == 0) Fail(who + ": unexpected file " + item.path().string());
    ++found;
  }
  for (const Entry& entry : entries) {
    const fs::path path = folder / entry.name;
    if (!fs::exists(path)) Fail(who + ": " + entry.name + " was not downloaded");
    const std::string got = ReadWholeFile(path.string());
    if (got != entry.bytes) {
      Fail(who + ": " + entry.name + " differs from the served file at byte " +
           std::to_string(FirstDifference(got, entry.bytes)) + " (got " +
           std::to_string(got.size()) + " bytes, served " + std::to_string(entry.bytes.size()) +
           ")");
    }
  }
  if (found != entries.size()) Fail(who + ": the folder holds " + std::to_string(found) + " files");
}

// One client's timed runs of benchmark 1, in order; connections are 0 when not counted.
struct ClientRuns {
  std::vector<double> files_per_second;
  std::vector<std::size_t> connections;
};

// Benchmark 1's runs, and the bytes of the files each run downloads.
struct EntryResults {
  ClientRuns store;
  ClientRuns curl;
  std::uintmax_t total_bytes = 0;
};

// Benchmark 1: an untimed round, then kRounds timed rounds in which MendStore and curl take turns
// to go first. Each run downloads into a new folder, which is checked and removed.
EntryResults RunEntryBenchmark(const std::string& site_url, const fs::path& served_folder,
                               const fs::path& scratch, std::optional<AccessLog>& log) {
  const std::vector<Entry> entries = MakeEntries();
  EntryResults results;
  std::vector<std::string> names;
  for (const Entry& entry : entries) {
    WriteWholeFile(served_folder / entry.name, entry.bytes);
    names.push_back(entry.name);
    results.total_bytes += entry.bytes.size();
  }
  const std::vector<std::string> server_lines = ServerLines(site_url, names);
  const fs::path curl_folder = scratch / "curl";
  const fs::path curl_config = scratch / "curl.config";
  WriteWholeFile(curl_config, CurlConfig(site_url, names, curl_folder));

  const auto run_store = [&](ClientRuns* runs) {
    const fs::path folder = scratch / "store";
    if (log) log->Mark();
    const double seconds =
        Seconds(DownloadWithStore(server_lines, site_url, folder.string(), kLargeFileBytes));
    const std::size_t connections =
        CheckTraffic(log, "MendStore", entries.size(), results.total_bytes);
    CheckDownloadedEntries("MendStore", folder, entries);
    fs::remove_all(folder);
    if (runs != nullptr) {
      runs->files_per_second.push_back(static_cast<double>(entries.size()) / seconds);
      runs->connections.push_back(connections);
    }
  };
  const auto run_curl = [&](ClientRuns* runs) {
    fs::create_directory(curl_folder);
    if (log) log->Mark();
    const double seconds = Seconds(RunCurl(curl_config, kChildTimeLimit));
    const std::size_t connections = CheckTraffic(log, "curl", entries.size(), results.total_bytes);
    CheckDownloadedEntries("curl", curl_folder, entries);
    fs::remove_all(curl_folder);
    if (runs != nullptr) {
      runs->files_per_second.push_back(static_cast<double>(entries.size()) / seconds);
      runs->connections.push_back(connections);
    }
  };

  run_store(nullptr);
  run_curl(nullptr);
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      run_store(&results.store);
      run_curl(&results.curl);
    } else {
      run_curl(&results.curl);
      run_store(&results.store);
    }
  }
  return results;
}

// Sizes are reported in MB of 2^20 bytes, as ru_maxrss's kibibytes are.
double Mebibytes(std::uintmax_t bytes) {
  return static_cast<double>(bytes) / static_cast<double>(kMebibyte);
}

// The connections of each run, or "not counted" without the server's log.
std::string ConnectionsText(const std::vector<std::size_t>& connections) {
  if (connections.empty() || connections.front() == 0) return "not counted";
  std::string text;
  for (const std::size_t count : connections) {
    if (!text.empty()) text += ' ';
    text += std::to_string(count);
  }
  return text;
}

// Benchmark 1's table: the medians of each client, every run, and the ratio.
void PrintEntryResults(const EntryResults& results) {
  std::printf(
      "\nEntry download: %zu mending files of %zu-%zu KB (%.1f MB in all), median of %d "
      "runs (MB = 2^20 bytes)\n",
      kEntryCount, kMinEntryBytes / 1024, kMaxEntryBytes / 1024, Mebibytes(results.total_bytes),
      kRounds);
  std::printf("  %-10s %10s %9s  %-38s %s\n", "client", "files/s", "MB/s", "runs (files/s)",
              "connections per run");
  const auto row = [&](const char* name, const ClientRuns& runs) {
    const double median = Median(runs.files_per_second);
    std::string each;
    for (const double value : runs.files_per_second) {
      char text[16];
      std::snprintf(text, sizeof text, "%s%.0f", each.empty() ? "" : " ", value);
      each += text;
    }
    const double mib_per_second =
        median * Mebibytes(results.total_bytes) / static_cast<double>(kEntryCount);
    std::printf("  %-10s %10.0f %9.1f  %-38s %s\n", name, median, mib_per_second, each.c_str(),
                ConnectionsText(runs.connections).c_str());
  };
  row("MendStore", results.store);
  row("curl", results.curl);
  std::printf("  MendStore / curl: %.2f (curl's time includes starting the program)\n",
              Median(results.store.files_per_second) / Median(results.curl.files_per_second));
}

// Benchmark 2's table.
void PrintLargeFileResults(const LargeFileResults& results) {
  std::printf("\nLarge file: one mending file by MendStore in a child process\n");
  std::printf("  %-10s %10s %9s  %s\n", "file", "time (s)", "MB/s", "peak RSS (MB)");
  const auto row = [](const char* name, std::size_t bytes, const ChildDownload& download) {
    const double seconds = Seconds(download.elapsed);
    std::printf("  %-10s %10.3f %9.1f  %.1f\n", name, seconds, Mebibytes(bytes) / seconds,
                static_cast<double>(download.peak_rss_kib) / 1024.0);
  };
  row("200 MB", kLargeFileBytes, results.large);
  row("10 KB", kSmallFileBytes, results.small);
}

// One line per goal: met or not, with the figures.
void PrintGoals(const LargeFileResults& results) {
  const bool met = results.large.peak_rss_kib < kPeakMemoryGoalKib;
  std::printf(
      "\ngoal: peak memory of the 200 MB download under %ld MB: %s (%.1f MB; %.1f MB for "
      "10 KB)\n",
      kPeakMemoryGoalKib / 1024, met ? "met" : "not met",
      static_cast<double>(results.large.peak_rss_kib) / 1024.0,
      static_cast<double>(results.small.peak_rss_kib) / 1024.0);
}

// The benchmark's traffic stays on 127.0.0.1: the site must be there, and no proxy may be used.
void CheckSiteUrl(const std::string& site_url) {
  constexpr std::string_view kLoopback = "http://127.0.0.1:";
  const std::string_view port = std::string_view(site_url).substr(
      site_url.starts_with(kLoopback) ? kLoopback.size() : site_url.size());
  if (port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    Fail("the site must be http://127.0.0.1:PORT, not " + site_url);
  }
  for (const char* name :
       {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::unsetenv(name);
  }
  ::setenv("no_proxy", "*", 1);
  ::setenv("NO_PROXY", "*", 1);
}

// The program: checks its arguments, runs benchmark 2 then benchmark 1, and prints the results.
// Returns the exit status; a failure is raised.
int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<AccessLog> log;
  if (args.size() == 4 && args[2] == "--access-log") {
    log.emplace(args[3]);
  } else if (args.size() != 2) {
    std::fprintf(stderr, "usage: download_bench SITE_URL SITE_FOLDER [--access-log PATH]\n");
    return 2;
  }
  const std::string& site_url = args[0];
  CheckSiteUrl(site_url);
  const fs::path served_folder = fs::path(args[1]) / "kestrova";
  fs::create_directories(served_folder);
  StartTimeLimit(kProgramTimeLimitSeconds);
  const TemporaryFolder scratch("kestrova-download-bench");

  std::printf("download_bench: %s, serving %s\n", site_url.c_str(), served_folder.c_str());
  const LargeFileResults large =
      RunLargeFileBenchmark(site_url, served_folder, scratch.path(), log);
  const EntryResults entries = RunEntryBenchmark(site_url, served_folder, scratch.path(), log);

  PrintEntryResults(entries);
  PrintLargeFileResults(large);
  PrintGoals(large);
  std::printf(
      "\nchecked: %d downloads of %zu files byte for byte, 2 files by size and checksum%s\n",
      2 * (kRounds + 1), kEntryCount, log ? ", every request in the server's log" : "");
  return 0;
}

}  // namespace
}  // namespace kestrova::bench

int main(int argc, char** argv) {
  try {
    return kestrova::bench::Run(argc, argv);
  } catch (const kestrova::Failure& failure) {
    std::fprintf(stderr, "download_bench: FAILED: %s\n",
                 kestrova::bench::Describe(failure).c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "download_bench: FAILED: %s\n", error.what());
  }
  return 1;
}

// The mend phase over a real web: the HTML documentation that Debian installs (about 4,000 pages),
// every page listed in the inventory, its mending files already current. Measured against the
// floor of any tool that rewrites those pages: reading each page and writing it back atomically
// (temporary file, rename) without looking at it. Each run works on a fresh copy of the web and
// runs in a child process of its own, so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_corpus.h"
#include "host/local/local_application.h"
#include "mending/entry_paths.h"
#include "mending/inventory.h"
#include "platform/posix/atomic_file_writer.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/read_whole_file.h"
#include "publish/mend_phase.h"

namespace kestrova::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 5;

const std::string kMendingFile =
    "<html>\r\n<head>\r\n<title>Mended page</title>\r\n"
    "<meta name=\"description\" content=\"A page the Kestrova service mended.\">\r\n"
    "<meta name=\"keywords\" content=\"documentation, reference, manual\">\r\n"
    "<!-- Keywords by Kestrova Software & Design Ltd -->\r\n"
    "<meta name=\"robots\" content=\"index, follow\">\r\n</head>\r\n<body></body>\r\n</html>\r\n";

// The parts of the publish services the mend phase never uses.
class NoUserInterface final : public UserInterface {
 public:
  MsgBoxResult MsgBox(std::string_view, MsgBoxButtons, MsgBoxIcon, std::string_view) override {
    return MsgBoxResult::kOk;
  }
  std::string InputBox(std::string_view, std::string_view, std::string_view) override { return {}; }
  void ShowNotClient(FrmNotClient&) override {}
  void ShowAbout(FrmKSVAbout&) override {}
  std::unique_ptr<FrmMendingView> CreateStatusView(FrmMending&) override { return nullptr; }
};
class NoBrowser final : public Browser {
 public:
  void Navigate(std::string_view) override {}
};
class NoPump final : public EventPump {
 public:
  void DoEvents() override {}
  TimerId AddTimer(std::chrono::milliseconds, std::function<void()>, bool) override { return 0; }
  void EnableTimer(TimerId, bool) override {}
  void RemoveTimer(TimerId) override {}
  void SetCancelHandler(std::function<void()>) override {}
};

struct Page {
  fs::path relative;  // below the web's root
  std::string entry;  // its inventory entry
};

// The corpus pages that an inventory can name, with where they go in the web.
std::vector<std::pair<fs::path, Page>> ListPages() {
  std::vector<std::pair<fs::path, Page>> pages;
  const std::vector<std::string>& folders = CorpusFolders();
  const char* prefixes[] = {"python", "postgresql", "qt"};
  for (const std::string& path : CorpusPagePaths()) {
    for (std::size_t k = 0; k < folders.size(); ++k) {
      if (path.rfind(folders[k] + "/", 0) != 0) continue;
      const fs::path relative = fs::path(prefixes[k]) / path.substr(folders[k].size() + 1);
      std::string entry = relative.string();
      if (entry.find("--") != std::string::npos) break;  // such a name has no entry
      for (std::size_t at = entry.find('/'); at != std::string::npos; at = entry.find('/', at)) {
        entry.replace(at, 1, "--");
      }
      if (UnsafeEntryReason(entry).empty()) pages.push_back({path, {relative, entry}});
      break;
    }
  }
  return pages;
}

// A fresh web holding the pages and a current mend folder.
void MakeWeb(const fs::path& web, const std::vector<std::pair<fs::path, Page>>& pages) {
  fs::remove_all(web);
  fs::create_directories(web / "kestrova");
  std::string inventory = "12/7/2026 7:20:00 PM\r\nhttp://docs.example\r\n";
  for (const auto& [source, page] : pages) {
    fs::create_directories((web / page.relative).parent_path());
    fs::copy_file(source, web / page.relative);
    WriteFileAtomically((web / "kestrova" / page.entry).string(), kMendingFile);
    inventory += page.entry + "\r\n";
  }
  WriteFileAtomically((web / "kestrova" / "inventory.txt").string(), inventory);
}

struct RunResult {
  double seconds = 0;
  long peak_kib = 0;
};

// Runs work in a child process and returns its wall time and peak resident memory.
template <typename Work>
RunResult InChild(Work work) {
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "failed: %s\n", error.what());
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "a run failed\n");
    std::exit(1);
  }
  return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace kestrova::bench

int main() {
  using namespace kestrova;
  using namespace kestrova::bench;
  const auto pages = ListPages();
  if (pages.empty()) {
    std::fprintf(stderr,
                 "no corpus: install python3.11-doc, postgresql-doc-15, qtbase5-doc-html\n");
    return 1;
  }
  std::uintmax_t bytes = 0;
  for (const auto& [source, page] : pages) bytes += fs::file_size(source);
  const fs::path root =
      fs::temp_directory_path() / ("kestrova-mend-bench-" + std::to_string(getpid()));
  const fs::path web = root / "web";
  std::printf("%zu pages, %.1f MB, %d runs of each on fresh copies\n", pages.size(),
              static_cast<double>(bytes) / 1e6, kRuns);

  std::vector<double> floor_times, mend_times;
  long floor_peak = 0, mend_peak = 0;
  for (int run = 0; run < kRuns; ++run) {
    MakeWeb(web, pages);
    const RunResult floor = InChild([&] {
      for (const auto& [source, page] : pages) {
        const std::string path = (web / page.relative).string();
        WriteFileAtomically(path, ReadWholeFile(path));
      }
    });
    floor_times.push_back(floor.seconds);
    floor_peak = std::max(floor_peak, floor.peak_kib);

    MakeWeb(web, pages);
    const RunResult mend = InChild([&] {
      NoUserInterface ui;
      NoBrowser browser;
      NoPump pump;
      PosixFileSystem files;
      LastError last_error;
      PublishServices services{ui, browser, pump, files, last_error, nullptr};
      host::LocalApplication app;
      RunMendPhase(app, services, web.string(), MendFolderPath(web.string()), [] {}, {});
    });
    mend_times.push_back(mend.seconds);
    mend_peak = std::max(mend_peak, mend.peak_kib);
  }
  // The last run's pages must all have been mended.
  std::size_t mended = 0;
  for (const auto& [source, page] : pages) {
    if (ReadWholeFile((web / page.relative).string()).find("<title>Mended page</title>") !=
        std::string::npos) {
      ++mended;
    }
  }
  fs::remove_all(root);

  const double floor_median = Median(floor_times);
  const double mend_median = Median(mend_times);
  std::printf("%-34s %10s %12s %12s\n", "", "median s", "pages/s", "peak MiB");
  std::printf("%-34s %10.3f %12.0f %12.1f\n", "floor: read + atomic write", floor_median,
              static_cast<double>(pages.size()) / floor_median,
              static_cast<double>(floor_peak) / 1024.0);
  std::printf("%-34s %10.3f %12.0f %12.1f\n", "mend phase", mend_median,
              static_cast<double>(pages.size()) / mend_median,
              static_cast<double>(mend_peak) / 1024.0);
  std::printf("pages mended in the last run: %zu of %zu\n", mended, pages.size());
  const double ratio = mend_median / floor_median;
  std::printf("ratio to the floor: %.3f (goal at most 1.10: %s)\n", ratio,
              ratio <= 1.10 ? "met" : "not met");
  std::printf("peak memory: %.1f MiB (goal under 36 MB: %s)\n",
              static_cast<double>(mend_peak) / 1024.0,
              static_cast<double>(mend_peak) * 1024.0 < 36e6 ? "met" : "not met");
  return mended == pages.size() ? 0 : 1;
}

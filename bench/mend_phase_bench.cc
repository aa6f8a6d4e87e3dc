// The mend over a web whose mending files are current, against the floor of any tool that rewrites
// its pages: reading each page and writing it back atomically (temporary file, rename) without
// looking at it. Three webs: the HTML documentation that Debian installs (about 4,000 real pages),
// 320 pages with heads of 100 KB and 32 with heads of 1 MB. On each, in interleaved runs on fresh
// copies, four contenders run as processes of their own, so that each one's peak memory is its
// own:
//   floor                 another process of this program reads and rewrites every listed page
//   floor, bytes flushed  the same, each page's bytes flushed to the disk before its rename, as
//                         fpkestrova does
//   mend phase            the mend phase alone, in a child of this program (no server, no start-up)
//   fpkestrova publish    the whole program against a server on 127.0.0.1 serving the same, current
//                         inventory, so that nothing is downloaded
// Then the scale: the documentation web at 1x, 4x and 16x (its pages copied into 4 and 16 folders),
// the floor against the mend phase alone, so that a cost per page that grows with the web shows as
// a ratio that grows with it.
// Usage: mend_phase_bench [FPKESTROVA LATENCY_SERVER]; without them, those of its own build run.
// mend_phase_bench --make-web WEB SCALE makes the documentation web at SCALE in WEB, and
// mend_phase_bench --mend WEB runs the mend phase alone on it, for a profiler or strace.
// KESTROVA_BENCH_ONLY_DOCUMENTATION=1 measures the first web alone, KESTROVA_BENCH_ONLY_SCALE=1 the
// scale alone.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_corpus.h"
#include "host/local/local_application.h"
#include "mending/entry_paths.h"
#include "mending/inventory.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/files/posix/read_whole_file.h"
#include "platform/files/temporary_folder.h"
#include "publish/mend_phase.h"
#include "tests/support/recording_browser.h"

namespace kestrova::bench {
namespace {

namespace fs = std::filesystem;

// Runs of each contender on each web: KESTROVA_BENCH_ROUNDS, 9 unless set. The machines these run
// on share their processors, so the medians need a few more runs than a quiet machine would.
int Runs() {
  const char* rounds = std::getenv("KESTROVA_BENCH_ROUNDS");
  const int runs = rounds != nullptr ? std::atoi(rounds) : 9;
  return runs > 0 ? runs : 9;
}

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
class NoPump final : public EventPump {
 public:
  void DoEvents() override {}
  TimerId AddTimer(std::chrono::milliseconds, std::function<void()>, bool) override { return 0; }
  void EnableTimer(TimerId, bool) override {}
  void RemoveTimer(TimerId) override {}
  void SetCancelHandler(std::function<void()>) override {}
};

struct Page {
  fs::path source;    // where its bytes are copied from
  fs::path relative;  // below the web's root
  std::string entry;  // its inventory entry
};

struct Web {
  std::string name;
  std::vector<Page> pages;
};

// The entry that names the page at relative: its folders joined by "--".
std::string EntryFor(const fs::path& relative) {
  std::string entry = relative.string();
  for (std::size_t at = entry.find('/'); at != std::string::npos; at = entry.find('/', at)) {
    entry.replace(at, 1, "--");
  }
  return entry;
}

// The corpus pages that an inventory can name, with where they go in the web.
Web DocumentationWeb() {
  Web web{"documentation pages", {}};
  const std::vector<std::string>& folders = CorpusFolders();
  const char* prefixes[] = {"python", "postgresql", "qt"};
  for (const std::string& path : CorpusPagePaths()) {
    for (std::size_t k = 0; k < folders.size(); ++k) {
      if (path.rfind(folders[k] + "/", 0) != 0) continue;
      const fs::path relative = fs::path(prefixes[k]) / path.substr(folders[k].size() + 1);
      if (relative.string().find("--") != std::string::npos) break;  // such a name has no entry
      const std::string entry = EntryFor(relative);
      if (UnsafeEntryReason(entry).empty()) web.pages.push_back({path, relative, entry});
      break;
    }
  }
  return web;
}

// The pages of web copied times over, each copy in a folder of its own ("copy1/python/...").
Web ScaledWeb(const Web& web, int times) {
  Web scaled{web.name + " x" + std::to_string(times), {}};
  scaled.pages.reserve(web.pages.size() * static_cast<std::size_t>(times));
  for (int copy = 1; copy <= times; ++copy) {
    const fs::path folder = "copy" + std::to_string(copy);
    for (const Page& page : web.pages) {
      const fs::path relative = folder / page.relative;
      scaled.pages.push_back({page.source, relative, EntryFor(relative)});
    }
  }
  return scaled;
}

// count pages in folder, each with a generated head of about head_bytes and a short body.
Web GeneratedWeb(const fs::path& folder, int count, std::size_t head_bytes) {
  Web web{std::to_string(count) + " pages, " + std::to_string(head_bytes >> 10) + " KB heads", {}};
  fs::create_directories(folder);
  for (int k = 0; k < count; ++k) {
    const fs::path relative = fs::path("pages") / ("page" + std::to_string(k) + ".htm");
    const fs::path source = folder / relative.filename();
    std::ofstream(source, std::ios::binary)
        << "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
        << GeneratedHead(head_bytes) << "</head>\r\n<body>\r\n<h1>Page " << k
        << "</h1>\r\n<p>Some text of the page.</p>\r\n</body>\r\n</html>\r\n";
    web.pages.push_back({source, relative, EntryFor(relative)});
  }
  return web;
}

// A fresh web holding the pages and a current mend folder for the site at the address site.
void MakeWeb(const fs::path& web, const Web& pages, const std::string& site) {
  PosixFileSystem files;
  fs::remove_all(web);
  fs::create_directories(web / "kestrova");
  std::string inventory = "12/7/2026 7:20:00 PM\r\n" + site + "\r\n";
  for (const Page& page : pages.pages) {
    fs::create_directories((web / page.relative).parent_path());
    fs::copy_file(page.source, web / page.relative);
    WriteWholeFile(files, (web / "kestrova" / page.entry).string(), kMendingFile,
                   CommitDurability::kNotWaitedFor);
    inventory += page.entry + "\r\n";
  }
  WriteWholeFile(files, (web / "kestrova" / "inventory.txt").string(), inventory,
                 CommitDurability::kNotWaitedFor);
}

// The floor, in a process of its own: every page the inventory of web lists is read and written
// back through a temporary file and a rename, with no more system calls than that needs.
int RunFloor(const std::string& web, bool flush) {
  std::ifstream inventory(web + "/kestrova/inventory.txt", std::ios::binary);
  std::string line;
  for (int number = 1; std::getline(inventory, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number <= 2 || line.empty()) continue;
    const std::string path = EntryPagePath(web, line);
    const std::string bytes = ReadWholeFile(path);
    const std::string temporary = path + ".floor";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        (flush && ::fsync(fd) != 0) || ::close(fd) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
      std::fprintf(stderr, "floor: %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  return 0;
}

// The mend phase alone on web, in this process, its pages put in place together at the end as the
// publish driver does.
void RunMend(const std::string& web) {
  NoUserInterface ui;
  testing::RecordingBrowser browser;
  NoPump pump;
  PosixFileSystem files;
  LastError last_error;
  PublishServices services{ui, browser, pump, files, last_error, nullptr};
  host::LocalApplication app(files);
  app.BeginPageChanges();
  RunMendPhase(app, services, web, MendFolderPath(web), [] {}, {});
  app.CommitPageChanges();
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

// Replaces the child with program and its arguments, its standard output thrown away.
[[noreturn]] void Exec(std::vector<std::string> arguments) {
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
  _exit(1);
}

// The latency server on a folder, with no wait before its answers, for as long as it lives.
class Server {
 public:
  Server(const std::string& program, const std::string& folder) {
    int out[2];
    if (::pipe(out) != 0) std::exit(1);
    pid_ = fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server ends with this program, however it ends
      ::dup2(out[1], 1);
      ::execl(program.c_str(), program.c_str(), folder.c_str(), "0", nullptr);
      _exit(1);
    }
    ::close(out[1]);
    char port[16] = {};
    const ssize_t got = ::read(out[0], port, sizeof port - 1);
    ::close(out[0]);
    if (got <= 0) {
      std::fprintf(stderr, "the server did not start\n");
      std::exit(1);
    }
    url_ = "http://127.0.0.1:" + std::string(port, static_cast<std::size_t>(got - 1));
  }
  ~Server() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  const std::string& url() const { return url_; }

 private:
  pid_t pid_ = -1;
  std::string url_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Contender {
  const char* name;
  std::vector<double> seconds;
  long peak_kib = 0;
};

// The contenders, by index in Measure.
enum Which { kFloor, kFloorFlushed, kMendPhase, kPublish, kContenders };

// Runs each contender of which Runs() times on fresh copies of pages, interleaved, and prints the
// medians. With mend_ratio, sets it to the mend phase's median over the floor's.
bool Measure(const Web& pages, const fs::path& web, const std::string& program,
             const std::string& server_program,
             const std::vector<Which>& which_ones = {kFloor, kFloorFlushed, kMendPhase, kPublish},
             double* mend_ratio = nullptr) {
  std::uintmax_t bytes = 0;
  for (const Page& page : pages.pages) bytes += fs::file_size(page.source);
  std::printf("\n%s: %zu pages, %.1f MB, %d runs of each on fresh copies\n", pages.name.c_str(),
              pages.pages.size(), static_cast<double>(bytes) / 1e6, Runs());
  fs::create_directories(web);
  const Server server(server_program, web.string());
  std::vector<Contender> contenders = {
      {"floor: read + atomic write", {}},
      {"floor, bytes flushed", {}},
      {"mend phase alone", {}},
      {"fpkestrova publish", {}},
  };
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  for (int run = 0, runs = Runs(); run < runs; ++run) {
    for (std::size_t k = 0; k < which_ones.size(); ++k) {
      // Each run starts with another contender, so that none always goes first.
      const Which which = which_ones[(k + static_cast<std::size_t>(run)) % which_ones.size()];
      MakeWeb(web, pages, server.url());
      ::sync();
      const RunResult result = InChild([&] {
        switch (which) {
          case kFloor:
            Exec({self, "--floor", web.string()});
          case kFloorFlushed:
            Exec({self, "--floor-flushed", web.string()});
          case kMendPhase:
            RunMend(web.string());
            break;
          default:
            Exec({program, "-q", "--on-missing=publish", "publish", web.string(), "--destination",
                  server.url()});
        }
      });
      contenders[which].seconds.push_back(result.seconds);
      contenders[which].peak_kib = std::max(contenders[which].peak_kib, result.peak_kib);
      // Every page of a mending contender's run must have been mended.
      if (which == kMendPhase || which == kPublish) {
        for (const Page& page : pages.pages) {
          if (ReadWholeFile((web / page.relative).string()).find("<title>Mended page</title>") ==
              std::string::npos) {
            std::fprintf(stderr, "%s left %s unmended\n", contenders[which].name,
                         page.relative.c_str());
            return false;
          }
        }
      }
    }
  }
  const double floor = Median(contenders[kFloor].seconds);
  if (mend_ratio != nullptr) *mend_ratio = Median(contenders[kMendPhase].seconds) / floor;
  std::printf("%-28s %10s %10s %10s %10s\n", "", "median s", "pages/s", "/ floor", "peak MiB");
  for (const Contender& contender : contenders) {
    if (contender.seconds.empty()) continue;
    const double median = Median(contender.seconds);
    std::printf("%-28s %10.3f %10.0f %10.2f %10.1f\n", contender.name, median,
                static_cast<double>(pages.pages.size()) / median, median / floor,
                static_cast<double>(contender.peak_kib) / 1024.0);
  }
  return true;
}

// The documentation web at 1x, 4x and 16x: the floor against the mend phase alone, then the three
// ratios side by side and the cost per page at 16x against that at 1x.
bool MeasureScale(const Web& documentation, const fs::path& web, const std::string& program,
                  const std::string& server_program) {
  const int scales[] = {1, 4, 16};
  double ratios[3] = {};
  for (int k = 0; k < 3; ++k) {
    if (!Measure(ScaledWeb(documentation, scales[k]), web, program, server_program,
                 {kFloor, kMendPhase}, &ratios[k])) {
      return false;
    }
  }
  std::printf(
      "\nmend phase / floor at 1x, 4x, 16x the documentation: %.2f, %.2f, %.2f; "
      "at 16x %.2f times the ratio at 1x\n",
      ratios[0], ratios[1], ratios[2], ratios[2] / ratios[0]);
  return true;
}

}  // namespace
}  // namespace kestrova::bench

int main(int argc, char** argv) {
  using namespace kestrova::bench;
  if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) return RunFloor(argv[2], false);
  if (argc == 3 && std::strcmp(argv[1], "--floor-flushed") == 0) return RunFloor(argv[2], true);
  // For a profiler or strace: a web of the documentation at SCALE made in WEB (no server needed),
  // and the mend phase alone on it.
  if (argc == 4 && std::strcmp(argv[1], "--make-web") == 0) {
    MakeWeb(argv[2], ScaledWeb(DocumentationWeb(), std::atoi(argv[3])), "http://127.0.0.1:1");
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--mend") == 0) {
    RunMend(argv[2]);
    return 0;
  }
  if (argc != 1 && argc != 3) {
    std::fprintf(stderr, "usage: mend_phase_bench [FPKESTROVA LATENCY_SERVER]\n");
    return 2;
  }
  const std::string program = argc == 3 ? argv[1] : KESTROVA_PROGRAM;
  const std::string server = argc == 3 ? argv[2] : KESTROVA_LATENCY_SERVER;
  const Web documentation = DocumentationWeb();
  if (documentation.pages.empty()) {
    std::fprintf(stderr,
                 "no corpus: install python3.11-doc, postgresql-doc-15, qtbase5-doc-html\n");
    return 1;
  }
  const kestrova::TemporaryFolder scratch("kestrova-mend-bench");
  const fs::path& root = scratch.path();
  std::printf("webs in %s (TMPDIR chooses the file system)\n", root.c_str());
  // KESTROVA_BENCH_ONLY_DOCUMENTATION=1 measures the documentation web alone.
  const char* only = std::getenv("KESTROVA_BENCH_ONLY_DOCUMENTATION");
  if (only != nullptr && std::strcmp(only, "1") == 0) {
    return Measure(documentation, root / "web", program, server) ? 0 : 1;
  }
  // KESTROVA_BENCH_ONLY_SCALE=1 measures the scale alone.
  const char* only_scale = std::getenv("KESTROVA_BENCH_ONLY_SCALE");
  if (only_scale != nullptr && std::strcmp(only_scale, "1") == 0) {
    return MeasureScale(documentation, root / "web", program, server) ? 0 : 1;
  }
  const bool ok =
      Measure(documentation, root / "web", program, server) &&
      Measure(GeneratedWeb(root / "heads100k", 320, 100 << 10), root / "web", program, server) &&
      Measure(GeneratedWeb(root / "heads1m", 32, 1 << 20), root / "web", program, server) &&
      MeasureScale(documentation, root / "web", program, server);
  return ok ? 0 : 1;
}

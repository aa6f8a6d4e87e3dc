// What a publish of a large web costs inside the stand-in FrontPage: FPKestrova.dll publishes a
// web of KESTROVA_BENCH_PAGES pages (10,000 unless set) whose editor takes
// KESTROVA_BENCH_OPEN_DELAY_MS milliseconds (5 unless set) for each window it opens, twice, with
// the mend folder already up to date. Prints the windows opened and the time of each publish,
// and the time of reading every listed page and mending file from the disk once, for comparison.
// Run by scripts/bench-addin.sh; no test runs it.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/files/temporary_folder.h"
#include "platform/files/win32/win32_file_system.h"
#include "platform/win32/wide_text.h"
#include "tests/addin/frontpage/add_in_windows.h"
#include "tests/addin/frontpage/addin_fixture.h"
#include "tests/addin/frontpage/disk_pages.h"
#include "tests/platform/win32/loopback_http_server.h"

namespace kestrova::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int EnvironmentNumber(const char* name, int otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : otherwise;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class AddinPublishBench : public AddinFixture {};

TEST_F(AddinPublishBench, PublishingAnUnchangedWebAgain) {
  const int pages = EnvironmentNumber("KESTROVA_BENCH_PAGES", 10000);
  const int delay = EnvironmentNumber("KESTROVA_BENCH_OPEN_DELAY_MS", 5);
  TemporaryFolder folder("kestrova-bench");
  const fs::path web = folder.path() / "web";
  const fs::path mend = web / "kestrova";
  LoopbackHttpServer site;
  std::string inventory = "12/7/2026 7:20:00 PM\r\n" + site.Url("") + "\r\n";
  for (int k = 1; k <= pages; ++k) {
    const std::string name = "page" + std::to_string(k) + ".htm";
    ASSERT_TRUE(WriteFileBytes(web / name, "<html><head><title>Page " + std::to_string(k) +
                                               "</title></head><body><p>" + std::string(2000, 'x') +
                                               "</p></body></html>\r\n"));
    ASSERT_TRUE(WriteFileBytes(mend / name, "<html><head><title>Page " + std::to_string(k) +
                                                " of the widgets</title><meta name=\"keywords\" "
                                                "content=\"widgets, " +
                                                std::to_string(k) +
                                                "\"><meta name=\"description\" content=\"Widget " +
                                                std::to_string(k) + ".\"></head></html>\r\n"));
    inventory += name + "\r\n";
  }
  inventory += "inventory.txt\r\n";
  ASSERT_TRUE(WriteFileBytes(mend / "inventory.txt", inventory));
  site.Serve("/kestrova", "");
  site.Serve("/kestrova/inventory.txt", inventory);

  // Every listed page and mending file read once, as the platform reads files.
  win32::Win32FileSystem files;
  const Clock::time_point reading = Clock::now();
  std::size_t bytes = 0;
  for (int k = 1; k <= pages; ++k) {
    const std::string name = "page" + std::to_string(k) + ".htm";
    bytes += files.ReadWholeFile(win32::Utf8FromWide((web / name).wstring())).size();
    bytes += files.ReadWholeFile(win32::Utf8FromWide((mend / name).wstring())).size();
  }
  const double read_seconds = SecondsSince(reading);
  ASSERT_GT(bytes, 0u);

  DiskPages disk;
  host_.ServePagesFrom(&disk);
  host_.set_open_delay(static_cast<DWORD>(delay));
  IDispatch* const web_object = host_.AddWeb(web.wstring());
  ASSERT_EQ(host_.FireWebOpen(web_object).result, S_OK);
  std::printf(
      "web of %d pages, %d ms per window opened; reading every page and mending file "
      "once: %.2f s\n",
      pages, delay, read_seconds);
  double second_seconds = 0;
  for (const char* which : {"first", "second"}) {
    // A message box would stop the measure: it is read, answered and reported.
    std::vector<std::wstring> texts;
    const auto answered = WhenVisible(kMessageBoxClass, kErrorCaption, [&](HWND box) {
      texts = StaticTexts(box);
      ClickButton(box, IDOK);
    });
    const std::size_t opened = disk.opened().size();
    const Clock::time_point start = Clock::now();
    const StandInHost::PublishOutcome outcome =
        host_.FireBeforeWebPublish(web_object, win32::WideFromUtf8(site.Url("")), false);
    const double seconds = SecondsSince(start);
    ASSERT_FALSE(*answered) << win32::Utf8FromWide(texts.empty() ? L"" : texts[0]);
    ASSERT_EQ(outcome.result, S_OK) << win32::Utf8FromWide(outcome.description);
    ASSERT_FALSE(outcome.cancel);
    std::printf("%s publish: %zu windows opened, %.2f s\n", which, disk.opened().size() - opened,
                seconds);
    second_seconds = seconds;
  }
  std::printf("second publish / reading once: %.2f\n", second_seconds / read_seconds);
  std::fflush(stdout);
}

}  // namespace
}  // namespace kestrova::testing

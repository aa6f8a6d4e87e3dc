// Checks the head locator against gumbo on every HTML page of the documentation that Debian's
// python3.11-doc, postgresql-doc-15 and qtbase5-doc-html packages install: about 4,000 pages
// written by three different generators.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/ascii.h"
#include "mending/head_locator.h"

namespace kestrova::gumbo_reference {
// The head location gumbo gives for `page` (defined with the page tests).
HeadLocation GumboHeadLocation(std::string_view page, bool* found);
}  // namespace kestrova::gumbo_reference

namespace kestrova {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCorpusFolders[] = {
    "/usr/share/doc/python3.11/html",
    "/usr/share/doc/postgresql-doc-15/html",
    "/usr/share/qt5/doc",
};
// Each of the folders holds well over this many pages.
constexpr std::size_t kMinPagesPerFolder = 350;
// Bounds of the pass: far above the pages installed and the time one pass takes.
constexpr std::size_t kMaxPages = 20000;
constexpr std::chrono::minutes kTimeBound{10};
constexpr std::size_t kReportedDisagreements = 10;

bool IsHtmlFile(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error)) return false;
  const std::string extension = entry.path().extension().string();
  return EqualsIgnoringCase(extension, ".html") || EqualsIgnoringCase(extension, ".htm");
}

// The HTML files under `folder`, in no particular order.
std::vector<fs::path> FindPages(const fs::path& folder) {
  std::vector<fs::path> pages;
  std::error_code error;
  for (fs::recursive_directory_iterator
           it(folder, fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    if (IsHtmlFile(*it)) pages.push_back(it->path());
  }
  return pages;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Describe(const HeadLocation& where) {
  std::ostringstream out;
  out << "[" << where.inner_begin << ", " << where.inner_end << ") start tag "
      << (where.has_start_tag ? "yes" : "no");
  return out.str();
}

TEST(HeadLocatorCorpusTest, AgreesWithGumboOnInstalledDocumentation) {
  std::vector<fs::path> pages;
  std::size_t folders_found = 0;
  for (const std::string_view folder : kCorpusFolders) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) continue;
    ++folders_found;
    std::vector<fs::path> found = FindPages(folder);
    pages.insert(pages.end(), found.begin(), found.end());
  }
  if (folders_found == 0) {
    GTEST_SKIP() << "none of the documentation folders is installed (packages python3.11-doc, "
                    "postgresql-doc-15, qtbase5-doc-html)";
  }
  std::sort(pages.begin(), pages.end());

  const auto deadline = std::chrono::steady_clock::now() + kTimeBound;
  std::size_t compared = 0;
  std::size_t bytes = 0;
  std::size_t disagreements = 0;
  std::string report;
  for (const fs::path& path : pages) {
    if (compared == kMaxPages || std::chrono::steady_clock::now() > deadline) break;
    const std::string page = ReadFile(path);
    bool found = false;
    const HeadLocation theirs = gumbo_reference::GumboHeadLocation(page, &found);
    const HeadLocation ours = LocateHead(page);
    ++compared;
    bytes += page.size();
    if (found && ours.inner_begin == theirs.inner_begin && ours.inner_end == theirs.inner_end &&
        ours.has_start_tag == theirs.has_start_tag) {
      continue;
    }
    if (++disagreements <= kReportedDisagreements) {
      report += "\n  " + path.string() + ": LocateHead " + Describe(ours) + ", gumbo " +
                (found ? Describe(theirs) : "no head");
    }
  }
  std::cout << "Compared " << compared << " of " << pages.size() << " pages (" << bytes
            << " bytes) in " << folders_found << " folders; " << disagreements
            << " disagreements.\n";
  RecordProperty("pages_compared", std::to_string(compared));
  RecordProperty("disagreements", std::to_string(disagreements));

  EXPECT_EQ(disagreements, 0u) << "first disagreements:" << report;
  EXPECT_GE(compared, kMinPagesPerFolder * folders_found)
      << "found " << pages.size() << " pages; the walk or the bounds are wrong";
}

}  // namespace
}  // namespace kestrova

// The two clients the entry benchmark times against each other: the mend store, downloading the
// way a publish does, and the curl program.
#ifndef KESTROVA_BENCH_DOWNLOAD_CLIENTS_H_
#define KESTROVA_BENCH_DOWNLOAD_CLIENTS_H_

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_harness.h"

namespace kestrova::bench {

// The inventory lines the server would send for the entries.
std::vector<std::string> ServerLines(const std::string& site_url,
                                     const std::vector<std::string>& entries);

// Downloads the entries of server_lines into mend_path the way a publish does: a shown status
// window that owns a libcurl transfer control, and a mend store over it, taking bodies of up to
// max_body_bytes. Returns the time DownloadEntries took; fails when the download shows a dialog
// or opens the browser.
Clock::duration DownloadWithStore(const std::vector<std::string>& server_lines,
                                  const std::string& site_url, const std::string& mend_path,
                                  std::size_t max_body_bytes);

// The curl program's configuration: every address of names under the site's kestrova/ with its
// output file in folder, fetched one after the other (curl's default) and failing at the first
// error. Disabling ~/.curlrc is left to the command line, where it must come first.
std::string CurlConfig(const std::string& site_url, const std::vector<std::string>& names,
                       const std::filesystem::path& folder);

// Runs curl with the configuration file and waits for it, at most limit. Returns the time from
// starting curl to its end.
Clock::duration RunCurl(const std::filesystem::path& config_path, std::chrono::seconds limit);

}  // namespace kestrova::bench

#endif  // KESTROVA_BENCH_DOWNLOAD_CLIENTS_H_

#include "bench/bench_corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrova::bench {

const std::vector<std::string>& CorpusFolders() {
  static const std::vector<std::string> folders = {
      "/usr/share/doc/python3.11/html",
      "/usr/share/doc/postgresql-doc-15/html",
      "/usr/share/qt5/doc",
  };
  return folders;
}

std::vector<std::string> CorpusPagePaths() {
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  for (const std::string& folder : CorpusFolders()) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) continue;
    for (fs::recursive_directory_iterator it(folder, error), end; it != end && !error;
         it.increment(error)) {
      if (!it->is_regular_file(error)) continue;
      const std::string extension = it->path().extension().string();
      if (extension == ".html" || extension == ".htm") paths.push_back(it->path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

const std::vector<std::string>& CorpusPages() {
  static const std::vector<std::string> pages = [] {
    std::vector<std::string> read;
    for (const std::string& path : CorpusPagePaths()) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      read.push_back(std::move(bytes).str());
    }
    return read;
  }();
  return pages;
}

}  // namespace kestrova::bench

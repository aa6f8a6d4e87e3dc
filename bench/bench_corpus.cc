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

std::string GeneratedHead(std::size_t target_bytes) {
  std::string head = "<title>Generated page</title>\r\n";
  for (int k = 0; head.size() < target_bytes; ++k) {
    const std::string n = std::to_string(k);
    switch (k % 6) {
      case 0:
        head += "<meta name=\"field" + n + "\" content=\"value number " + n + "\">\r\n";
        break;
      case 1:
        head += "<link rel=\"stylesheet\"\r\n      href=\"/styles/sheet" + n + ".css\">\r\n";
        break;
      case 2:
        head += "<script type=\"text/javascript\">\r\n  var x" + n +
                " = 1; if (x < 2) { x = 3; }\r\n</script>\r\n";
        break;
      case 3:
        head += "<!-- section " + n + " of the generated head -->\r\n";
        break;
      case 4:
        head += "<style>\r\n  .c" + n + " { color: red; }\r\n</style>\r\n";
        break;
      default:
        head += "<meta http-equiv=\"X-Custom-" + n + "\"  content=\"on\">\r\n";
        break;
    }
  }
  return head;
}

}  // namespace kestrova::bench

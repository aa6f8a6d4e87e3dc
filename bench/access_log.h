// The web server's access log, for counting the requests and connections of each run. One request
// a line as "connection connection_requests status body_bytes uri" (nginx's $connection
// $connection_requests $status $body_bytes_sent $request_uri).
#ifndef KESTROVA_BENCH_ACCESS_LOG_H_
#define KESTROVA_BENCH_ACCESS_LOG_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace kestrova::bench {

class AccessLog {
 public:
  struct Traffic {
    std::size_t requests = 0;
    std::size_t connections = 0;  // distinct connection numbers
    std::size_t not_ok = 0;       // requests answered with another status than 200
    std::uintmax_t body_bytes = 0;
  };

  explicit AccessLog(std::filesystem::path path) : path_(std::move(path)) {}

  // Starts a run: what is logged from now on belongs to it.
  void Mark() { offset_ = std::filesystem::file_size(path_); }

  // The requests logged since the mark, waiting (a bounded time) for the server to write the
  // lines of expected requests.
  Traffic Collect(std::size_t expected) const;

 private:
  Traffic Read() const;

  std::filesystem::path path_;
  std::uintmax_t offset_ = 0;
};

// Checks that the server logged the requests of a run: as many as files, each answered with 200,
// with the bytes of the files. Returns the number of connections; 0 without a log.
std::size_t CheckTraffic(const std::optional<AccessLog>& log, const std::string& who,
                         std::size_t files, std::uintmax_t bytes);

}  // namespace kestrova::bench

#endif  // KESTROVA_BENCH_ACCESS_LOG_H_

#include "bench/access_log.h"

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "bench/bench_harness.h"

namespace kestrova::bench {
namespace {

// How long Collect waits for the server to catch up: kLogWaitSteps rounds of kLogWaitStep.
constexpr std::chrono::milliseconds kLogWaitStep{10};
constexpr int kLogWaitSteps = 200;

}  // namespace

AccessLog::Traffic AccessLog::Collect(std::size_t expected) const {
  Traffic traffic;
  for (int step = 0; step < kLogWaitSteps; ++step) {
    traffic = Read();
    if (traffic.requests >= expected) break;
    std::this_thread::sleep_for(kLogWaitStep);
  }
  return traffic;
}

AccessLog::Traffic AccessLog::Read() const {
  std::ifstream in(path_, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset_));
  Traffic traffic;
  std::set<std::uint64_t> connections;
  std::string line;
  // Ends at the end of the log as it stands.
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::uint64_t connection = 0;
    std::uint64_t connection_requests = 0;
    int status = 0;
    std::uintmax_t bytes = 0;
    if (!(fields >> connection >> connection_requests >> status >> bytes)) {
      Fail("access log line not understood: " + line);
    }
    ++traffic.requests;
    connections.insert(connection);
    if (status != 200) ++traffic.not_ok;
    traffic.body_bytes += bytes;
  }
  traffic.connections = connections.size();
  return traffic;
}

std::size_t CheckTraffic(const std::optional<AccessLog>& log, const std::string& who,
                         std::size_t files, std::uintmax_t bytes) {
  if (!log) return 0;
  const AccessLog::Traffic traffic = log->Collect(files);
  if (traffic.requests != files || traffic.not_ok != 0 || traffic.body_bytes != bytes) {
    Fail(who + ": the server logged " + std::to_string(traffic.requests) + " requests (" +
         std::to_string(traffic.not_ok) + " not answered with 200) and " +
         std::to_string(traffic.body_bytes) + " body bytes; expected " + std::to_string(files) +
         " requests and " + std::to_string(bytes) + " bytes");
  }
  return traffic.connections;
}

}  // namespace kestrova::bench

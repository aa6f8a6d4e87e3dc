#include "tests/support/transfer_requests.h"

#include "tests/support/transfer_answers.h"

namespace kestrova::testing {

bool WaitWhileExecuting(TransferControl& control, EventPump& pump,
                        std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  // Each DoEvents sleeps at most its bound, so the count bound is far above the time bound.
  for (int round = 0; round < 1'000'000 && control.StillExecuting(); ++round) {
    if (std::chrono::steady_clock::now() > end) return false;
    pump.DoEvents();
  }
  return !control.StillExecuting();
}

std::string ReadBody(TransferControl& control, std::size_t chunk_size, std::size_t max_chunks) {
  std::string body;
  for (std::size_t i = 0; i < max_chunks; ++i) {
    const std::string chunk = control.GetChunk(chunk_size);
    if (chunk.empty()) break;
    body += chunk;
  }
  return body;
}

RequestOutcome RunRequest(TransferControl& control, EventPump& pump, std::string_view url,
                          std::string_view operation) {
  RequestOutcome record;
  control.SetStateChangedCallback([&record](int state) { record.states.push_back(state); });
  control.SetUrl(url);
  control.Execute(operation);
  record.stopped = WaitWhileExecuting(control, pump);
  record.states_at_wait_end = record.states;
  record.header = control.GetHeader();
  // A request still running after the wait may never end: its body is not waited for.
  if (record.stopped) record.body = ReadBody(control);
  control.SetStateChangedCallback(nullptr);
  return record;
}

std::string StatusLine(std::string_view header) {
  return std::string(header.substr(0, header.find('\r')));
}

std::size_t FirstMismatch(std::string_view body) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != LargeBodyByte(i)) return i;
  }
  return body.size();
}

}  // namespace kestrova::testing

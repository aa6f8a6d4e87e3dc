#include "tests/support/fake_transfer_control.h"

#include <algorithm>
#include <stdexcept>

namespace kestrova::testing {

void FakeTransferControl::Execute(std::string_view operation) {
  operations.emplace_back(operation);
  body_read_ = 0;
  for (const int state : execute_states) Fire(state);
}

std::string FakeTransferControl::GetChunk(std::size_t max_size) {
  const std::size_t size = std::min(max_size, body.size() - std::min(body_read_, body.size()));
  std::string chunk = body.substr(std::min(body_read_, body.size()), size);
  body_read_ += size;
  return chunk;
}

void FakeTransferControl::Cancel() {
  ++cancels;
  executing = false;
  for (const int state : cancel_states) Fire(state);
}

void FakeTransferControl::Fire(int state) {
  if (!callback_) throw std::logic_error("nothing registered for the control's state changes");
  callback_(state);
}

}  // namespace kestrova::testing

#include "platform/transfer/transfer_rate_floor.h"

namespace kestrova {

void TransferRateMeter::Count(std::size_t bytes, Clock::time_point now) {
  if (bytes == 0) return;
  if (!window_start_) {
    window_start_ = now;
    bytes_ = 0;
  }
  bytes_ += bytes;
}

bool TransferRateMeter::Missed(Clock::time_point now) {
  if (!window_start_ || floor_.window <= Clock::duration::zero()) return false;
  const Clock::time_point end = *window_start_ + floor_.window;
  if (now < end) return false;
  if (bytes_ < floor_.min_bytes) return true;
  // Windows follow each other; one the pump checked late counts what arrived until now.
  window_start_ = end + floor_.window <= now ? now : end;
  bytes_ = 0;
  return false;
}

}  // namespace kestrova

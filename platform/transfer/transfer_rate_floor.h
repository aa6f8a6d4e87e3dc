// The least a running request must move: the silence time-out ends a request that receives
// nothing, the rate floor one that keeps receiving a byte now and then. A request whose answer
// has begun must bring at least min_bytes in every window; one that brings fewer ends as timed
// out. The default lets a modem link of the slowest kind pass many times over (1 KB in 30 s is
// about 34 bytes a second) and stops a server that sends a byte or two a second.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_RATE_FLOOR_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_RATE_FLOOR_H_

#include <chrono>
#include <cstddef>
#include <optional>

namespace kestrova {

struct TransferRateFloor {
  std::chrono::milliseconds window{std::chrono::seconds{30}};
  std::size_t min_bytes = 1024;
};

// Counts the bytes of one request window by window. A window starts with the first bytes that
// arrive after Stop (or after construction); the time before the answer begins, and any time the
// transport is held back, is left to the silence time-out.
class TransferRateMeter {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TransferRateMeter(TransferRateFloor floor) : floor_(floor) {}

  // No window runs until bytes arrive again: a new request, or a transport held back.
  void Stop() noexcept { window_start_.reset(); }

  // bytes arrived at now; the first after Stop start a window.
  void Count(std::size_t bytes, Clock::time_point now);

  // True when a whole window has ended with fewer than the floor's bytes. A window that ended
  // with enough is followed by the next one, from its end.
  bool Missed(Clock::time_point now);

  const TransferRateFloor& floor() const noexcept { return floor_; }

 private:
  TransferRateFloor floor_;
  std::optional<Clock::time_point> window_start_;
  std::size_t bytes_ = 0;  // in the current window
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_RATE_FLOOR_H_

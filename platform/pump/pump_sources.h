// The sources of an event pump: what every platform's source tells the pump, and the pump's list
// of them, which sources join and leave while the pump is dispatching.
#ifndef KESTROVA_PLATFORM_PUMP_PUMP_SOURCES_H_
#define KESTROVA_PLATFORM_PUMP_PUMP_SOURCES_H_

#include <algorithm>
#include <chrono>
#include <concepts>
#include <cstddef>
#include <optional>
#include <vector>

namespace kestrova {

// Something that makes progress inside an event pump. Each platform's pump adds what its sources
// wait on and how they are handed the outcome.
class PumpSource {
 public:
  virtual ~PumpSource() = default;

  // How long the pump may sleep as far as this source is concerned: zero when it has work now,
  // nullopt when it has no deadline of its own.
  virtual std::optional<std::chrono::milliseconds> Timeout() const = 0;
};

// The registered sources of one pump, in the order they were added. A source's callbacks may add
// or remove sources, or pump again, while a round is being dispatched.
template <std::derived_from<PumpSource> Source>
class PumpSourceList {
 public:
  // Registers a source, which must stay alive until removed. Adding it twice has no further
  // effect.
  void Add(Source& source) {
    if (!Contains(&source)) sources_.push_back(&source);
  }
  // Unregisters a source; it is skipped in the rest of any round being dispatched.
  void Remove(Source& source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), &source), sources_.end());
  }

  // The sources of one round: a copy, which changes to the list do not disturb.
  std::vector<Source*> Round() const { return sources_; }

  // Calls dispatch(source, i) for the i-th source of round, skipping those that an earlier
  // source's callbacks removed.
  template <typename Dispatch>
  void DispatchRound(const std::vector<Source*>& round, Dispatch dispatch) const {
    for (std::size_t i = 0; i < round.size(); ++i) {
      if (Contains(round[i])) dispatch(*round[i], i);
    }
  }

  // The nearest deadline of any source, nullopt when none has one.
  std::optional<std::chrono::milliseconds> NearestTimeout() const {
    std::optional<std::chrono::milliseconds> nearest;
    for (const Source* source : sources_) {
      if (const auto limit = source->Timeout(); limit && (!nearest || *limit < *nearest)) {
        nearest = limit;
      }
    }
    return nearest;
  }

 private:
  bool Contains(const Source* source) const {
    return std::find(sources_.begin(), sources_.end(), source) != sources_.end();
  }

  std::vector<Source*> sources_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_PUMP_PUMP_SOURCES_H_

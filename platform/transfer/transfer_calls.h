// What every transfer control does alike around its own transport: refusing calls it cannot carry
// out, reading the operation of Execute, and handing queued states to the state callback.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_CALLS_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_CALLS_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/transfer/transfer_control.h"

namespace kestrova {

// Refuses a call the control cannot carry out: Failure 5 with the control's source.
[[noreturn]] void RefuseTransferCall(std::string description);

// The operations Execute carries out.
enum class TransferOperation { kGet, kHead };

// The operation named by operation ("GET" or "HEAD", in any case); refuses any other.
TransferOperation ParseTransferOperation(std::string_view operation);

// seconds as a request time-out; refuses a negative one.
int CheckedRequestTimeout(int seconds);

// Hands the states a control has queued to its state callback, in order. A delivery asked for
// from inside the callback leaves the states to the one that is running, so that states never
// arrive out of order or nested.
class StateDelivery {
 public:
  // Takes each state from states.Next() until it gives none and calls on_state with it; on_state
  // is read again for every state, since the callback may replace itself.
  template <typename StateQueue>
  void Deliver(StateQueue& states, const TransferControl::StateChangedCallback& on_state) {
    if (delivering_) return;
    delivering_ = true;
    const Running running{delivering_};
    while (const std::optional<int> state = states.Next()) {
      if (!on_state) continue;
      const TransferControl::StateChangedCallback callback = on_state;
      callback(*state);
    }
  }

 private:
  // Clears the flag when the delivery ends, by an exception too.
  struct Running {
    bool& flag;
    ~Running() { flag = false; }
  };

  bool delivering_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_CALLS_H_

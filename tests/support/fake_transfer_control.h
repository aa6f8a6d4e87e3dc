// A transfer control that makes no request: it only passes on the states a test fires through it,
// so that whoever registered for them is seen receiving them as from a real control's pump.
#ifndef KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_
#define KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/transfer/transfer_control.h"

namespace kestrova::testing {

class FakeTransferControl final : public TransferControl {
 public:
  void SetUrl(std::string_view url) override { url_ = std::string(url); }
  const std::string& Url() const override { return url_; }
  void SetRequestTimeout(int) override {}
  void Execute(std::string_view) override {}
  // Still executing for the next busy_polls calls.
  bool StillExecuting() const override { return busy_polls > 0 && busy_polls-- > 0; }
  std::string GetHeader() const override { return {}; }
  std::string GetChunk(std::size_t) override { return {}; }
  void Cancel() override {}
  std::string FailureDetail() const override { return {}; }
  std::size_t ConnectionsOpened() const override { return opened; }
  void SetStateChangedCallback(StateChangedCallback callback) override {
    callback_ = std::move(callback);
  }

  // Delivers state to the registered receiver; raises std::logic_error when nothing registered.
  void Fire(int state) {
    if (!callback_) throw std::logic_error("nothing registered for state changes");
    callback_(state);
  }

  mutable std::size_t busy_polls = 0;
  std::size_t opened = 0;

 private:
  std::string url_;
  StateChangedCallback callback_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_

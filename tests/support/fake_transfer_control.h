// A transfer control that makes no request: it fires the states a test gives it, from the test or
// from inside Execute and Cancel, hands out a scripted header and body, and records what it was
// asked.
#ifndef KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_
#define KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/transfer_control.h"

namespace kestrova::testing {

class FakeTransferControl final : public TransferControl {
 public:
  void SetUrl(std::string_view url) override { url_ = std::string(url); }
  const std::string& Url() const override { return url_; }
  void SetRequestTimeout(int seconds) override { timeout_seconds = seconds; }
  // Records operation, then fires execute_states in order.
  void Execute(std::string_view operation) override;
  bool StillExecuting() const override { return executing; }
  std::string GetHeader() const override { return header; }
  // The next max_size bytes of body at most; empty once it is all handed out.
  std::string GetChunk(std::size_t max_size) override;
  // Counts the call, ends executing, then fires cancel_states in order.
  void Cancel() override;
  void SetStateChangedCallback(StateChangedCallback callback) override {
    callback_ = std::move(callback);
  }

  // Delivers state to the registered receiver, as the control would from its event pump; raises
  // std::logic_error when nothing registered for state changes.
  void Fire(int state);
  bool has_callback() const { return static_cast<bool>(callback_); }

  // The script.
  std::vector<int> execute_states;
  std::vector<int> cancel_states;
  bool executing = false;  // what StillExecuting answers
  std::string header;
  std::string body;

  // What the control was asked.
  std::vector<std::string> operations;
  int timeout_seconds = kDefaultRequestTimeout;
  int cancels = 0;

 private:
  std::string url_;
  std::size_t body_read_ = 0;
  StateChangedCallback callback_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_FAKE_TRANSFER_CONTROL_H_

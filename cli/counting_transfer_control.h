// A transfer control that passes everything to another one and counts the body bytes it hands
// out, for the summary of a publish.
#ifndef KESTROVA_CLI_COUNTING_TRANSFER_CONTROL_H_
#define KESTROVA_CLI_COUNTING_TRANSFER_CONTROL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/transfer/transfer_control.h"

namespace kestrova {

class CountingTransferControl final : public TransferControl {
 public:
  // Adds the size of every piece GetChunk returns to *bytes, which must outlive the control.
  CountingTransferControl(std::unique_ptr<TransferControl> inner, std::uint64_t& bytes)
      : inner_(std::move(inner)), bytes_(bytes) {}

  void SetUrl(std::string_view url) override { inner_->SetUrl(url); }
  const std::string& Url() const override { return inner_->Url(); }
  void SetRequestTimeout(int seconds) override { inner_->SetRequestTimeout(seconds); }
  void Execute(std::string_view operation) override { inner_->Execute(operation); }
  bool StillExecuting() const override { return inner_->StillExecuting(); }
  std::string GetHeader() const override { return inner_->GetHeader(); }
  std::string GetChunk(std::size_t max_size) override {
    std::string chunk = inner_->GetChunk(max_size);
    bytes_ += chunk.size();
    return chunk;
  }
  void Cancel() override { inner_->Cancel(); }
  std::string FailureDetail() const override { return inner_->FailureDetail(); }
  bool Multiplexed() const override { return inner_->Multiplexed(); }
  std::size_t ConnectionsOpened() const override { return inner_->ConnectionsOpened(); }
  void SetStateChangedCallback(StateChangedCallback callback) override {
    inner_->SetStateChangedCallback(std::move(callback));
  }

 private:
  std::unique_ptr<TransferControl> inner_;
  std::uint64_t& bytes_;
};

}  // namespace kestrova

#endif  // KESTROVA_CLI_COUNTING_TRANSFER_CONTROL_H_

#include "platform/transfer/transfer_calls.h"

#include <utility>

#include "base/ascii.h"
#include "base/failure.h"

namespace kestrova {

void RefuseTransferCall(std::string description) {
  throw Failure(kErrInvalidArgument, std::string(kTransferSource), std::move(description));
}

TransferOperation ParseTransferOperation(std::string_view operation) {
  if (EqualsIgnoringCase(operation, "get")) return TransferOperation::kGet;
  if (EqualsIgnoringCase(operation, "head")) return TransferOperation::kHead;
  RefuseTransferCall("Operation not supported: " + std::string(operation));
}

int CheckedRequestTimeout(int seconds) {
  if (seconds < 0) RefuseTransferCall(std::string(PlatformDescription(kErrInvalidArgument)));
  return seconds;
}

}  // namespace kestrova

#include "publish/request_failure.h"

#include <utility>

#include "platform/transfer/transfer_states.h"

namespace kestrova {
namespace {

namespace ts = transfer_state;

}  // namespace

std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kMebibyte = std::size_t{1} << 20;
  if (bytes != 0 && bytes % kMebibyte == 0) return std::to_string(bytes / kMebibyte) + " MiB";
  return std::to_string(bytes) + " bytes";
}

Failure TransferFailure(int last_state, std::string_view detail) {
  const std::string source(kTransferSource);
  std::string description;
  std::int32_t number = errCommunicating;
  switch (last_state) {
    case ts::kResolvingHost:
      number = errDnsNameNotFound;
      description = "DNS error - name not found";
      break;
    case ts::kConnecting:
      number = errServerNotResponding;
      description = "Server not responding";
      break;
    case ts::kResponseReceived:
      number = errReceivingData;
      description = "Error receiving data from server";
      break;
    default:
      description = "Error communicating with the remote server.";
      break;
  }
  // The transfer's own text stays first; what the control can say about the cause follows it.
  if (!detail.empty()) description.append("\r\n").append(detail);
  return Failure(number, source, std::move(description));
}

Failure UnknownStateFailure() {
  return Failure(errUnknownTransferState, std::string(kTransferSource), "Unknown Error");
}

void RaiseStatusFailure(std::int32_t number, const std::string& address, std::string description) {
  throw Failure(number, std::string(kProgramSource), std::move(description), address);
}

void RaiseBodyTooLarge(std::size_t cap, std::string_view address, BodyCapOf of) {
  const std::string_view why =
      of == BodyCapOf::kMendFolderFile
          ? "the inventory and each mending file may have at most that much."
          : "what was needed of it did not come within that much.";
  RaiseProgramError(errBodyTooLarge, "The server sent more than " + SizeText(cap) + " for \"" +
                                         std::string(address) + "\"; " + std::string(why));
}

void RaiseDownloadTooLarge(std::size_t cap, std::string_view destination) {
  RaiseProgramError(errBodyTooLarge, "The server sent more than " + SizeText(cap) +
                                         " for the mending files of \"" + std::string(destination) +
                                         "/kestrova\"; one publish may fetch at most that much.");
}

std::string FailedRequestStatusLine(std::string_view shown, std::string_view address) {
  std::string line(shown);
  line.append(" (").append(address).append(")");
  return line;
}

}  // namespace kestrova

// The one failure type of FPKestrova: a number, a source and a description, the way the platform's
// error state reports a run-time error. Every layer raises it; the publish driver's single failure
// path reads the number to choose the dialog and the cancel flag.
#ifndef KESTROVA_BASE_FAILURE_H_
#define KESTROVA_BASE_FAILURE_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrova {

// The program's own numbers are this base plus an offset.
inline constexpr std::int32_t kErrorBase = static_cast<std::int32_t>(0x80040000u);

// Numbers raised by the publish driver and its phases.
inline constexpr std::int32_t errNoMendFolder = kErrorBase + 520;   // 0x80040208
inline constexpr std::int32_t errNoInventory = kErrorBase + 521;    // 0x80040209
inline constexpr std::int32_t errNoMendFile = kErrorBase + 522;     // 0x8004020A
inline constexpr std::int32_t errNothingMended = kErrorBase + 530;  // 0x80040212

// Numbers recorded by the transfer window for a failed request.
inline constexpr std::int32_t errUnknownTransferState = kErrorBase + 0;   // 0x80040000
inline constexpr std::int32_t errServerNotResponding = kErrorBase + 443;  // 0x800401BB
inline constexpr std::int32_t errReceivingData = kErrorBase + 448;        // 0x800401C0
inline constexpr std::int32_t errDnsNameNotFound = kErrorBase + 541;      // 0x8004021D
inline constexpr std::int32_t errCommunicating = kErrorBase + 550;        // 0x80040226

// The platform's own run-time error numbers that the program raises or meets.
inline constexpr std::int32_t kErrInvalidArgument = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrInputPastEnd = 62;
inline constexpr std::int32_t kErrPathFileAccess = 75;
inline constexpr std::int32_t kErrPathNotFound = 76;
inline constexpr std::int32_t kErrObjectNotSet = 91;

// Numbers of the program's own for failures it reports beyond the ones above.
// The server answered a request with an error status other than 404.
inline constexpr std::int32_t errServerStatus = kErrorBase + 560;
// An inventory entry that is not a plain file name of the mend folder.
inline constexpr std::int32_t errUnsafeEntry = kErrorBase + 561;
// A publish was started while another one was being prepared.
inline constexpr std::int32_t errPublishRunning = kErrorBase + 562;
// The server sent more for the inventory or a mending file than the program accepts.
inline constexpr std::int32_t errBodyTooLarge = kErrorBase + 563;
// The host made another page window active than the one the mend phase had just located.
inline constexpr std::int32_t errWrongPageActive = kErrorBase + 570;

// The description a user of the platform knows for one of its numbers (5, 6, 9, 13, 53, 62, 75,
// 76); empty for any other number.
std::string_view PlatformDescription(std::int32_t number);

// A raised run-time error. The source names who raised it (kProgramSource for the program's own
// failures, kTransferSource for the transfer control); the description is the text shown to the
// user. A failed request also carries the address it asked for, which a terminal and a summary
// show after the description; a message box whose text is fixed does not.
class Failure : public std::runtime_error {
 public:
  Failure(std::int32_t number, std::string source, std::string description,
          std::string address = {});

  std::int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  // The address of the failed request; empty for a failure of no request.
  const std::string& address() const noexcept { return address_; }

 private:
  std::int32_t number_;
  std::string source_;
  std::string description_;
  std::string address_;
};

// The last error: the error state that a failed request is recorded in without being raised, and
// that the publish driver reads, raises and clears. One instance serves one add-in object.
class LastError {
 public:
  std::int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  bool IsSet() const noexcept { return number_ != 0; }

  // Records a failure; the number, then the description, then the source are replaced.
  void Set(std::int32_t number, std::string description, std::string source);
  void Clear() noexcept;

  // Raises the recorded failure as it stands.
  [[noreturn]] void Raise() const;

 private:
  std::int32_t number_ = 0;
  std::string source_;
  std::string description_;
};

// The source of every failure the program raises itself.
inline constexpr std::string_view kProgramSource = "FPKestrova";

// The source of every failure of a request, recorded by the transfer control and the transfer
// window.
inline constexpr std::string_view kTransferSource = "Inet1";

// The program's own failure: number and description with kProgramSource as its source.
Failure ProgramFailure(std::int32_t number, std::string description);

// Raises a failure of the program's own. Without a description, the number is one of the
// platform's and carries the platform's own text; with one, the description says more than the
// platform's short text (which malformed element, which file).
[[noreturn]] void RaiseProgramError(std::int32_t number);
[[noreturn]] void RaiseProgramError(std::int32_t number, std::string description);

}  // namespace kestrova

#endif  // KESTROVA_BASE_FAILURE_H_

#include "base/failure.h"

#include <utility>

namespace kestrova {

std::string_view PlatformDescription(std::int32_t number) {
  switch (number) {
    case kErrInvalidArgument:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrSubscriptOutOfRange:
      return "Subscript out of range";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrFileNotFound:
      return "File not found";
    case kErrInputPastEnd:
      return "Input past end of file";
    case kErrPathFileAccess:
      return "Path/File access error";
    case kErrPathNotFound:
      return "Path not found";
    case kErrObjectNotSet:
      return "Object variable or With block variable not set";
    default:
      return {};
  }
}

Failure::Failure(std::int32_t number, std::string source, std::string description,
                 std::string address)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      address_(std::move(address)) {}

void LastError::Set(std::int32_t number, std::string description, std::string source) {
  number_ = number;
  description_ = std::move(description);
  source_ = std::move(source);
}

void LastError::Clear() noexcept {
  number_ = 0;
  source_.clear();
  description_.clear();
}

void LastError::Raise() const { throw Failure(number_, source_, description_); }

Failure ProgramFailure(std::int32_t number, std::string description) {
  return Failure(number, std::string(kProgramSource), std::move(description));
}

void RaiseProgramError(std::int32_t number) {
  throw ProgramFailure(number, std::string(PlatformDescription(number)));
}

void RaiseProgramError(std::int32_t number, std::string description) {
  throw ProgramFailure(number, std::move(description));
}

}  // namespace kestrova

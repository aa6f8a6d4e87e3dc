#include "tests/platform/win32/transfer_run.h"

#include "tests/platform/win32/loopback_http_server.h"

namespace kestrova::testing {

win32::WinInetTransferControl::Options DirectOptions() {
  win32::WinInetTransferControl::Options options;
  options.access_type = INTERNET_OPEN_TYPE_DIRECT;
  return options;
}

std::size_t FirstMismatch(const std::string& body) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != LargeBodyByte(i)) return i;
  }
  return body.size();
}

}  // namespace kestrova::testing

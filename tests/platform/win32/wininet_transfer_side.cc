#include "tests/platform/win32/wininet_transfer_side.h"

#include <stdexcept>

namespace kestrova::testing {

RefusingPort::RefusingPort() {
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(socket_);
    throw std::runtime_error("bind failed");
  }
  port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() { closesocket(socket_); }

std::string RefusingPort::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

WinInetTransferSide::Control::Options WinInetTransferSide::Options() {
  Control::Options options;
  options.access_type = INTERNET_OPEN_TYPE_DIRECT;
  return options;
}

std::string WinInetTransferSide::RefusedUrl(std::string_view path) {
  if (!refusing_) refusing_.emplace();
  return refusing_->Url(path);
}

}  // namespace kestrova::testing

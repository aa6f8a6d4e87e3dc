// The way from WinINet's threads to the transfer control's thread. WinINet calls the status
// callback on threads of its own (and sometimes on the caller's thread, inside a WinINet call);
// the callback only queues what it was told on the channel and wakes the pump. The control takes
// the queue on its own thread, from the pump or while GetChunk waits.
#ifndef KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CHANNEL_H_
#define KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CHANNEL_H_

#include <windows.h>
#include <wininet.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace kestrova::win32 {

// One status notification, as the callback received it.
struct TransferNotice {
  std::uint32_t request = 0;  // the Execute it belongs to, see RequestContext
  DWORD status = 0;           // INTERNET_STATUS_*
  DWORD value = 0;            // RESPONSE_RECEIVED: the byte count; REQUEST_COMPLETE: dwError
  bool succeeded = false;     // REQUEST_COMPLETE: dwResult was non-zero
};

class TransferChannel {
 public:
  // Creates the channel's own event and a duplicate of the pump's wake-up event (pump_wake), so
  // that a late notification wakes nothing that is gone. Raises a Failure when either fails.
  explicit TransferChannel(HANDLE pump_wake);

  TransferChannel(const TransferChannel&) = delete;
  TransferChannel& operator=(const TransferChannel&) = delete;

  // Queues a notice and wakes both the pump and a GetChunk that waits. Any thread; after Close it
  // drops the notice.
  void Post(const TransferNotice& notice);

  // Removes and returns the queued notices, oldest first.
  std::vector<TransferNotice> TakeAll();

  bool HasPending() const;

  // Sleeps until a notice is posted (or was posted since the last wait), at most milliseconds.
  void Wait(DWORD milliseconds) const;

  // Drops everything queued and everything posted from now on: the control is going away.
  void Close();

 private:
  mutable std::mutex mutex_;
  std::vector<TransferNotice> notices_;
  bool closed_ = false;
  UniqueHandle arrived_;    // auto-reset; signalled by Post
  UniqueHandle pump_wake_;  // our duplicate of the pump's event
};

// The context value WinINet hands back with each notification of one request's connect and request
// handles. Shared owners keep it: the control while the request is its current one, and each handle
// opened with it until WinINet reports that handle closing (INTERNET_STATUS_HANDLE_CLOSING, its
// last notification), which may be after the control has moved on to another request or is gone;
// the memory WinINet fills asynchronously is kept here for that reason.
class RequestContext : public std::enable_shared_from_this<RequestContext> {
 public:
  static constexpr DWORD kPieceSize = 16 * 1024;

  RequestContext(std::shared_ptr<TransferChannel> channel, std::uint32_t request)
      : channel_(std::move(channel)), request_(request) {}

  RequestContext(const RequestContext&) = delete;
  RequestContext& operator=(const RequestContext&) = delete;

  // The status callback of every handle of the control (INTERNET_STATUS_CALLBACK).
  static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                DWORD info_length);

  // Makes handle, just opened with AsContext(), an owner of the context until it closes.
  void KeepAliveFor(HINTERNET handle);

  DWORD_PTR AsContext() noexcept { return reinterpret_cast<DWORD_PTR>(this); }

  // Filled by InternetQueryDataAvailable, possibly after it returned.
  DWORD available = 0;
  // The read in progress: its description and its bytes.
  INTERNET_BUFFERSA buffers{};
  std::array<char, kPieceSize> piece{};

 private:
  // The share of a handle that WinINet reports closing; the context may go with it.
  std::shared_ptr<RequestContext> ReleaseFor(HINTERNET handle) noexcept;

  std::shared_ptr<TransferChannel> channel_;
  std::uint32_t request_;
  std::mutex owners_mutex_;
  std::vector<std::pair<HINTERNET, std::shared_ptr<RequestContext>>> owners_;  // by handle
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CHANNEL_H_

#include "platform/transfer/win32/wininet_transfer_channel.h"

#include <utility>

#include "platform/win32/com/com_failure.h"

namespace kestrova::win32 {

TransferChannel::TransferChannel(HANDLE pump_wake) {
  arrived_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!arrived_) throw FailureFromWin32Error(GetLastError(), "CreateEventW");
  HANDLE duplicate = nullptr;
  const HANDLE process = GetCurrentProcess();
  if (!DuplicateHandle(process, pump_wake, process, &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    throw FailureFromWin32Error(GetLastError(), "DuplicateHandle");
  }
  pump_wake_.reset(duplicate);
}

void TransferChannel::Post(const TransferNotice& notice) {
  {
    const std::lock_guard lock(mutex_);
    if (closed_) return;
    notices_.push_back(notice);
  }
  SetEvent(arrived_.get());
  SetEvent(pump_wake_.get());
}

std::vector<TransferNotice> TransferChannel::TakeAll() {
  std::vector<TransferNotice> taken;
  const std::lock_guard lock(mutex_);
  taken.swap(notices_);
  return taken;
}

bool TransferChannel::HasPending() const {
  const std::lock_guard lock(mutex_);
  return !notices_.empty();
}

void TransferChannel::Wait(DWORD milliseconds) const {
  WaitForSingleObject(arrived_.get(), milliseconds);
}

void TransferChannel::Close() {
  const std::lock_guard lock(mutex_);
  closed_ = true;
  notices_.clear();
}

void CALLBACK RequestContext::OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status,
                                       LPVOID info, DWORD info_length) {
  auto* request = reinterpret_cast<RequestContext*>(context);
  if (request == nullptr) return;
  if (status == INTERNET_STATUS_HANDLE_CLOSING) {
    // Nothing of the handle comes after this; the context may go when the share does.
    const std::shared_ptr<RequestContext> released = request->ReleaseFor(handle);
    return;
  }
  TransferNotice notice;
  notice.request = request->request_;
  notice.status = status;
  switch (status) {
    case INTERNET_STATUS_REQUEST_COMPLETE:
      if (info == nullptr || info_length < sizeof(INTERNET_ASYNC_RESULT)) return;
      notice.succeeded = static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwResult != 0;
      notice.value = static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwError;
      break;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
      if (info != nullptr && info_length >= sizeof(DWORD)) {
        notice.value = *static_cast<const DWORD*>(info);
      }
      break;
    case INTERNET_STATUS_RESOLVING_NAME:
    case INTERNET_STATUS_NAME_RESOLVED:
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
    case INTERNET_STATUS_SENDING_REQUEST:
    case INTERNET_STATUS_REQUEST_SENT:
    case INTERNET_STATUS_RECEIVING_RESPONSE:
    case INTERNET_STATUS_CLOSING_CONNECTION:
    case INTERNET_STATUS_CONNECTION_CLOSED:
    case INTERNET_STATUS_REDIRECT:
      break;
    default:
      return;  // handle creation, cookies, proxy detection: nothing the control follows
  }
  try {
    request->channel_->Post(notice);
  } catch (...) {
    // No exception may leave into WinINet; a notice lost for want of memory ends the request by
    // its time-out.
  }
}

void RequestContext::KeepAliveFor(HINTERNET handle) {
  const std::lock_guard lock(owners_mutex_);
  owners_.emplace_back(handle, shared_from_this());
}

std::shared_ptr<RequestContext> RequestContext::ReleaseFor(HINTERNET handle) noexcept {
  std::shared_ptr<RequestContext> released;
  const std::lock_guard lock(owners_mutex_);
  for (auto owner = owners_.begin(); owner != owners_.end(); ++owner) {
    if (owner->first == handle) {
      released = std::move(owner->second);
      owners_.erase(owner);
      break;
    }
  }
  return released;
}

}  // namespace kestrova::win32

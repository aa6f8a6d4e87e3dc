// The HTTP transfer control through which the publish driver makes every request to the web
// server: one request at a time, started with Execute and left to run while the caller pumps
// events. Progress arrives as state changes (see transfer_states.h) through one registered
// callback, always from inside the pump of the thread that owns the control.
//
// A request that fails does not raise anything: the control reports transfer_state::kError and its
// owner decides what that means. Only a call the control cannot accept at all (an address it cannot
// use, Execute while a request is still executing, an unknown operation word) raises a
// kestrova::Failure at once, with a platform number, kTransferSource and the control's own
// description.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_CONTROL_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_CONTROL_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

class TransferControl {
 public:
  // Receives each new state (0 to 12) in the order the request passes through them.
  using StateChangedCallback = std::function<void(int state)>;

  // The time-out a new control starts with, in seconds.
  static constexpr int kDefaultRequestTimeout = 60;

  virtual ~TransferControl() = default;

  // Sets the address of the next request: an absolute http:// or https:// URL. Raises a Failure
  // when the text cannot be used as such an address. An empty text clears the address.
  virtual void SetUrl(std::string_view url) = 0;

  // The address as last set, unchanged.
  virtual const std::string& Url() const = 0;

  // Bounds, in seconds, how long a request may take to connect and how long it may go without
  // receiving anything; it does not bound the length of a download that keeps arriving. Zero
  // means no limit. Raises a Failure for a negative value. Applies from the next Execute on.
  // While it is set, a request whose answer has begun must also keep up the control's rate floor
  // (see transfer_rate_floor.h), or it ends the same way.
  virtual void SetRequestTimeout(int seconds) = 0;

  // Starts a request on the address set before: "head" or "get" (in any case) for the HTTP
  // methods HEAD and GET. Returns at once; the request runs on while the caller pumps events. A
  // body left unread from the previous request is discarded. Raises a Failure, without starting
  // anything, when no address is set, the operation word is unknown or StillExecuting() is true.
  virtual void Execute(std::string_view operation) = 0;

  // True from Execute until the response is complete, the request has failed, or the body buffer
  // is full and waits for GetChunk. The driver waits with: while (StillExecuting()) DoEvents();
  virtual bool StillExecuting() const = 0;

  // The whole header of the last response, as received: status line, CR LF, the header lines
  // each ending in CR LF, and the empty line that ends the header. After redirects it is the
  // final response's header. Empty before the first response.
  virtual std::string GetHeader() const = 0;

  // The next piece of the last response's body, at most max_size bytes. Waits for data when none
  // is buffered and the body has not ended yet. Returns an empty string only when the body is
  // exhausted, or when the request failed (the control then reports kError before returning).
  // Raises a Failure for max_size 0.
  virtual std::string GetChunk(std::size_t max_size) = 0;

  // Stops the request in progress at once: the transfer is abandoned, the body not yet read is
  // dropped, and the request ends as a failed one (kError, delivered before Cancel returns unless
  // a state delivery is already running). Does nothing when no request is in progress.
  virtual void Cancel() = 0;

  // What the last request's failure says beyond its states, for a person: why a secure connection
  // to the server could not be made (an untrusted certificate, a wrong name, a failed handshake),
  // naming the host. Empty when the request did not fail so, or failed in no way the control
  // can name. Set before the request's kError is delivered; cleared by the next Execute.
  virtual std::string FailureDetail() const = 0;

  // Whether the last request's answer came over a connection that carries many requests at once
  // (HTTP/2) and that the other controls made alongside this one share, so that requests started
  // on them side by side go out as streams of that connection. False where the control cannot
  // tell, or keeps its connections to itself.
  virtual bool Multiplexed() const { return false; }

  // How many connections to the server the request in progress, or the last one, has opened so
  // far, counting each one its library opened to make the request again by itself (after a
  // kept-alive connection died or an HTTP/2 stream was refused). 0 where the control cannot tell.
  virtual std::size_t ConnectionsOpened() const { return 0; }

  // Registers the one receiver of state changes, replacing any earlier one. States are delivered
  // from the event pump (and from GetChunk while it waits), never from another thread and never
  // while the callback is already running.
  virtual void SetStateChangedCallback(StateChangedCallback callback) = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_CONTROL_H_

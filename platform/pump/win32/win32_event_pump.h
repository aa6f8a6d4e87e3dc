// The Windows event pump: the thread's window messages, an event that transfer controls signal
// from WinINet's threads, the pump's own timers, and cancel requests posted as messages to a hidden
// message-only window. Everything it dispatches runs on the thread that created it, from inside
// DoEvents, the way the host's own message loop would run it.
#ifndef KESTROVA_PLATFORM_PUMP_WIN32_WIN32_EVENT_PUMP_H_
#define KESTROVA_PLATFORM_PUMP_WIN32_WIN32_EVENT_PUMP_H_

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "platform/pump/pump_core.h"
#include "platform/pump/pump_sources.h"
#include "platform/win32/unique_handle.h"

namespace kestrova::win32 {

// Something that makes progress inside a Win32EventPump: the pump asks how long it may sleep,
// sleeps until then or until woken (Win32EventPump::Wake), and calls Dispatch once every round.
class Win32PumpSource : public PumpSource {
 public:
  // Called once per pump round, after the wait; handles whatever has arrived or fallen due.
  virtual void Dispatch() = 0;
};

class Win32EventPump final : public PumpCore {
 public:
  // Creates the hidden window and the wake-up event on the calling thread, which becomes the
  // pump's thread. Raises a Failure when Windows refuses either.
  Win32EventPump();
  ~Win32EventPump() override;

  Win32EventPump(const Win32EventPump&) = delete;
  Win32EventPump& operator=(const Win32EventPump&) = delete;

  // Dispatches the thread's pending window messages (at most kMaxMessagesPerRound of them), a
  // cancel request, the sources and the due timers. Sleeps first in MsgWaitForMultipleObjectsEx
  // when nothing is pending: until a message or a wake-up arrives, the next timer or source
  // deadline, or kMaxWait. Keys for a cancel window pass through IsDialogMessage, so that Esc
  // presses its Cancel.
  //
  // A WM_QUIT met on the way is posted again at once for the host's own loop, and is a cancel
  // request: the host is closing, and the work that pumps must stop. While it waits in the queue
  // the pump dispatches no window messages and sleeps on its wake-up event alone (a queued quit
  // would end every message wait at once), until the host's loop has taken it.
  //
  // A failure that a window procedure kept while the messages were dispatched (see
  // callback_failure.h) is raised here, before the cancel request, sources and timers.
  void DoEvents() override;
  // Delivers a cancel request that is waiting (a posted one, a WM_QUIT in the queue, or a Cancel
  // click or Esc waiting for a cancel window), and nothing else, without sleeping: the messages of
  // the cancel windows and their controls are dispatched for that, those of other windows stay
  // queued. Raises a failure kept meanwhile, as DoEvents does.
  void DispatchCancelRequest() override;

  // Registers a modeless window of the pump's thread whose Cancel must be heard while work goes
  // on without pumping (see DispatchCancelRequest). It must be removed before it is destroyed.
  void AddCancelWindow(HWND window);
  void RemoveCancelWindow(HWND window);

  // Registers a source; it takes part in every DoEvents until removed. The source must stay alive
  // until RemoveSource. Adding a source twice has no further effect.
  void AddSource(Win32PumpSource& source) { sources_.Add(source); }
  // Unregisters a source; safe to call from inside any source's Dispatch.
  void RemoveSource(Win32PumpSource& source) { sources_.Remove(source); }

  // Ends the current sleep of DoEvents, or makes the next one return at once. Any thread may call
  // it.
  void Wake() const noexcept;

  // The auto-reset event that Wake signals. A source that signals it from other threads after the
  // pump may be gone duplicates it (DuplicateHandle) and signals its own copy.
  HANDLE wake_event() const noexcept { return wake_event_.get(); }

  // Posts a cancel request for the next DoEvents (or DispatchCancelRequest). Any thread may call
  // it: a console control handler, for one, runs on a thread of its own.
  void PostCancel() const noexcept;

  // Messages dispatched in one DoEvents at most, so that a flood of posted messages cannot keep
  // one round from returning.
  static constexpr int kMaxMessagesPerRound = 512;

 private:
  struct WindowDestroyer {
    void operator()(HWND window) const noexcept;
  };

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  void DispatchMessages();
  // Dispatches one message taken from the queue; keys for a cancel window go to IsDialogMessage.
  void DispatchOne(MSG& message);
  // Posts a WM_QUIT taken from the queue again for the host's loop, and notes it as a cancel
  // request.
  void KeepQuit(const MSG& quit);
  // Notes a WM_QUIT still waiting in the queue as a cancel request, once; forgets one the host
  // has taken.
  void CheckForQuit();
  // Calls the cancel handler when a request has arrived since the last call.
  void DeliverPostedCancel();

  UniqueHandle wake_event_;
  std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> window_;
  bool cancel_posted_ = false;  // set by the window procedure, cleared by DeliverPostedCancel
  bool quit_queued_ = false;    // a WM_QUIT waits in the queue for the host's loop
  std::vector<HWND> cancel_windows_;
  PumpSourceList<Win32PumpSource> sources_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_PUMP_WIN32_WIN32_EVENT_PUMP_H_

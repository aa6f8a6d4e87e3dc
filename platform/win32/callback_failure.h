// Exceptions and the system's call-backs: a window procedure, dialog procedure, timer procedure or
// hook is called from user32's frames, which the DLL's unwinding cannot pass, so an exception
// leaving one ends the host. Each such entry keeps the exception instead, and the wait of ours
// that dispatched the message raises it again once the dispatch has returned, into the failure
// path of whatever waited.
#ifndef KESTROVA_PLATFORM_WIN32_CALLBACK_FAILURE_H_
#define KESTROVA_PLATFORM_WIN32_CALLBACK_FAILURE_H_

#include <exception>

namespace kestrova::win32 {

// Keeps failure for the thread's next RaiseKeptCallbackFailure; a failure kept already stays
// (the first one is what went wrong), later ones are dropped.
void KeepCallbackFailure(std::exception_ptr failure) noexcept;

// Raises the failure kept on this thread, if any, and forgets it.
void RaiseKeptCallbackFailure();

// Runs body and returns its result; an exception it raises is kept (KeepCallbackFailure) and
// fallback() is returned instead. For the bodies of call-backs that user32 makes.
template <typename Body, typename Fallback>
auto GuardCallback(Body body, Fallback fallback) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    KeepCallbackFailure(std::current_exception());
  }
  return fallback();
}

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_CALLBACK_FAILURE_H_

#include "host/frontpage/event_sink.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/dispatch_call.h"
#include "platform/win32/com/unique_bstr.h"
#include "platform/win32/wide_text.h"

namespace kestrova::host::frontpage {
namespace {

// Event handlers running on this thread, and what is to run once the outermost has returned.
thread_local int running_handlers = 0;
thread_local std::vector<std::function<void()>> after_events;

// Counts one running handler for its scope; the last to go runs what waited for it.
//
// The outermost handler watches the host's main window, the root owner of the window active as
// the event came (FrontPage's, or a dialog of its), while it runs: the host may end under its
// waits without a word (see win32::WatchHostWindow). A window gone after the handler has returned
// is no sign: the host that goes on tells the add-in itself.
class RunningHandler {
 public:
  RunningHandler() noexcept {
    if (running_handlers++ == 0) {
      HWND active = GetActiveWindow();
      win32::WatchHostWindow(active != nullptr ? GetAncestor(active, GA_ROOTOWNER) : nullptr);
    }
  }
  ~RunningHandler() {
    if (--running_handlers > 0) return;
    win32::WatchHostWindow(nullptr);
    while (!after_events.empty()) {
      std::vector<std::function<void()>> actions;
      actions.swap(after_events);
      for (auto& action : actions) action();
    }
  }
  RunningHandler(const RunningHandler&) = delete;
  RunningHandler& operator=(const RunningHandler&) = delete;
};

}  // namespace

void EventSink::RunAfterEvents(std::function<void()> action) {
  if (running_handlers == 0) {
    action();
  } else {
    after_events.push_back(std::move(action));
  }
}

bool EventSink::InsideEvents() noexcept { return running_handlers > 0; }

HRESULT EventSink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, events_iid_)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG EventSink::AddRef() { return ++references_; }

ULONG EventSink::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
  if (ids != nullptr) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT*) {
  if (result != nullptr) VariantInit(result);
  if (!connected_) return S_OK;
  DISPPARAMS none{};
  // The host may release its last reference from inside the handler; this one keeps the sink
  // alive until the handler has returned.
  AddRef();
  HRESULT outcome = S_OK;
  try {
    const RunningHandler running;
    OnEvent(id, params != nullptr ? *params : none);
  } catch (const Failure& failure) {
    outcome = ReportFailureToHost(failure, exception);
  } catch (...) {
    outcome = win32::HresultFromCaughtException();
  }
  Release();
  return outcome;
}

HRESULT ReportFailureToHost(const Failure& failure, EXCEPINFO* exception) noexcept {
  const HRESULT code = win32::HresultFromFailure(failure);
  if (exception == nullptr) return code;
  *exception = EXCEPINFO{};
  exception->scode = code;
  try {
    exception->bstrSource = win32::UniqueBstr(win32::WideFromUtf8(failure.source())).Detach();
    exception->bstrDescription =
        win32::UniqueBstr(win32::WideFromUtf8(failure.description())).Detach();
  } catch (...) {
    // The number alone still tells the host what failed.
  }
  return DISP_E_EXCEPTION;
}

EventConnection::EventConnection(IUnknown* source, const IID& events_iid, IDispatch* sink) {
  if (source == nullptr) RaiseProgramError(kErrObjectNotSet);
  win32::ComPtr<IConnectionPointContainer> container;
  win32::ThrowIfFailed(source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()),
                       "IConnectionPointContainer");
  win32::ThrowIfFailed(container->FindConnectionPoint(events_iid, point_.Put()),
                       "FindConnectionPoint");
  win32::ThrowIfFailed(point_->Advise(sink, &cookie_), "IConnectionPoint::Advise");
}

EventConnection::~EventConnection() {
  // A host that is closing may have gone already; it drops its connections itself.
  if (point_ && !win32::HostCallsRefused() && !win32::HostObjectsAbandoned()) {
    point_->Unadvise(cookie_);
  }
}

EventSubscription::EventSubscription(IUnknown* source, const IID& events_iid,
                                     win32::ComPtr<EventSink> sink)
    : sink_(std::move(sink)), connection_(source, events_iid, sink_.Get()) {}

EventSubscription::~EventSubscription() { sink_->Disconnect(); }

}  // namespace kestrova::host::frontpage

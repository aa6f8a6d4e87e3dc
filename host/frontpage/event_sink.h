// Receiving a host object's events: an IDispatch sink that the host calls for each event, and the
// connection that advises it on the object's connection point and unadvises it when it goes.
#ifndef KESTROVA_HOST_FRONTPAGE_EVENT_SINK_H_
#define KESTROVA_HOST_FRONTPAGE_EVENT_SINK_H_

#include <oaidl.h>
#include <ocidl.h>

#include <atomic>
#include <functional>

#include "base/failure.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"
#include "platform/win32/com/module_objects.h"

namespace kestrova::host::frontpage {

// A dispinterface sink: answers QueryInterface for IUnknown, IDispatch and its event interface,
// counts its own references and deletes itself at the last Release. Invoke hands each call to
// OnEvent; a Failure (or any exception) it raises goes back to the host as DISP_E_EXCEPTION with
// the failure's number, source and description in the EXCEPINFO. Once Disconnect has run, calls
// are answered with S_OK and reach nobody, so a host that keeps a stale reference is harmless.
// IDispatch has no virtual destructor by design: a COM object is deleted by its own Release,
// never through an interface pointer, which the warning cannot know.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class EventSink : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

  // From now on the events reach nobody.
  void Disconnect() noexcept { connected_ = false; }

  // Runs action at once when no event handler runs on this thread, otherwise as soon as the
  // outermost one has returned. An object that the host releases from inside one of its own event
  // handlers (a handler's modal wait dispatches the host's messages) uses it to outlive that
  // handler.
  static void RunAfterEvents(std::function<void()> action);
  // True while an event handler runs on this thread.
  static bool InsideEvents() noexcept;

 protected:
  explicit EventSink(const IID& events_iid) noexcept : events_iid_(events_iid) {}
  virtual ~EventSink() = default;

  // Handles event `id` with the host's arguments (in IDispatch's reverse order). Events the sink
  // has no use for are answered with success.
  virtual void OnEvent(DISPID id, DISPPARAMS& params) = 0;

 private:
  const IID& events_iid_;
  std::atomic<ULONG> references_{1};
  bool connected_ = true;
  // The host may hold the sink, and call it, after the add-in has gone: the DLL stays loaded.
  win32::ModuleObjectCount counted_;
};
#pragma GCC diagnostic pop

// Fills `exception` (when the caller gave one) with failure's number, source and description and
// returns DISP_E_EXCEPTION; without an EXCEPINFO it returns the failure's HRESULT.
HRESULT ReportFailureToHost(const Failure& failure, EXCEPINFO* exception) noexcept;

// One advised connection of a sink to the connection point `events_iid` of a host object; its
// destruction unadvises it.
class EventConnection {
 public:
  // Finds the object's connection point for events_iid and advises sink; raises a Failure when
  // the object has no such point or refuses the sink.
  EventConnection(IUnknown* source, const IID& events_iid, IDispatch* sink);
  ~EventConnection();
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;

 private:
  win32::HostPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// A sink connected to a host object's events for the subscription's life: when it goes, the sink
// is disconnected first (so that an event still under way reaches nobody), then unadvised.
class EventSubscription {
 public:
  // Advises sink on source's connection point events_iid; raises a Failure as EventConnection.
  EventSubscription(IUnknown* source, const IID& events_iid, win32::ComPtr<EventSink> sink);
  ~EventSubscription();
  EventSubscription(const EventSubscription&) = delete;
  EventSubscription& operator=(const EventSubscription&) = delete;

 private:
  win32::ComPtr<EventSink> sink_;
  EventConnection connection_;
};

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_EVENT_SINK_H_

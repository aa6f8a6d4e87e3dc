#include "tests/host/frontpage/fake_connection_point.h"

#include <algorithm>
#include <utility>

namespace kestrova::testing {
namespace {

std::wstring TakeText(BSTR& text) {
  std::wstring taken = text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
  SysFreeString(text);
  text = nullptr;
  return taken;
}

}  // namespace

FireOutcome FakeConnectionPoint::Fire(DISPID id, DISPPARAMS& params) {
  FireOutcome outcome;
  // A copy: a sink may unadvise (itself or another) while it handles the event.
  std::vector<Connection> sinks = sinks_;
  for (const Connection& connection : sinks) {
    const bool still_connected =
        std::any_of(sinks_.begin(), sinks_.end(),
                    [&](const Connection& held) { return held.cookie == connection.cookie; });
    if (!still_connected) continue;
    IDispatch* sink = connection.sink;
    sink->AddRef();
    EXCEPINFO exception{};
    UINT argument_error = 0;
    const HRESULT result = sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                        &exception, &argument_error);
    sink->Release();
    ++outcome.sinks_called;
    if (result == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr) {
      exception.pfnDeferredFillIn(&exception);
    }
    std::wstring source = TakeText(exception.bstrSource);
    std::wstring description = TakeText(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(result) && SUCCEEDED(outcome.result)) {
      outcome.result = result;
      outcome.scode = exception.scode;
      outcome.source = std::move(source);
      outcome.description = std::move(description);
    }
  }
  return outcome;
}

void FakeConnectionPoint::MarkDead() {
  dead_ = true;
  for (const Connection& connection : std::exchange(sinks_, {})) connection.sink->Release();
}

HRESULT FakeConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (CountIfDead(L"QueryInterface")) return RPC_E_DISCONNECTED;
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) {
  if (CountIfDead(L"GetConnectionInterface")) return RPC_E_DISCONNECTED;
  if (iid == nullptr) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (CountIfDead(L"GetConnectionPointContainer")) return RPC_E_DISCONNECTED;
  if (container == nullptr) return E_POINTER;
  *container = &container_;
  container_.AddRef();
  return S_OK;
}

HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (CountIfDead(L"Advise")) return RPC_E_DISCONNECTED;
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  // The host talks to the sink through its own outgoing interface, a dispinterface.
  IDispatch* events = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&events))) || events == nullptr) {
    return CONNECT_E_CANNOTCONNECT;
  }
  sinks_.push_back(Connection{next_cookie_, events});
  *cookie = next_cookie_++;
  return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
  if (CountIfDead(L"Unadvise")) return RPC_E_DISCONNECTED;
  const auto found = std::find_if(sinks_.begin(), sinks_.end(), [cookie](const Connection& held) {
    return held.cookie == cookie;
  });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = found->sink;
  sinks_.erase(found);
  if (keep_sinks_) {
    kept_sinks_.push_back(sink);
  } else {
    sink->Release();
  }
  return S_OK;
}

std::size_t FakeConnectionPoint::ReleaseKeptSinks() {
  const std::size_t count = kept_sinks_.size();
  for (IDispatch* sink : kept_sinks_) sink->Release();
  kept_sinks_.clear();
  return count;
}

HRESULT FakeConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (CountIfDead(L"EnumConnections")) return RPC_E_DISCONNECTED;
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

}  // namespace kestrova::testing

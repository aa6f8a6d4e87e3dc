// An outgoing interface of a stand-in host object: the connection point that sinks are advised on
// and that the host fires its events through, with AddRef and Release counted like the objects'.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_CONNECTION_POINT_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_CONNECTION_POINT_H_

#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kestrova::testing {

// What one firing of an event gave back: Invoke's result (the first failure among the sinks, S_OK
// when every sink succeeded or none was connected), how many sinks were called, and the host error
// a sink raised (EXCEPINFO's scode, source and description, after any deferred fill-in).
struct FireOutcome {
  HRESULT result = S_OK;
  std::size_t sinks_called = 0;
  HRESULT scode = S_OK;
  std::wstring source;
  std::wstring description;
};

// Lives as long as its owner and is never deleted by Release; references() is the balance of
// AddRef and Release. Advise asks the sink for the point's own interface (as the host does) and
// holds that reference until Unadvise.
class FakeConnectionPoint final : public IConnectionPoint {
 public:
  // A point for the outgoing interface iid of container, called name in reports.
  FakeConnectionPoint(const IID& iid, std::wstring name, IConnectionPointContainer& container)
      : iid_(iid), name_(std::move(name)), container_(container) {}
  FakeConnectionPoint(const FakeConnectionPoint&) = delete;
  FakeConnectionPoint& operator=(const FakeConnectionPoint&) = delete;

  const IID& iid() const { return iid_; }
  const std::wstring& name() const { return name_; }
  long references() const { return references_; }
  // The sinks advised and not unadvised yet.
  std::size_t connection_count() const { return sinks_.size(); }

  // Calls Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params) on every connected sink in the order
  // they were advised; each sink is held for the length of its call, so that it may unadvise
  // itself meanwhile.
  FireOutcome Fire(DISPID id, DISPPARAMS& params);

  // From now on Unadvise keeps its reference to the sink, as a host that lets go of its sinks late
  // does, until ReleaseKeptSinks.
  void KeepSinksPastUnadvise() { keep_sinks_ = true; }
  // Releases the sinks kept since; returns how many.
  std::size_t ReleaseKeptSinks();

  // From now on every call (AddRef and Release too) is noted in calls_when_dead(), and every
  // call but AddRef and Release fails with RPC_E_DISCONNECTED, as a point of a freed host object.
  // The sinks still connected are let go of, as the freed object lets go of them.
  void MarkDead();
  const std::vector<std::wstring>& calls_when_dead() const { return calls_when_dead_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override {
    CountIfDead(L"AddRef");
    return static_cast<ULONG>(++references_);
  }
  ULONG STDMETHODCALLTYPE Release() override {
    CountIfDead(L"Release");
    return static_cast<ULONG>(--references_);
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE
  GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

 private:
  struct Connection {
    DWORD cookie;
    IDispatch* sink;  // one reference, taken by Advise
  };

  // True, and the call (of member) noted, when the point is dead.
  bool CountIfDead(const wchar_t* member) {
    if (dead_) calls_when_dead_.push_back(name_ + L"." + member);
    return dead_;
  }

  IID iid_;
  std::wstring name_;
  IConnectionPointContainer& container_;
  std::vector<Connection> sinks_;
  bool keep_sinks_ = false;
  std::vector<IDispatch*> kept_sinks_;  // one reference each
  DWORD next_cookie_ = 1;
  long references_ = 0;
  bool dead_ = false;
  std::vector<std::wstring> calls_when_dead_;  // object.member, in order
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_CONNECTION_POINT_H_

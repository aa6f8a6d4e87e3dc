// An automation object for the tests: members are defined by name with a handler each, every
// Invoke is recorded with its arguments' types and values, and AddRef and Release are counted. An
// object with outgoing interfaces is also their connection point container.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_DISPATCH_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_DISPATCH_H_

#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/host/frontpage/fake_connection_point.h"

namespace kestrova::testing {

// One argument as the object received it: its VARTYPE and its value as text (decimal for
// integers and VARIANT_BOOL, the characters of a BSTR, "0x" and eight hex digits for VT_ERROR).
struct RecordedArgument {
  VARTYPE type;
  std::wstring value;
  bool operator==(const RecordedArgument&) const = default;
};

// One Invoke: the object's and the member's names, the flags, the arguments in the order the
// caller wrote them, and whether the value of a put came as the named DISPID_PROPERTYPUT.
struct RecordedCall {
  std::wstring object;
  std::wstring member;
  WORD flags = 0;
  std::vector<RecordedArgument> arguments;
  bool named_put = false;
};

class CallLog {
 public:
  void Add(RecordedCall call) { calls_.push_back(std::move(call)); }
  const std::vector<RecordedCall>& calls() const { return calls_; }
  // The calls of member `member` (any object), in order.
  std::vector<RecordedCall> Of(std::wstring_view member) const;
  void Clear() { calls_.clear(); }

 private:
  std::vector<RecordedCall> calls_;
};

// What a member's handler receives: the flags and the arguments in the caller's order (for a put,
// the value is the last).
struct FakeCall {
  WORD flags;
  std::vector<const VARIANT*> arguments;
};

// A member's behaviour: fills result (when there is one) and returns the HRESULT of Invoke;
// DISP_E_EXCEPTION with exception filled in raises a host error.
using FakeMember =
    std::function<HRESULT(const FakeCall& call, VARIANT* result, EXCEPINFO* exception)>;

// Lives as long as its owner (the test's model) and is never deleted by Release; references() is
// the balance of AddRef and Release (0 when every reference handed out came back). It answers
// QueryInterface for IConnectionPointContainer once it has a connection point, and offers type
// information once it was given some.
class FakeDispatch final : public IDispatch,
                           public IConnectionPointContainer,
                           public IProvideClassInfo {
 public:
  FakeDispatch(std::wstring name, CallLog& log) : name_(std::move(name)), log_(log) {}
  ~FakeDispatch();
  FakeDispatch(const FakeDispatch&) = delete;
  FakeDispatch& operator=(const FakeDispatch&) = delete;

  // How the object offers info (null: not at all): as its IDispatch's GetTypeInfo, or as its
  // class's description through IProvideClassInfo (then GetTypeInfo has none).
  enum class TypeInfoRoute { kGetTypeInfo, kProvideClassInfo };
  void OfferTypeInfo(ITypeInfo* info, TypeInfoRoute route);

  // Defines member `name` (found case-insensitively) with DISPID `id`, answering the Invoke flags
  // in `accepted` (others get DISP_E_MEMBERNOTFOUND).
  void Define(std::wstring name, DISPID id, WORD accepted, FakeMember member);

  // Adds the connection point of outgoing interface iid (named name in reports); the object owns
  // it.
  FakeConnectionPoint& AddConnectionPoint(const IID& iid, std::wstring name);
  // The connection point of iid, or null.
  FakeConnectionPoint* ConnectionPoint(const IID& iid) const;
  // Every connection point of the object, in the order they were added.
  const std::vector<std::unique_ptr<FakeConnectionPoint>>& connection_points() const {
    return points_;
  }

  const std::wstring& name() const { return name_; }
  long references() const { return references_; }

  // From now on every call (AddRef and Release too, and those on its connection points) is
  // noted in calls_when_dead() as "object.member", and every call but AddRef and Release fails with
  // RPC_E_DISCONNECTED, as an object of a host that has freed it does.
  void MarkDead() {
    dead_ = true;
    for (const auto& point : points_) point->MarkDead();
  }
  bool dead() const { return dead_; }
  std::vector<std::wstring> calls_when_dead() const {
    std::vector<std::wstring> calls = calls_when_dead_;
    for (const auto& point : points_) {
      calls.insert(calls.end(), point->calls_when_dead().begin(), point->calls_when_dead().end());
    }
    return calls;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override {
    CountIfDead(L"AddRef");
    return static_cast<ULONG>(++references_);
  }
  ULONG STDMETHODCALLTYPE Release() override {
    CountIfDead(L"Release");
    return static_cast<ULONG>(--references_);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;
  // FindConnectionPoint hands out a reference to the point of iid, CONNECT_E_NOCONNECTION without
  // one; the points cannot be enumerated (E_NOTIMPL).
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
  // IProvideClassInfo, answered only on the kProvideClassInfo route.
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

 private:
  struct Member {
    std::wstring name;
    DISPID id;
    WORD accepted;
    FakeMember handler;
  };

  bool OffersTypeInfo() const;
  // True, and the call (of member) noted, when the object is dead.
  bool CountIfDead(const wchar_t* member) {
    if (dead_) calls_when_dead_.push_back(name_ + L"." + member);
    return dead_;
  }

  std::wstring name_;
  CallLog& log_;
  std::vector<Member> members_;
  std::vector<std::unique_ptr<FakeConnectionPoint>> points_;
  long references_ = 0;
  bool dead_ = false;
  std::vector<std::wstring> calls_when_dead_;  // object.member, in order
  ITypeInfo* type_info_ = nullptr;
  TypeInfoRoute type_info_route_ = TypeInfoRoute::kGetTypeInfo;
};

// Results for handlers: an object (with a reference of its own, or null), text, numbers, Booleans.
HRESULT ReturnObject(VARIANT* result, IDispatch* object);
HRESULT ReturnText(VARIANT* result, std::wstring_view text);
HRESULT ReturnInt32(VARIANT* result, std::int32_t value);
HRESULT ReturnBool(VARIANT* result, bool value);

// Raises a host error: fills exception with scode, source and description and returns
// DISP_E_EXCEPTION. With deferred, only the deferred fill-in is set and fills them when called.
HRESULT RaiseHostError(EXCEPINFO* exception, HRESULT scode, std::wstring_view source,
                       std::wstring_view description);
HRESULT RaiseDeferredHostError(EXCEPINFO* exception);

// The scode, source and description that the deferred fill-in of RaiseDeferredHostError gives.
inline constexpr HRESULT kDeferredScode = static_cast<HRESULT>(0x800A1F4Cu);
inline constexpr wchar_t kDeferredSource[] = L"Deferred host";
inline constexpr wchar_t kDeferredDescription[] = L"The host filled this in later.";

// The argument as text (see RecordedArgument), or the argument converted to an int32 / a string.
std::wstring ArgumentText(const VARIANT& argument);
bool ArgumentIsMissing(const VARIANT& argument);
// Whether a and b are the same text but for case, as automation compares names.
bool SameTextNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_FAKE_DISPATCH_H_

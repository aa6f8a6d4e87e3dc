// How failed Invoke calls become Failures: the host's EXCEPINFO (scode or wCode, source,
// description, deferred fill-in) or the system's text for a plain HRESULT; and the missing-member
// and null-object cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/dispatch_call.h"
#include "tests/host/frontpage/fake_dispatch.h"

namespace kestrova::testing {
namespace {

struct InvokeFailureCase {
  const char* name;
  FakeMember member;
  std::int32_t number;
  std::string source;
  std::string description;
};

TEST(DispatchFailureTest, FailedInvokeRaisesTheHostsOwnError) {
  const std::string denied = win32::FailureFromHresult(E_ACCESSDENIED, "x").description();
  const std::string not_impl = win32::FailureFromHresult(E_NOTIMPL, "x").description();
  ASSERT_FALSE(denied.empty());
  ASSERT_FALSE(not_impl.empty());
  const std::vector<InvokeFailureCase> cases = {
      {"exception with description",
       [](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
         return RaiseHostError(exception, static_cast<HRESULT>(0x800A1000u), L"FrontPage",
                               L"The web is locked by another author.");
       },
       static_cast<std::int32_t>(0x800A1000u), "FrontPage", "The web is locked by another author."},
      {"deferred exception",
       [](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
         return RaiseDeferredHostError(exception);
       },
       static_cast<std::int32_t>(kDeferredScode), "Deferred host",
       "The host filled this in later."},
      {"exception without description or source",
       [](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
         *exception = EXCEPINFO{};
         exception->scode = E_NOTIMPL;
         return DISP_E_EXCEPTION;
       },
       static_cast<std::int32_t>(E_NOTIMPL), "Save", not_impl},
      {"run-time error in wCode",
       [](const FakeCall&, VARIANT*, EXCEPINFO* exception) {
         *exception = EXCEPINFO{};
         exception->wCode = kErrTypeMismatch;
         return DISP_E_EXCEPTION;
       },
       kErrTypeMismatch, "Save", std::string(PlatformDescription(kErrTypeMismatch))},
      {"plain HRESULT", [](const FakeCall&, VARIANT*, EXCEPINFO*) { return E_ACCESSDENIED; },
       static_cast<std::int32_t>(E_ACCESSDENIED), "Save", denied},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    CallLog log;
    FakeDispatch object(L"PageWindow", log);
    object.Define(L"Save", 17, DISPATCH_METHOD, test.member);
    try {
      win32::CallMethod(&object, L"Save");
      ADD_FAILURE() << "no failure raised";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), test.number);
      EXPECT_EQ(failure.source(), test.source);
      EXPECT_EQ(failure.description(), test.description);
      EXPECT_FALSE(failure.description().empty());
    }
    EXPECT_EQ(log.calls().size(), 1u);
    EXPECT_EQ(object.references(), 0);
  }
}

TEST(DispatchFailureTest, MissingMembersAndObjectsRaise) {
  CallLog log;
  FakeDispatch object(L"Web", log);
  try {
    win32::GetProperty(&object, L"RootFolder");
    ADD_FAILURE() << "an unknown member was called";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
    EXPECT_EQ(failure.source(), "RootFolder");
  }
  EXPECT_TRUE(log.calls().empty());
  try {
    win32::GetProperty(nullptr, L"RootFolder");
    ADD_FAILURE() << "a null object was called";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrObjectNotSet);
  }
  // A member called with flags it does not answer (a put on a read-only property).
  object.Define(
      L"Title", 14, DISPATCH_PROPERTYGET,
      [](const FakeCall&, VARIANT* result, EXCEPINFO*) { return ReturnText(result, L"Site"); });
  VARIANT value;
  VariantInit(&value);
  try {
    win32::PutProperty(&object, L"Title", value);
    ADD_FAILURE() << "a read-only property was set";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND));
  }
  EXPECT_EQ(object.references(), 0);
}

}  // namespace
}  // namespace kestrova::testing

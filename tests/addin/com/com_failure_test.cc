#include "platform/win32/com/com_failure.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

TEST(ComFailureTest, AnHresultKeepsItsNumberAndGetsADescription) {
  const Failure failure = FailureFromHresult(E_ACCESSDENIED, "RegCreateKeyExW");
  EXPECT_EQ(failure.number(), static_cast<std::int32_t>(E_ACCESSDENIED));
  EXPECT_EQ(failure.source(), "RegCreateKeyExW");
  ASSERT_FALSE(failure.description().empty());
  EXPECT_NE(failure.description().back(), '\n');
  EXPECT_NE(failure.description().back(), '\r');
  // A code without system text is described by its number.
  EXPECT_EQ(FailureFromHresult(static_cast<HRESULT>(0xA0041234), "x").description(),
            "Error 0xA0041234");
}

TEST(ComFailureTest, AWin32ErrorBecomesItsHresult) {
  const Failure failure = FailureFromWin32Error(ERROR_FILE_NOT_FOUND, "RegOpenKeyExW");
  EXPECT_EQ(static_cast<std::uint32_t>(failure.number()), 0x80070002u);
  EXPECT_THROW(ThrowIfWin32Error(ERROR_ACCESS_DENIED, "x"), Failure);
  EXPECT_NO_THROW(ThrowIfWin32Error(ERROR_SUCCESS, "x"));
}

TEST(ComFailureTest, ThrowIfFailedThrowsOnlyFailures) {
  EXPECT_NO_THROW(ThrowIfFailed(S_OK, "x"));
  EXPECT_NO_THROW(ThrowIfFailed(S_FALSE, "x"));
  try {
    ThrowIfFailed(E_OUTOFMEMORY, "SysAllocString");
    FAIL() << "no failure thrown";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(E_OUTOFMEMORY));
    EXPECT_EQ(failure.source(), "SysAllocString");
  }
}

struct HresultCase {
  std::int32_t number;
  std::uint32_t expected;
};

class HresultFromFailureTest : public ::testing::TestWithParam<HresultCase> {};

TEST_P(HresultFromFailureTest, MapsTheNumber) {
  const Failure failure(GetParam().number, "FPKestrova", "text");
  EXPECT_EQ(static_cast<std::uint32_t>(HresultFromFailure(failure)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, HresultFromFailureTest,
    ::testing::Values(HresultCase{errNoMendFolder, 0x80040208u},     // the program's own
                      HresultCase{errDnsNameNotFound, 0x8004021Du},  // the transfer window's
                      HresultCase{static_cast<std::int32_t>(E_ACCESSDENIED), 0x80070005u},
                      HresultCase{kErrInvalidArgument, 0x800A0005u},  // run-time error 5
                      HresultCase{kErrFileNotFound, 0x800A0035u},     // run-time error 53
                      HresultCase{0, 0x80004005u},                    // no number: E_FAIL
                      HresultCase{0x10000, 0x80004005u}));

TEST(GuardComCallTest, PassesTheBodysResultAndTurnsEachCaughtFailureIntoAnHresult) {
  EXPECT_EQ(GuardComCall([] { return S_FALSE; }), S_FALSE);
  EXPECT_EQ(GuardComCall(
                []() -> HRESULT { throw Failure(errNoInventory, "FPKestrova", "no inventory"); }),
            static_cast<HRESULT>(0x80040209));
  EXPECT_EQ(GuardComCall([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(GuardComCall([]() -> HRESULT { throw 42; }), E_UNEXPECTED);
}

TEST(WideTextTest, RoundTripsThroughUtf16) {
  const std::string text = "Kestrova \xE2\x80\x94 Ma\xC3\x9F \xE2\x82\xAC \xF0\x9F\x93\x84";
  const std::wstring wide = WideFromUtf8(text);
  EXPECT_EQ(wide, L"Kestrova \u2014 Ma\u00DF \u20AC \U0001F4C4");
  EXPECT_EQ(Utf8FromWide(wide), text);
  EXPECT_TRUE(WideFromUtf8("").empty());
  EXPECT_TRUE(Utf8FromWide(L"").empty());
}

}  // namespace
}  // namespace kestrova::win32

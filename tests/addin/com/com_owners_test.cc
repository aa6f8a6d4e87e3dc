// UniqueBstr, UniqueVariant and UniqueSafeArray: each frees or releases what it owns exactly once.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/failure.h"
#include "platform/win32/com/unique_bstr.h"
#include "platform/win32/com/unique_safearray.h"
#include "platform/win32/com/unique_variant.h"
#include "tests/addin/com/counting_unknown.h"

namespace kestrova::win32 {
namespace {

using testing::CountingUnknown;

TEST(UniqueBstrTest, HoldsTheTextWithItsLength) {
  const std::wstring text(L"Kestrova\0mend", 13);
  const UniqueBstr value(text);
  EXPECT_EQ(SysStringLen(value.Get()), 13u);
  EXPECT_EQ(value.View(), text);
  EXPECT_TRUE(UniqueBstr().View().empty());
}

TEST(UniqueBstrTest, MovingDetachingAndPutHandOverOwnership) {
  UniqueBstr first(L"FPKestrova");
  const BSTR raw = first.Get();
  UniqueBstr second = std::move(first);
  EXPECT_EQ(first.Get(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(second.Get(), raw);
  const BSTR detached = second.Detach();
  EXPECT_EQ(detached, raw);
  EXPECT_EQ(second.Get(), nullptr);
  UniqueBstr again = UniqueBstr::Attach(detached);
  EXPECT_EQ(again.View(), L"FPKestrova");
  // Put empties the owner for an out parameter.
  BSTR* slot = again.Put();
  EXPECT_EQ(*slot, nullptr);
  *slot = SysAllocString(L"new");
  EXPECT_EQ(again.View(), L"new");
}

TEST(UniqueVariantTest, AnInterfaceGetsOneReferenceReleasedWhenTheVariantGoes) {
  CountingUnknown object;
  {
    const UniqueVariant variant = UniqueVariant::FromUnknown(&object);
    EXPECT_EQ(V_VT(&variant.Get()), VT_UNKNOWN);
    EXPECT_EQ(object.references(), 1);
  }
  EXPECT_EQ(object.references(), 0);
}

TEST(UniqueVariantTest, MovingTransfersWithoutCountingAndResetReleases) {
  CountingUnknown object;
  UniqueVariant first = UniqueVariant::FromUnknown(&object);
  UniqueVariant second = std::move(first);
  EXPECT_EQ(V_VT(&first.Get()), VT_EMPTY);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(object.references(), 1);
  EXPECT_EQ(object.add_refs(), 1);
  second.Reset();
  EXPECT_EQ(V_VT(&second.Get()), VT_EMPTY);
  EXPECT_EQ(object.references(), 0);
}

TEST(UniqueVariantTest, DetachAttachAndPutHandOverTheContents) {
  CountingUnknown object;
  UniqueVariant owner = UniqueVariant::FromUnknown(&object);
  VARIANT raw = owner.Detach();
  EXPECT_EQ(V_VT(&owner.Get()), VT_EMPTY);
  EXPECT_EQ(object.references(), 1);
  UniqueVariant again = UniqueVariant::Attach(raw);
  EXPECT_EQ(V_VT(&raw), VT_EMPTY);
  EXPECT_EQ(object.references(), 1);
  // Put clears what was held.
  VARIANT* slot = again.Put();
  EXPECT_EQ(object.references(), 0);
  EXPECT_EQ(V_VT(slot), VT_EMPTY);
}

TEST(UniqueVariantTest, TextAndNumbersKeepTheirTypes) {
  const UniqueVariant text = UniqueVariant::FromText(L"inventory.txt");
  ASSERT_EQ(V_VT(&text.Get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&text.Get()), SysStringLen(V_BSTR(&text.Get()))), L"inventory.txt");
  const UniqueVariant number = UniqueVariant::FromInt32(-2147221496);
  ASSERT_EQ(V_VT(&number.Get()), VT_I4);
  EXPECT_EQ(V_I4(&number.Get()), -2147221496);
}

TEST(UniqueSafeArrayTest, ElementsAreCopiesReleasedWithTheArray) {
  CountingUnknown object;
  {
    UniqueSafeArray array = UniqueSafeArray::CreateVector(VT_VARIANT, 3);
    EXPECT_EQ(array.Count(), 3);
    const UniqueVariant element = UniqueVariant::FromUnknown(&object);
    array.PutVariant(0, element.Get());
    array.PutVariant(2, element.Get());
    EXPECT_EQ(object.references(), 3);
  }
  EXPECT_EQ(object.references(), 0);
}

TEST(UniqueSafeArrayTest, AWrongIndexIsAFailure) {
  UniqueSafeArray array = UniqueSafeArray::CreateVector(VT_VARIANT, 1);
  const UniqueVariant element = UniqueVariant::FromInt32(1);
  EXPECT_THROW(array.PutVariant(5, element.Get()), Failure);
}

TEST(UniqueSafeArrayTest, MovingDetachingAndPutHandOverOwnership) {
  CountingUnknown object;
  UniqueSafeArray first = UniqueSafeArray::CreateVector(VT_VARIANT, 1);
  first.PutVariant(0, UniqueVariant::FromUnknown(&object).Get());
  UniqueSafeArray second = std::move(first);
  EXPECT_EQ(first.Get(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(first.Count(), 0);
  SAFEARRAY* raw = second.Detach();
  EXPECT_EQ(object.references(), 1);
  UniqueSafeArray third = UniqueSafeArray::Attach(raw);
  SAFEARRAY** slot = third.Put();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(object.references(), 0);
}

}  // namespace
}  // namespace kestrova::win32

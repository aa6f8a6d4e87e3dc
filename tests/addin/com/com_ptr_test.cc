#include "platform/win32/com/com_ptr.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/addin/com/counting_unknown.h"

namespace kestrova::win32 {
namespace {

using testing::CountingUnknown;

TEST(ComPtrTest, FromARawPointerTakesAReferenceAndReleasesItAtTheEnd) {
  CountingUnknown object;
  {
    const ComPtr<IUnknown> owner(&object);
    EXPECT_EQ(object.references(), 1);
    EXPECT_EQ(owner.Get(), &object);
  }
  EXPECT_EQ(object.references(), 0);
  EXPECT_EQ(object.releases(), 1);
}

TEST(ComPtrTest, AttachAndDetachHandOverWithoutCounting) {
  CountingUnknown object;
  object.AddRef();  // the reference the caller hands over
  {
    ComPtr<IUnknown> owner = ComPtr<IUnknown>::Attach(&object);
    EXPECT_EQ(object.add_refs(), 1);
    IUnknown* raw = owner.Detach();
    EXPECT_EQ(raw, &object);
    EXPECT_FALSE(owner);
    EXPECT_EQ(object.releases(), 0);
    owner = ComPtr<IUnknown>::Attach(raw);
  }
  EXPECT_EQ(object.add_refs(), 1);
  EXPECT_EQ(object.releases(), 1);
  EXPECT_EQ(object.references(), 0);
}

TEST(ComPtrTest, CopyingCountsMovingDoesNotAndAssignmentReleasesWhatWasHeld) {
  CountingUnknown object;
  ComPtr<IUnknown> first(&object);
  ComPtr<IUnknown> copy = first;
  EXPECT_EQ(object.references(), 2);
  ComPtr<IUnknown> moved = std::move(copy);
  EXPECT_EQ(object.references(), 2);
  EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): a moved-from owner is empty.
  EXPECT_EQ(moved.Get(), &object);
  moved = first;  // assigning the same object keeps the balance
  EXPECT_EQ(object.references(), 2);
  // Assigning another object releases the one held.
  CountingUnknown other;
  moved = ComPtr<IUnknown>(&other);
  EXPECT_EQ(object.references(), 1);
  EXPECT_EQ(other.references(), 1);
  moved = ComPtr<IUnknown>(&other);
  EXPECT_EQ(other.references(), 1);
  moved.Reset();
  first.Reset();
  EXPECT_EQ(object.references(), 0);
  EXPECT_EQ(other.references(), 0);
}

TEST(ComPtrTest, PutReleasesBeforeHandingOutTheAddress) {
  CountingUnknown held;
  CountingUnknown filled;
  ComPtr<IUnknown> owner(&held);
  IUnknown** slot = owner.Put();
  EXPECT_EQ(held.references(), 0);
  EXPECT_EQ(*slot, nullptr);
  filled.AddRef();  // what a function filling an out parameter does
  *slot = &filled;
  EXPECT_EQ(owner.Get(), &filled);
  owner.Reset();
  EXPECT_EQ(filled.references(), 0);
}

TEST(ComPtrTest, QueryToFillsOnSuccessAndStaysEmptyOnRefusal) {
  CountingUnknown object;
  const ComPtr<IUnknown> owner(&object);
  ComPtr<IUnknown> asked;
  EXPECT_EQ(owner.QueryTo(IID_IUnknown, &asked), S_OK);
  EXPECT_EQ(asked.Get(), &object);
  EXPECT_EQ(object.references(), 2);
  ComPtr<IClassFactory> refused;
  EXPECT_EQ(owner.QueryTo(IID_IClassFactory, &refused), E_NOINTERFACE);
  EXPECT_FALSE(refused);
  EXPECT_EQ(object.references(), 2);
  EXPECT_EQ(ComPtr<IUnknown>().QueryTo(IID_IUnknown, &asked), E_POINTER);
  EXPECT_FALSE(asked);
  EXPECT_EQ(object.references(), 1);
}

TEST(ComPtrTest, CopyToHandsOutAReferenceOfItsOwn) {
  CountingUnknown object;
  const ComPtr<IUnknown> owner(&object);
  IUnknown* out = nullptr;
  ASSERT_EQ(owner.CopyTo(&out), S_OK);
  EXPECT_EQ(out, &object);
  EXPECT_EQ(object.references(), 2);
  out->Release();
  EXPECT_EQ(owner.CopyTo(nullptr), E_POINTER);
  EXPECT_EQ(ComPtr<IUnknown>().CopyTo(&out), S_OK);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace kestrova::win32

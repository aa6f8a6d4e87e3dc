// The type library in FPKestrova.dll, read back through ITypeLib and ITypeInfo.
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>

#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_bstr.h"
#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/server_module.h"

namespace kestrova::testing {
namespace {

using win32::ComPtr;
using win32::UniqueBstr;

// A type description's attributes, copied out so that the test need not release them.
TYPEATTR Attributes(ITypeInfo& info) {
  TYPEATTR* attributes = nullptr;
  EXPECT_EQ(info.GetTypeAttr(&attributes), S_OK);
  const TYPEATTR copy = *attributes;
  info.ReleaseTypeAttr(attributes);
  return copy;
}

std::wstring Name(ITypeInfo& info) {
  UniqueBstr name;
  EXPECT_EQ(info.GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), S_OK);
  return std::wstring(name.View());
}

// The library that holds `info`, with its attributes.
TLIBATTR ContainingLibrary(ITypeInfo& info) {
  ComPtr<ITypeLib> library;
  UINT index = 0;
  EXPECT_EQ(info.GetContainingTypeLib(library.Put(), &index), S_OK);
  TLIBATTR* attributes = nullptr;
  EXPECT_EQ(library->GetLibAttr(&attributes), S_OK);
  const TLIBATTR copy = *attributes;
  library->ReleaseTLibAttr(attributes);
  return copy;
}

// The description that implemented (or inherited) type `slot` of `info` refers to.
ComPtr<ITypeInfo> ImplementedType(ITypeInfo& info, UINT slot) {
  HREFTYPE reference = 0;
  EXPECT_EQ(info.GetRefTypeOfImplType(slot, &reference), S_OK);
  ComPtr<ITypeInfo> implemented;
  EXPECT_EQ(info.GetRefTypeInfo(reference, implemented.Put()), S_OK);
  return implemented;
}

class TypeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadTypeLibEx(server_.path().c_str(), REGKIND_NONE, library_.Put()), S_OK);
  }

  ComPtr<ITypeInfo> TypeAt(UINT index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfo(index, info.Put()), S_OK);
    return info;
  }

  ServerModule server_;
  ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, HasTheLibraryAttributes) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, kLibraryId));
  EXPECT_EQ(attributes->lcid, 0x0409u);
  EXPECT_EQ(attributes->syskind, SYS_WIN32);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  // The loader adds LIBFLAG_FHASDISKIMAGE to any library it read from a file; none is stored.
  EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
  library_->ReleaseTLibAttr(attributes);

  UniqueBstr name;
  UniqueBstr help_string;
  DWORD help_context = 1;
  UniqueBstr help_file;
  ASSERT_EQ(
      library_->GetDocumentation(-1, name.Put(), help_string.Put(), &help_context, help_file.Put()),
      S_OK);
  EXPECT_EQ(name.View(), kLibraryName);
  EXPECT_EQ(help_string.View(), kDescription);
  EXPECT_EQ(help_context, 0u);
  EXPECT_TRUE(help_file.View().empty()) << "no help file";
}

TEST_F(TypeLibraryTest, HoldsExactlyTheTwoTypeDescriptions) {
  ASSERT_EQ(library_->GetTypeInfoCount(), 2u);
  TYPEKIND kind = TKIND_MAX;
  ASSERT_EQ(library_->GetTypeInfoType(0, &kind), S_OK);
  EXPECT_EQ(kind, TKIND_DISPATCH);
  EXPECT_EQ(Name(*TypeAt(0).Get()), L"_FPKestrova");
  ASSERT_EQ(library_->GetTypeInfoType(1, &kind), S_OK);
  EXPECT_EQ(kind, TKIND_COCLASS);
  EXPECT_EQ(Name(*TypeAt(1).Get()), L"FPKestrova");

  ComPtr<ITypeInfo> copied;
  EXPECT_EQ(library_->GetTypeInfoOfGuid(kExtensibilityId, copied.Put()), TYPE_E_ELEMENTNOTFOUND)
      << "IDTExtensibility2 must be referred to, never copied in";
}

TEST_F(TypeLibraryTest, DefaultInterfaceIsAHiddenDualInterfaceWithNothingBeyondIDispatch) {
  const ComPtr<ITypeInfo> dispatch = TypeAt(0);
  const TYPEATTR attributes = Attributes(*dispatch.Get());
  EXPECT_TRUE(IsEqualGUID(attributes.guid, kInterfaceId));
  // The dispatch view of a dual interface is reported without TYPEFLAG_FOLEAUTOMATION, which
  // belongs to the vtable view; the stored flags hold both (see type_library_file_test.cc).
  EXPECT_EQ(attributes.wTypeFlags & ~TYPEFLAG_FOLEAUTOMATION,
            TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(attributes.wMajorVerNum, 1);
  EXPECT_EQ(attributes.wMinorVerNum, 0);
  EXPECT_EQ(attributes.cVars, 0);
  // The dispatch view lists only what it inherits: IUnknown's three and IDispatch's four members.
  EXPECT_EQ(attributes.cFuncs, 7);
  for (UINT i = 0; i < attributes.cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(dispatch->GetFuncDesc(i, &function), S_OK);
    EXPECT_GE(function->memid, 0x60000000) << "member " << i << " is not inherited";
    dispatch->ReleaseFuncDesc(function);
  }

  const ComPtr<ITypeInfo> vtable = ImplementedType(*dispatch.Get(), static_cast<UINT>(-1));
  const TYPEATTR vtable_attributes = Attributes(*vtable.Get());
  EXPECT_EQ(vtable_attributes.typekind, TKIND_INTERFACE);
  EXPECT_TRUE(IsEqualGUID(vtable_attributes.guid, kInterfaceId));
  EXPECT_EQ(vtable_attributes.wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL |
                                              TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                                              TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(vtable_attributes.cFuncs, 0) << "no members of its own";
  EXPECT_EQ(vtable_attributes.cVars, 0);
  EXPECT_EQ(vtable_attributes.cbSizeVft, 7 * sizeof(void*));
  ASSERT_EQ(vtable_attributes.cImplTypes, 1);
  const ComPtr<ITypeInfo> base = ImplementedType(*vtable.Get(), 0);
  EXPECT_TRUE(IsEqualIID(Attributes(*base.Get()).guid, IID_IDispatch));
  const TLIBATTR stdole = ContainingLibrary(*base.Get());
  EXPECT_TRUE(IsEqualGUID(stdole.guid, kStdOleLibraryId)) << "IDispatch comes from stdole";
  EXPECT_EQ(stdole.wMajorVerNum, 2);
  EXPECT_EQ(stdole.wMinorVerNum, 0);
}

TEST_F(TypeLibraryTest, ClassIsCreatableWithExactlyItsTwoInterfaces) {
  const ComPtr<ITypeInfo> coclass = TypeAt(1);
  const TYPEATTR attributes = Attributes(*coclass.Get());
  EXPECT_TRUE(IsEqualGUID(attributes.guid, kClassId));
  EXPECT_EQ(attributes.wTypeFlags, TYPEFLAG_FCANCREATE) << "creatable, not an application object";
  EXPECT_EQ(attributes.wMajorVerNum, 1);
  EXPECT_EQ(attributes.wMinorVerNum, 0);
  ASSERT_EQ(attributes.cImplTypes, 2);

  int flags = -1;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  const ComPtr<ITypeInfo> first = ImplementedType(*coclass.Get(), 0);
  EXPECT_TRUE(IsEqualIID(Attributes(*first.Get()).guid, kInterfaceId));

  ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
  EXPECT_EQ(flags, 0) << "an implemented interface, not an event source";
  const ComPtr<ITypeInfo> second = ImplementedType(*coclass.Get(), 1);
  EXPECT_TRUE(IsEqualIID(Attributes(*second.Get()).guid, kExtensibilityId));
  EXPECT_EQ(Name(*second.Get()), L"IDTExtensibility2");
  const TLIBATTR designer = ContainingLibrary(*second.Get());
  EXPECT_TRUE(IsEqualGUID(designer.guid, kDesignerLibraryId))
      << "IDTExtensibility2 is described in AddInDesignerObjects";
  EXPECT_EQ(designer.wMajorVerNum, 1);
  EXPECT_EQ(designer.wMinorVerNum, 0);
}

}  // namespace
}  // namespace kestrova::testing

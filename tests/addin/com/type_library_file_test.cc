// The type library resource of FPKestrova.dll as stored: where it is, its format (ParseMsftFile
// refuses anything but MSFT), and the libraries it imports. Its attributes and type descriptions
// are read back through the loader in type_library_test.cc.
#include <gtest/gtest.h>

#include <string_view>

#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/msft_file.h"
#include "tests/addin/com/server_module.h"

namespace kestrova::testing {
namespace {

class TypeLibraryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Language neutral, as the type library loader looks for it first.
    HRSRC resource = FindResourceExW(server_.module(), L"TYPELIB", MAKEINTRESOURCEW(1),
                                     MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(resource, nullptr) << "no language-neutral TYPELIB resource 1";
    HGLOBAL loaded = LoadResource(server_.module(), resource);
    ASSERT_NE(loaded, nullptr);
    data_ = std::string_view(static_cast<const char*>(LockResource(loaded)),
                             SizeofResource(server_.module(), resource));
  }

  ServerModule server_;
  std::string_view data_;
};

TEST_F(TypeLibraryFileTest, ImportsStdOle2AndAddInDesignerObjectsByFileName) {
  const MsftFile file = ParseMsftFile(data_);
  ASSERT_EQ(file.imports.size(), 2u);
  EXPECT_EQ(file.imports[0].file_name, "stdole2.tlb");
  EXPECT_TRUE(IsEqualGUID(file.imports[0].library_id, kStdOleLibraryId));
  EXPECT_EQ(file.imports[0].major, 2);
  EXPECT_EQ(file.imports[0].minor, 0);
  EXPECT_EQ(file.imports[1].file_name, "MSADDNDR.DLL");
  EXPECT_TRUE(IsEqualGUID(file.imports[1].library_id, kDesignerLibraryId));
  EXPECT_EQ(file.imports[1].major, 1);
  EXPECT_EQ(file.imports[1].minor, 0);
}

TEST_F(TypeLibraryFileTest, RefersToIDTExtensibility2AsAnImportedType) {
  const MsftFile file = ParseMsftFile(data_);
  int found = 0;
  for (const GuidEntry& entry : file.guids) {
    if (!IsEqualGUID(entry.guid, kExtensibilityId)) continue;
    ++found;
    EXPECT_EQ(entry.reference & 1, 1) << "IDTExtensibility2 must name an import, not a type here";
  }
  EXPECT_EQ(found, 1);
}

}  // namespace
}  // namespace kestrova::testing

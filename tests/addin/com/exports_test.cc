// The DLL's exports as the Windows loader resolves them: each name at its ordinal.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/addin/com/server_module.h"

namespace kestrova::testing {
namespace {

struct Export {
  WORD ordinal;
  const char* name;
};

class ExportsTest : public ::testing::TestWithParam<Export> {
 protected:
  ServerModule server_;
};

TEST_P(ExportsTest, NameAndOrdinalReachTheSameFunction) {
  const FARPROC by_name = GetProcAddress(server_.module(), GetParam().name);
  const FARPROC by_ordinal = GetProcAddress(server_.module(), MAKEINTRESOURCEA(GetParam().ordinal));
  ASSERT_NE(by_name, nullptr) << GetParam().name;
  EXPECT_EQ(by_ordinal, by_name) << "ordinal " << GetParam().ordinal;
}

INSTANTIATE_TEST_SUITE_P(FourEntryPoints, ExportsTest,
                         ::testing::Values(Export{1, "DllCanUnloadNow"},
                                           Export{2, "DllGetClassObject"},
                                           Export{3, "DllRegisterServer"},
                                           Export{4, "DllUnregisterServer"}));

TEST(ExportsTest, NothingAtOrdinalFive) {
  const ServerModule server;
  EXPECT_EQ(GetProcAddress(server.module(), MAKEINTRESOURCEA(5)), nullptr);
}

}  // namespace
}  // namespace kestrova::testing

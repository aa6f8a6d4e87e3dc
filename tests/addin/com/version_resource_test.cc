// The version resource of FPKestrova.dll, read back with GetFileVersionInfo and VerQueryValue.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/addin/com/server_module.h"

namespace kestrova::testing {
namespace {

class VersionResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(server_.path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    block_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(server_.path().c_str(), 0, size, block_.data()));
  }

  // The value at `path`; fails the test when it is missing.
  std::wstring Text(const std::wstring& path) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block_.data(), path.c_str(), &value, &length)) {
      ADD_FAILURE() << "missing " << path;
      return L"";
    }
    std::wstring text(static_cast<const wchar_t*>(value), length);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }

  ServerModule server_;
  std::vector<BYTE> block_;
};

TEST_F(VersionResourceTest, IsResourceOneInUsEnglish) {
  EXPECT_NE(FindResourceExW(server_.module(), MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            nullptr);
}

TEST_F(VersionResourceTest, FixedPartNamesVersionZeroSevenOfA32BitDll) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000007u);  // 0.7
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);  // .0.0
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000007u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileSubtype, 0u);
}

TEST_F(VersionResourceTest, TranslationIsUsEnglishInUnicode) {
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 2 * sizeof(WORD));
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
}

struct VersionString {
  const wchar_t* key;
  const wchar_t* value;
};

class VersionStringTest : public VersionResourceTest,
                          public ::testing::WithParamInterface<VersionString> {};

TEST_P(VersionStringTest, HasItsValue) {
  EXPECT_EQ(Text(std::wstring(L"\\StringFileInfo\\040904B0\\") + GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    StringTable, VersionStringTest,
    ::testing::Values(VersionString{L"Comments", L"created for Kestrova Software and Design Ltd."},
                      VersionString{L"FileDescription", L"FrontPage Add-In"},
                      VersionString{L"FileVersion", L"0.07"},
                      VersionString{L"ProductVersion", L"0.07"},
                      VersionString{L"ProductName", L"Kestrova FrontPage Add-In"},
                      VersionString{L"InternalName", L"FPKestrova"},
                      VersionString{L"OriginalFilename", L"FPKestrova.dll"},
                      VersionString{L"OLESelfRegister", L""},
                      VersionString{L"CompanyName", L"Kestrova Software and Design Ltd."},
                      VersionString{L"LegalCopyright",
                                    L"Copyright (C) Kestrova Software and Design Ltd."}));

}  // namespace
}  // namespace kestrova::testing

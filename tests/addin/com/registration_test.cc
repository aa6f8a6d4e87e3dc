// DllRegisterServer and DllUnregisterServer, called as regsvr32 calls them, with the registry read
// back key by key.
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "tests/addin/com/expected_identity.h"
#include "tests/addin/com/registry_tree.h"
#include "tests/addin/com/server_module.h"

namespace kestrova::testing {
namespace {

const std::wstring kClassKey = L"CLSID\\" + std::wstring(kClassIdText);
const std::wstring kProgIdKey(kProgId);
const std::wstring kTypeLibKey = L"TypeLib\\" + std::wstring(kLibraryIdText);
const std::wstring kInterfaceKey = L"Interface\\" + std::wstring(kInterfaceIdText);
const std::wstring kExtensibilityKey = L"Interface\\" + std::wstring(kExtensibilityIdText);

// Every key that registration owns.
const std::vector<std::wstring> kOwnKeys = {kClassKey, kProgIdKey, kTypeLibKey, kInterfaceKey};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

// Runs `command_line` and returns its exit code; -1 when it cannot start or does not end in time.
DWORD RunProgram(std::wstring command_line) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return static_cast<DWORD>(-1);
  }
  DWORD exit_code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exit_code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exit_code;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveOwnKeys();
    const std::optional<RegistryTree> extensibility =
        ReadRegistryTree(HKEY_CLASSES_ROOT, kExtensibilityKey);
    ASSERT_TRUE(extensibility) << "the stand-in did not register IDTExtensibility2";
    ASSERT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kExtensibilityKey + L"\\TypeLib"),
              std::wstring(kDesignerLibraryIdText));
    extensibility_ = *extensibility;
  }

  void TearDown() override { RemoveOwnKeys(); }

  // Tidies up without the code under test.
  static void RemoveOwnKeys() {
    for (const std::wstring& key : kOwnKeys) DeleteRegistryTree(HKEY_CLASSES_ROOT, key);
  }

  void ExpectExtensibilityUnchanged(const char* when) const {
    EXPECT_EQ(ReadRegistryTree(HKEY_CLASSES_ROOT, kExtensibilityKey), extensibility_) << when;
  }

  ServerModule server_;
  RegistryTree extensibility_;
};

TEST_F(RegistrationTest, WritesTheClassAndProgIdKeysKeyByKey) {
  ASSERT_EQ(server_.RegisterServer(), S_OK);
  const std::wstring sz = std::to_wstring(REG_SZ) + L":";
  const RegistryTree class_tree = {
      {L"", {{L"", sz + std::wstring(kProgId)}}},
      {L"inprocserver32", {{L"", sz + server_.path()}, {L"threadingmodel", sz + L"Apartment"}}},
      {L"progid", {{L"", sz + std::wstring(kProgId)}}},
      {L"typelib", {{L"", sz + std::wstring(kLibraryIdText)}}},
  };
  EXPECT_EQ(ReadRegistryTree(HKEY_CLASSES_ROOT, kClassKey), class_tree);
  const RegistryTree prog_id_tree = {
      {L"", {{L"", sz + std::wstring(kProgId)}}},
      {L"clsid", {{L"", sz + std::wstring(kClassIdText)}}},
  };
  EXPECT_EQ(ReadRegistryTree(HKEY_CLASSES_ROOT, kProgIdKey), prog_id_tree);
  CLSID found = {};
  ASSERT_EQ(CLSIDFromProgID(std::wstring(kProgId).c_str(), &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, kClassId));
}

TEST_F(RegistrationTest, RegistersTheTypeLibraryWithTheDefaultInterfaceMarshalledThroughIt) {
  ASSERT_EQ(server_.RegisterServer(), S_OK);
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0"),
            std::wstring(kDescription));
  EXPECT_EQ(
      Lower(
          ReadRegistryString(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0\\409\\win32").value_or(L"")),
      Lower(server_.path()));
  // FLAGS holds the library's flags, which are none; Wine also writes the loader's
  // LIBFLAG_FHASDISKIMAGE (8) there.
  const std::wstring flags =
      ReadRegistryString(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0\\FLAGS").value_or(L"missing");
  EXPECT_TRUE(flags == L"0" || flags == L"8") << flags;
  const std::optional<RegistryTree> library = ReadRegistryTree(HKEY_CLASSES_ROOT, kTypeLibKey);
  ASSERT_TRUE(library);
  for (const auto& [path, values] : *library) {
    EXPECT_TRUE(path.empty() || path.starts_with(L"1.0")) << "unexpected version key " << path;
  }

  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kInterfaceKey), L"_FPKestrova");
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kInterfaceKey + L"\\ProxyStubClsid32"),
            std::wstring(kAutomationMarshalerText));
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kInterfaceKey + L"\\TypeLib"),
            std::wstring(kLibraryIdText));
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kInterfaceKey + L"\\TypeLib", L"Version"),
            L"1.0");

  BSTR path = nullptr;
  ASSERT_EQ(QueryPathOfRegTypeLib(kLibraryId, 1, 0, 0x0409, &path), S_OK);
  EXPECT_EQ(Lower(std::wstring(path, SysStringLen(path))), Lower(server_.path()));
  SysFreeString(path);
}

// Registering writes only its own keys (IDTExtensibility2's and AddInDesignerObjects' stay as the
// stand-in wrote them), a second registration changes nothing, and unregistering restores the
// whole of HKEY_CLASSES_ROOT as it was.
TEST_F(RegistrationTest, WritesNothingElseTwiceAndUnregisteringRestoresEverything) {
  const std::optional<RegistryTree> before = ReadRegistryTree(HKEY_CLASSES_ROOT, L"");
  ASSERT_TRUE(before);
  ASSERT_EQ(server_.RegisterServer(), S_OK);
  const std::optional<RegistryTree> registered = ReadRegistryTree(HKEY_CLASSES_ROOT, L"");
  ASSERT_TRUE(registered);
  for (const auto& [path, change] : DiffRegistryTrees(*before, *registered)) {
    bool own = false;
    for (const std::wstring& key : kOwnKeys) own = own || path.starts_with(Lower(key));
    EXPECT_TRUE(own) << "registration " << change << " " << path;
  }
  for (const std::wstring& key : kOwnKeys) {
    EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, key)) << key;
  }
  ASSERT_EQ(server_.RegisterServer(), S_OK);
  EXPECT_EQ(ReadRegistryTree(HKEY_CLASSES_ROOT, L""), registered) << "registering twice";
  ASSERT_EQ(server_.UnregisterServer(), S_OK);
  const std::optional<RegistryTree> after = ReadRegistryTree(HKEY_CLASSES_ROOT, L"");
  ASSERT_TRUE(after);
  for (const auto& [path, change] : DiffRegistryTrees(*before, *after)) {
    ADD_FAILURE() << "after unregistering, " << path << " is " << change;
  }
  CLSID found = {};
  EXPECT_NE(CLSIDFromProgID(std::wstring(kProgId).c_str(), &found), S_OK);
}

TEST_F(RegistrationTest, UnregisteringWhatIsNotRegisteredSucceedsAndWritesNothing) {
  EXPECT_EQ(server_.UnregisterServer(), S_OK);
  for (const std::wstring& key : kOwnKeys) {
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, key));
  }
}

TEST_F(RegistrationTest, UnregisteringLeavesAProgIdThatAnotherClassHasTakenOver) {
  ASSERT_EQ(server_.RegisterServer(), S_OK);
  const std::wstring other = L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
  WriteRegistryString(HKEY_CLASSES_ROOT, kProgIdKey + L"\\CLSID", L"", other);
  ASSERT_EQ(server_.UnregisterServer(), S_OK);
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, kProgIdKey + L"\\CLSID"), other);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(RegistrationTest, Regsvr32RegistersAndUnregistersThroughTheExports) {
  const std::wstring quoted = L"\"" + server_.path() + L"\"";
  ASSERT_EQ(RunProgram(L"regsvr32.exe /s " + quoted), 0u);
  EXPECT_EQ(
      Lower(ReadRegistryString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32").value_or(L"")),
      Lower(server_.path()));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
  ExpectExtensibilityUnchanged("after regsvr32");
  ASSERT_EQ(RunProgram(L"regsvr32.exe /u /s " + quoted), 0u);
  for (const std::wstring& key : kOwnKeys) {
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, key)) << key << " is left";
  }
  ExpectExtensibilityUnchanged("after regsvr32 /u");
}

}  // namespace
}  // namespace kestrova::testing

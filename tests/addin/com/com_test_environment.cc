#include "tests/addin/com/com_test_environment.h"

#include <ole2.h>

#include <string>

#include "tests/addin/com/test_files.h"

namespace kestrova::testing {

void ComTestEnvironment::SetUp() {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  // Registering a type library registers its interfaces too: IDTExtensibility2's Interface key is
  // then Office's, here the stand-in's, as on a machine with Office.
  const std::wstring stand_in = BesideTestProgram(kStandInFileName);
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadTypeLibEx(stand_in.c_str(), REGKIND_REGISTER, &library), S_OK);
  library->Release();
}

void ComTestEnvironment::TearDown() { CoUninitialize(); }

}  // namespace kestrova::testing

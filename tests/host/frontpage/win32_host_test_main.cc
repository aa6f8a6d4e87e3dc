// The host layer tests' main: GoogleTest inside a single-threaded COM apartment, as the add-in
// runs inside FrontPage.
#include <gtest/gtest.h>
#include <ole2.h>

namespace {

class ApartmentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ApartmentEnvironment);
  return RUN_ALL_TESTS();
}

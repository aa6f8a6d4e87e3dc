// The end-to-end tests' main: GoogleTest on one thread initialised for OLE, as FrontPage's user
// interface thread is, so that the add-in and its windows run where they run inside FrontPage.
#include <gtest/gtest.h>
#include <ole2.h>

namespace {

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(OleInitialize(nullptr), S_OK); }
  void TearDown() override { OleUninitialize(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new OleEnvironment);
  return RUN_ALL_TESTS();
}

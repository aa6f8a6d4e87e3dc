// The POSIX writer: the contract every file system's writer keeps, and what is its own.
#include "platform/files/posix/atomic_file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/files/posix/posix_file_system.h"
#include "platform/files/temporary_folder.h"
#include "tests/platform/file_writer_contract.h"
#include "tests/support/test_files.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// The POSIX side of the writer contract: a fresh folder of its own, removed with everything in it.
class PosixWriterSide {
 public:
  using Files = PosixFileSystem;

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  void Put(const std::string& name, const std::string& bytes) const {
    testing::WriteBytes(folder_ / name, bytes);
  }
  std::string Bytes(const std::string& name) const { return testing::ReadBytes(folder_ / name); }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder_)) {
      names.insert(item.path().filename().string());
    }
    return names;
  }

 protected:
  const TemporaryFolder temporary_{"kestrova-writer"};
  const fs::path& folder_ = temporary_.path();
};

class AtomicFileWriterTest : public ::testing::Test, protected PosixWriterSide {};

}  // namespace

namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, FileWriterContract, ::testing::Types<PosixWriterSide>);
}  // namespace testing

namespace {

TEST_F(AtomicFileWriterTest, TemporaryFilesAreDotFilesAndStaleOnesGoAtTheFirstWrite) {
  // Left by a killed run, with names only close to the writer's own beside them.
  const std::set<std::string> others = {"page.htm", ".page.htm.kestrova-AbC12",
                                        ".page.htm.kestrova-AbC1234", ".kestrova-AbC123",
                                        ".page.htm.kestrova-AbC12!"};
  for (const std::string& name : others) Put(name, "other");
  Put(".page.htm.kestrova-AbC123", "stale");
  Put(".other.htm.kestrova-9zZ0aa", "stale");

  AtomicFileWriter writer(Path("page.htm"), CommitDurability::kNotWaitedFor);
  writer.Write("new");
  std::set<std::string> during = Names();
  for (const std::string& name : others) EXPECT_EQ(during.erase(name), 1u) << name;
  ASSERT_EQ(during.size(), 1u);
  const std::string temporary = *during.begin();
  EXPECT_EQ(temporary.rfind(".page.htm.kestrova-", 0), 0u) << temporary;
  EXPECT_EQ(temporary.size(), std::string(".page.htm.kestrova-XXXXXX").size()) << temporary;

  // A second writer in the folder leaves the live writer's temporary file alone.
  PosixFileSystem files;
  WriteWholeFile(files, Path("other.htm"), "second", CommitDurability::kNotWaitedFor);
  EXPECT_EQ(Bytes(temporary), "new");
  writer.Commit();
  EXPECT_EQ(Bytes("page.htm"), "new");
  EXPECT_FALSE(fs::exists(folder_ / temporary));
}

TEST_F(AtomicFileWriterTest, AReplacedFileKeepsItsOwnerGroupAndMode) {
  ASSERT_EQ(::geteuid(), 0u) << "giving a file to another owner needs root";
  Put("page.htm", "old");
  ASSERT_EQ(::chown(Path("page.htm").c_str(), 12345, 12346), 0);
  ASSERT_EQ(::chmod(Path("page.htm").c_str(), 04750), 0);

  PosixFileSystem files;
  WriteWholeFile(files, Path("page.htm"), "new", CommitDurability::kNotWaitedFor);

  struct stat info {};
  ASSERT_EQ(::stat(Path("page.htm").c_str(), &info), 0);
  EXPECT_EQ(Bytes("page.htm"), "new");
  EXPECT_EQ(info.st_uid, 12345u);
  EXPECT_EQ(info.st_gid, 12346u);
  EXPECT_EQ(info.st_mode & 07777, 04750u);
}

}  // namespace
}  // namespace kestrova

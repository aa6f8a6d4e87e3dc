#include "platform/files/posix/posix_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files/temporary_folder.h"
#include "tests/support/test_files.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

// A file several folders deep is found inside the web as it is; a link anywhere below the web is
// followed, and what it leads to outside the web is refused, at every depth; a page that is a
// link is found where it leads. A web reached through a link of its own, and a file not there
// yet, are still inside.
TEST(PosixFileSystemTest, ResolveInsideRefusesLinksOutAtEveryDepth) {
  const TemporaryFolder temporary("kestrova-resolve");
  const fs::path& root = temporary.path();
  const fs::path web = root / "web";
  WriteBytes(web / "a" / "b" / "page.htm", "page");
  WriteBytes(web / "a" / "real" / "inner.htm", "inner");
  WriteBytes(root / "outside" / "page.htm", "outside");
  fs::create_symlink(root / "outside", web / "a" / "out");
  fs::create_symlink("real", web / "a" / "in");
  fs::create_symlink("../real/inner.htm", web / "a" / "b" / "linked.htm");
  fs::create_symlink(web, root / "web-link");
  PosixFileSystem files;

  const auto resolve = [&](const fs::path& folder, const fs::path& path) {
    return files.ResolveInside(folder.string(), path.string());
  };
  EXPECT_EQ(resolve(web, web / "a" / "b" / "page.htm"), (web / "a" / "b" / "page.htm").string());
  EXPECT_EQ(resolve(web, web / "a" / "out" / "page.htm"), std::nullopt);
  EXPECT_EQ(resolve(web, web / "a" / "in" / "inner.htm"),
            (web / "a" / "in" / "inner.htm").string());
  EXPECT_EQ(resolve(web, web / "a" / "b" / "linked.htm"),
            (web / "a" / "real" / "inner.htm").string());
  EXPECT_EQ(resolve(web, web / "a" / "b" / "new.htm"), (web / "a" / "b" / "new.htm").string());
  EXPECT_EQ(resolve(root / "web-link", root / "web-link" / "a" / "b" / "page.htm"),
            (root / "web-link" / "a" / "b" / "page.htm").string());
  EXPECT_EQ(resolve(web, web / "a" / ".." / ".." / "outside" / "page.htm"), std::nullopt);
}

// The start of a page read to tell what it holds is kept for the read of the whole page that
// follows; a page replaced or rewritten in between is read again, never served from what was
// kept.
TEST(PosixFileSystemTest, AKeptStartIsNeverServedForAChangedFile) {
  const TemporaryFolder temporary("kestrova-kept");
  const fs::path page = temporary.path() / "page.htm";
  PosixFileSystem files;

  WriteBytes(page, "<html><head></head></html>");
  EXPECT_EQ(files.ReadFirstBytes(page.string(), 6), "<html>");
  EXPECT_EQ(files.ReadWholeFile(page.string()), "<html><head></head></html>");

  EXPECT_EQ(files.ReadFirstBytes(page.string(), 6), "<html>");
  WriteBytes(temporary.path() / "other.htm", "<html>replaced</html>");
  fs::rename(temporary.path() / "other.htm", page);
  EXPECT_EQ(files.ReadWholeFile(page.string()), "<html>replaced</html>");

  EXPECT_EQ(files.ReadFirstBytes(page.string(), 6), "<html>");
  WriteBytes(page, "<html>written in place, longer</html>");
  EXPECT_EQ(files.ReadFileStart(page.string(), [](std::string_view) { return true; }).bytes,
            "<html>written in place, longer</html>");
  EXPECT_EQ(ReadBytes(page), "<html>written in place, longer</html>");
}

// A page found inside the web is read as it was found: one replaced by a link to a file outside
// the web between the check and the read is not followed.
TEST(PosixFileSystemTest, APageIsReadAsItWasCheckedInsideTheWeb) {
  const TemporaryFolder temporary("kestrova-checked");
  const fs::path web = temporary.path() / "web";
  const fs::path page = web / "a" / "page.htm";
  WriteBytes(page, "<html>inside</html>");
  WriteBytes(temporary.path() / "secret.htm", "<html>outside</html>");
  PosixFileSystem files;

  ASSERT_TRUE(files.FileExists(page.string()));
  ASSERT_EQ(files.ResolveInside(web.string(), page.string()), page.string());
  fs::remove(page);
  fs::create_symlink(temporary.path() / "secret.htm", page);
  EXPECT_EQ(files.ReadFirstBytes(page.string(), 100), "<html>inside</html>");
  EXPECT_EQ(files.ReadFirstBytes(page.string(), 100), "<html>outside</html>");
}

// A transaction of more files than it keeps open replaces every one with its own bytes.
TEST(PosixFileSystemTest, ATransactionOfManyFilesReplacesEveryOne) {
  const TemporaryFolder temporary("kestrova-many");
  PosixFileSystem files;
  constexpr int kFiles = 1100;
  {
    const auto transaction = files.BeginTransaction();
    for (int k = 0; k < kFiles; ++k) {
      const std::string path = (temporary.path() / (std::to_string(k) + ".htm")).string();
      WriteBytes(path, "old");
      const auto writer = transaction->Stage(path);
      writer->Write("new " + std::to_string(k));
      writer->Commit();
    }
    transaction->Commit();
  }
  int found = 0;
  for (const auto& item : fs::directory_iterator(temporary.path())) {
    const std::string name = item.path().filename().string();
    EXPECT_EQ(ReadBytes(item.path()), "new " + name.substr(0, name.size() - 4));
    ++found;
  }
  EXPECT_EQ(found, kFiles);
}

}  // namespace
}  // namespace kestrova

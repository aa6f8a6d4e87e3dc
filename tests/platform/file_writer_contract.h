// What every file system's writer must do, as a typed test suite on real files: a test program
// includes this header once and instantiates the suite for its side, a default-constructible type
// with a fresh, empty folder of its own that offers
//   Files              the file system, default-constructible;
//   Path(name)         the path of name in the folder, a "/" in name standing for the system's
//                      separator;
//   Put(name, bytes)   writes a file there directly through the system;
//   Bytes(name)        the bytes of a file there, read directly through the system;
//   Names()            the names in the folder, in any order.
#ifndef KESTROVA_TESTS_PLATFORM_FILE_WRITER_CONTRACT_H_
#define KESTROVA_TESTS_PLATFORM_FILE_WRITER_CONTRACT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "platform/files/file_system.h"

namespace kestrova::testing {

template <typename Side>
class FileWriterContract : public ::testing::Test {
 protected:
  // The names in the side's folder, sorted.
  std::vector<std::string> Names() const {
    const auto names = side_.Names();
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }

  Side side_;
  typename Side::Files files_;
};

TYPED_TEST_SUITE_P(FileWriterContract);

TYPED_TEST_P(FileWriterContract, AWriterReplacesTheFileOnlyAtCommit) {
  const std::string path = this->side_.Path("mend.htm");
  this->side_.Put("mend.htm", "old content");
  auto writer = this->files_.CreateFileWriter(path);
  writer->Write("new ");
  writer->Write("content");
  EXPECT_EQ(this->side_.Bytes("mend.htm"), "old content");
  EXPECT_EQ(this->Names().size(), 2u);  // the file and the writer's temporary file
  writer->Commit();
  EXPECT_EQ(this->side_.Bytes("mend.htm"), "new content");
  writer.reset();
  EXPECT_EQ(this->side_.Bytes("mend.htm"), "new content");
  EXPECT_EQ(this->Names(), std::vector<std::string>{"mend.htm"});
}

TYPED_TEST_P(FileWriterContract, AWriterCreatesAFileThatWasNotThere) {
  const std::string path = this->side_.Path("inventory.txt");
  auto writer = this->files_.CreateFileWriter(path);
  writer->Write("12/7/2024\r\n");
  EXPECT_FALSE(this->files_.FileExists(path));
  writer->Commit();
  EXPECT_EQ(this->side_.Bytes("inventory.txt"), "12/7/2024\r\n");
}

TYPED_TEST_P(FileWriterContract, AWriterDroppedBeforeCommitLeavesTheOldFileAndNoTemporaryFile) {
  this->side_.Put("mend.htm", "old content");
  {
    auto writer = this->files_.CreateFileWriter(this->side_.Path("mend.htm"));
    writer->Write("half of the new");
  }
  EXPECT_EQ(this->side_.Bytes("mend.htm"), "old content");
  EXPECT_EQ(this->Names(), std::vector<std::string>{"mend.htm"});

  {
    auto writer = this->files_.CreateFileWriter(this->side_.Path("new.htm"));
    writer->Write("never committed");
  }
  EXPECT_FALSE(this->files_.FileExists(this->side_.Path("new.htm")));
  EXPECT_EQ(this->Names(), std::vector<std::string>{"mend.htm"});
}

TYPED_TEST_P(FileWriterContract, WritersOfOneFolderUseTemporaryFilesOfTheirOwn) {
  auto first = this->files_.CreateFileWriter(this->side_.Path("a.htm"));
  auto second = this->files_.CreateFileWriter(this->side_.Path("a.htm"));
  first->Write("first");
  second->Write("second");
  EXPECT_EQ(this->Names().size(), 2u);
  first->Commit();
  second->Commit();
  EXPECT_EQ(this->side_.Bytes("a.htm"), "second");
  first.reset();
  second.reset();
  EXPECT_EQ(this->Names(), std::vector<std::string>{"a.htm"});
}

// Pieces land one after another, empty ones too, with either durability, and a whole file written
// at once replaces the old one.
TYPED_TEST_P(FileWriterContract, PiecesAreWrittenInTheirOrder) {
  const std::array<std::string_view, 5> pieces = {"<html><head>", "", "<title>T</title>", "",
                                                  "</head><body>\r\n</body></html>"};
  for (const CommitDurability durability :
       {CommitDurability::kBytesBeforeName, CommitDurability::kNotWaitedFor}) {
    this->side_.Put("page.htm", "old");
    auto writer = this->files_.CreateFileWriter(this->side_.Path("page.htm"), durability);
    writer->Write(pieces);
    writer->Write("<!-- after -->");
    writer->Commit();
    EXPECT_EQ(this->side_.Bytes("page.htm"),
              "<html><head><title>T</title></head><body>\r\n</body></html><!-- after -->");
    WriteWholeFile(this->files_, this->side_.Path("page.htm"), pieces, durability);
    EXPECT_EQ(this->side_.Bytes("page.htm"),
              "<html><head><title>T</title></head><body>\r\n</body></html>");
    WriteWholeFile(this->files_, this->side_.Path("page.htm"), "whole", durability);
    EXPECT_EQ(this->side_.Bytes("page.htm"), "whole");
  }
  EXPECT_EQ(this->Names(), std::vector<std::string>{"page.htm"});
}

TYPED_TEST_P(FileWriterContract, AWriterIntoAMissingFolderRaisesFileNotFound) {
  try {
    this->files_.CreateFileWriter(this->side_.Path("missing/mend.htm"));
    ADD_FAILURE() << "a writer into a missing folder was made";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrFileNotFound);
  }
}

// A transaction's files replace theirs only when it commits, all of them; dropped before, it
// leaves every file as it was and no temporary file, its files' writing ended or not.
TYPED_TEST_P(FileWriterContract, ATransactionReplacesItsFilesTogetherOrNotAtAll) {
  this->side_.Put("a.htm", "old a");
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "dropped");
    const auto transaction = this->files_.BeginTransaction();
    for (const char* name : {"a.htm", "b.htm"}) {
      const auto writer = transaction->Stage(this->side_.Path(name));
      writer->Write(std::string("new ") + name);
      writer->Commit();
    }
    const auto unfinished = transaction->Stage(this->side_.Path("c.htm"));
    unfinished->Write("never ended");
    EXPECT_EQ(this->side_.Bytes("a.htm"), "old a");
    EXPECT_FALSE(this->files_.FileExists(this->side_.Path("b.htm")));
    if (commit) transaction->Commit();
  }
  EXPECT_EQ(this->side_.Bytes("a.htm"), "new a.htm");
  EXPECT_EQ(this->side_.Bytes("b.htm"), "new b.htm");
  EXPECT_EQ(this->Names(), (std::vector<std::string>{"a.htm", "b.htm"}));
}

REGISTER_TYPED_TEST_SUITE_P(FileWriterContract, AWriterReplacesTheFileOnlyAtCommit,
                            AWriterCreatesAFileThatWasNotThere,
                            AWriterDroppedBeforeCommitLeavesTheOldFileAndNoTemporaryFile,
                            WritersOfOneFolderUseTemporaryFilesOfTheirOwn,
                            PiecesAreWrittenInTheirOrder,
                            AWriterIntoAMissingFolderRaisesFileNotFound,
                            ATransactionReplacesItsFilesTogetherOrNotAtAll);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_FILE_WRITER_CONTRACT_H_

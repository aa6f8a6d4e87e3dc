#include "platform/files/posix/read_whole_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/failure.h"
#include "platform/files/temporary_folder.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// A FIFO or a link to a device where a file is read is refused at once with the path named; the
// FIFO is never waited on. A thread opens the FIFO for writing after a while, so that a read that
// did wait ends, and the test fails instead of hanging.
TEST(ReadWholeFileTest, RefusesWhatIsNotARegularFileWithoutWaiting) {
  const TemporaryFolder temporary("kestrova-read");
  const fs::path& folder = temporary.path();
  const std::string fifo = (folder / "page.htm").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string device = (folder / "zero.htm").string();
  fs::create_symlink("/dev/zero", device);

  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  });
  for (const std::string& path : {fifo, device}) {
    SCOPED_TRACE(path);
    const auto start = std::chrono::steady_clock::now();
    try {
      ReadWholeFile(path);
      ADD_FAILURE() << "read without a failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
      EXPECT_EQ(failure.description(), "Cannot read \"" + path + "\": Not a regular file.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
  writer.join();
}

}  // namespace
}  // namespace kestrova

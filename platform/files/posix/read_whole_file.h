// Reading a whole file as bytes.
#ifndef KESTROVA_PLATFORM_FILES_POSIX_READ_WHOLE_FILE_H_
#define KESTROVA_PLATFORM_FILES_POSIX_READ_WHOLE_FILE_H_

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/files/file_system.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {

// Returns the bytes of the file at path. Raises Failure 53 ("File not found") when there is no
// such file, and a failure with the system's own reason when the file cannot be read; only a
// regular file is read (a FIFO or a device is refused at once, never waited on).
std::string ReadWholeFile(const std::string& path);

// Returns at most the first count bytes of the file at path; raises as ReadWholeFile does.
std::string ReadFirstBytes(const std::string& path, std::size_t count);

// The first count bytes of the file at path, or the whole file when it holds at most whole_limit
// bytes (start.whole then tells which), with what fstat told of the open file in info; raises as
// ReadWholeFile does.
// With opened, the file is read through that descriptor, open for reading, instead of being
// opened at path again.
FileStart ReadFirstBytesOrWhole(const std::string& path, std::size_t count, std::size_t whole_limit,
                                struct stat& info, UniqueFd opened = UniqueFd());

// Reads the file at path in pieces until enough, told the bytes read so far, says they are
// enough, or until the file ends; raises as ReadWholeFile does. A small file is read whole in
// one read without asking enough. With opened, as ReadFirstBytesOrWhole.
FileStart ReadFileStart(const std::string& path,
                        const std::function<bool(std::string_view)>& enough,
                        UniqueFd opened = UniqueFd());

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_POSIX_READ_WHOLE_FILE_H_

// Reading a whole file as bytes.
#ifndef KESTROVA_PLATFORM_POSIX_READ_WHOLE_FILE_H_
#define KESTROVA_PLATFORM_POSIX_READ_WHOLE_FILE_H_

#include <string>

namespace kestrova {

// Returns the bytes of the file at path. Raises Failure 53 ("File not found") when there is no
// such file, and a failure with the system's own reason when the file cannot be read; only a
// regular file is read (a FIFO or a device is refused at once, never waited on).
std::string ReadWholeFile(const std::string& path);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_READ_WHOLE_FILE_H_

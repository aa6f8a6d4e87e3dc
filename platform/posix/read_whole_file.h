// Reading a whole file as bytes for the command-line host.
#ifndef KESTROVA_CLI_READ_FILE_H_
#define KESTROVA_CLI_READ_FILE_H_

#include <string>

namespace kestrova {

// Returns the bytes of the file at path. Raises Failure 53 ("File not found") when there is no
// such file, and a failure with the system's own reason when the file cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace kestrova

#endif  // KESTROVA_CLI_READ_FILE_H_

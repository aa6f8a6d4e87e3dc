// Where fpkestrova demo finds the example web and service folder by default.
#ifndef KESTROVA_CLI_EXAMPLES_LOCATION_H_
#define KESTROVA_CLI_EXAMPLES_LOCATION_H_

#include <string>

namespace kestrova {

// The folder share/fpkestrova beside the folder of the running program (/usr/share/fpkestrova
// for /usr/bin/fpkestrova) when it holds web/ and service/, as an installed package lays them
// out; otherwise source_examples, the examples of the source tree the program was built from.
std::string DefaultExamplesDir(const std::string& source_examples);

}  // namespace kestrova

#endif  // KESTROVA_CLI_EXAMPLES_LOCATION_H_

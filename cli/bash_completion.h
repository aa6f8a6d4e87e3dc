// The bash completion of fpkestrova, made from the definitions of its command line so that the
// two never drift apart.
#ifndef KESTROVA_CLI_BASH_COMPLETION_H_
#define KESTROVA_CLI_BASH_COMPLETION_H_

#include <string>

namespace CLI {
class App;
}

namespace kestrova {

// A bash script defining the completion function of app's program: its commands, each command's
// options with the global ones, option values ('a|b' value types complete to the words, DIR to
// folders, FILE to files) and the arguments of each command (folders or files likewise).
std::string BashCompletion(const CLI::App& app);

}  // namespace kestrova

#endif  // KESTROVA_CLI_BASH_COMPLETION_H_

// fpkestrova demo: the whole job on the bundled example, with nothing set up. The example web is
// copied to a temporary folder, the example service folder is served from 127.0.0.1, the web is
// published, and each page's head is shown before and after.
#ifndef KESTROVA_CLI_DEMO_COMMAND_H_
#define KESTROVA_CLI_DEMO_COMMAND_H_

#include <string>

#include "ui/console/console_user_interface.h"

namespace kestrova {

// examples_dir holds web/ and service/kestrova/. Returns the process exit code.
int RunDemoCommand(const ConsoleOptions& options, const std::string& examples_dir);

}  // namespace kestrova

#endif  // KESTROVA_CLI_DEMO_COMMAND_H_

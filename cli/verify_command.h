// fpkestrova verify: whether the pages a site serves carry the mends of a web's local mend folder.
#ifndef KESTROVA_CLI_VERIFY_COMMAND_H_
#define KESTROVA_CLI_VERIFY_COMMAND_H_

#include <string>

#include "cli/command_line.h"
#include "ui/console/console_options.h"

namespace kestrova {

// Asks the site for every page the local inventory of the web at web_path lists and prints each
// one that does not carry its mend (every one with options.verbose), with flags.diff the diff of
// each stale head, with flags.json one JSON object instead; then a closing line on standard
// error. Returns kExitSuccess when every page checked carries its mend, kExitNotMended when some
// are stale, missing or not HTML, kExitFailure when a page or the whole check failed. Writes
// nothing.
int RunVerifyCommand(const ConsoleOptions& options, const std::string& web_path,
                     const PublishFlags& flags);

}  // namespace kestrova

#endif  // KESTROVA_CLI_VERIFY_COMMAND_H_

// The fpkestrova commands that run the add-in in the Linux host: publish, menu and the menu's
// three commands; and the choice of trusted certificates that verify shares with publish.
#ifndef KESTROVA_CLI_HOST_COMMANDS_H_
#define KESTROVA_CLI_HOST_COMMANDS_H_

#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "ui/console/console_user_interface.h"

namespace kestrova {

// The transfer controls' options with the certificates to trust for https: --cacert and --capath
// when given, otherwise those the environment names, read as curl's own tool reads them
// (CURL_CA_BUNDLE, else SSL_CERT_DIR and SSL_CERT_FILE); empty for the system's store.
CurlTransferControl::Options TransferOptionsFor(const PublishFlags& flags);

// Publishes the web in the folder at web_path: prints the final destination on standard output.
// Returns kExitSuccess when publishing may go on, kExitCancelled when not. With flags.dry_run the
// web is copied to a temporary folder and the copy published, leaving the web as it is, and the
// changes to the heads are printed instead; with flags.json a JSON summary is printed instead.
int RunPublishCommand(const ConsoleOptions& options, const std::string& web_path,
                      const PublishFlags& flags = {});

// Prints the host's menu bar as the connected add-in left it.
int RunMenuCommand(const ConsoleOptions& options);

// Clicks the add-in's menu button with that caption ("About", "Register", "Demo mend"); for Demo
// mend the web in the current folder is opened first, which enables the button.
int RunClickCommand(const ConsoleOptions& options, std::string_view caption);

}  // namespace kestrova

#endif  // KESTROVA_CLI_HOST_COMMANDS_H_

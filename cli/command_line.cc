#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <sstream>

#include "cli/bash_completion.h"
#include "cli/exit_codes.h"

namespace kestrova {
namespace {

constexpr const char* kDescription =
    "Applies the mends that the Kestrova service prepared for a web site to the site's local\n"
    "pages before they are published.\n";

constexpr const char* kFooter =
    "Each command has --help of its own: fpkestrova publish --help.\n"
    "\n"
    "Exit status: 0 on success (for publish: publishing may go on; for verify: every page the\n"
    "site serves carries its mend), 1 when the job failed (the reason is on standard error; for\n"
    "verify also when a page could not be checked), 2 when the command line is wrong, 3 when\n"
    "publishing must not go on (cancelled by the user, by a failure, or at the address prompt),\n"
    "4 when verify found pages that do not carry their mends (stale, missing or not HTML).\n"
    "See fpkestrova(1) for pages, limits, files and deploy examples.";

// Where descriptions start in the help, and how wide they may be.
constexpr std::size_t kColumn = 25;
constexpr std::size_t kDescriptionWidth = 94 - kColumn;

// text broken into lines at spaces, none longer than kDescriptionWidth where a word allows.
std::string Wrapped(const std::string& text) {
  std::string wrapped;
  std::size_t line_length = 0;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (line_length > 0 && line_length + 1 + word.size() > kDescriptionWidth) {
      wrapped += '\n';
      line_length = 0;
    } else if (line_length > 0) {
      wrapped += ' ';
      ++line_length;
    }
    wrapped += word;
    line_length += word.size();
  }
  return wrapped;
}

// Lists each command with its arguments ("preview PAGE MENDING"), as a usage line would.
class Formatter : public CLI::Formatter {
 public:
  Formatter() {
    column_width(kColumn);
    label("Subcommands", "Commands");
    label("SUBCOMMAND", "COMMAND");
  }
  std::string make_subcommand(const CLI::App* sub) const override {
    std::string name = sub->get_name();
    for (const CLI::Option* argument :
         sub->get_options([](const CLI::Option* option) { return option->get_positional(); })) {
      name += " " + argument->get_name();
    }
    std::ostringstream out;
    CLI::detail::format_help(out, name, Wrapped(sub->get_description()), column_width_);
    return out.str();
  }
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "fpkestrova: %s\nTry 'fpkestrova --help' for more information.\n",
               message.c_str());
  return kExitUsage;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, std::string examples_dir) {
  CommandLine line;
  line.examples_dir = std::move(examples_dir);
  ConsoleOptions& options = line.options;

  CLI::App app(kDescription, "fpkestrova");
  app.formatter(std::make_shared<Formatter>());
  app.footer(kFooter);
  app.set_help_flag("-h,--help", "Show this help and exit.");
  app.set_version_flag("-V,--version", std::string("fpkestrova ") + KESTROVA_VERSION,
                       "Show the version and exit.");
  app.require_subcommand(0, 1);

  std::string destination;
  app.add_option("--destination", destination,
                 "The site's address: the destination the host passes, and the answer when the "
                 "site's address is asked for; for verify, the site to check when line 2 of the "
                 "local inventory names none.")
      ->type_name("URL");
  std::string on_missing;
  app.add_option("--on-missing", on_missing,
                 "The answer when the site has no mends on the server or none for any page: "
                 "'publish' goes on without them, 'cancel' stops publishing. Without it, a "
                 "terminal asks; without a terminal, publishing stops.")
      ->type_name("publish|cancel")
      ->check(
          [](const std::string& value) -> std::string {
            return value == "publish" || value == "cancel" ? "" : "takes 'publish' or 'cancel'";
          },
          "");
  app.add_option("--examples", line.examples_dir,
                 "The folder holding the demo's web/ and service/ folders.")
      ->type_name("DIR");
  app.add_flag("-q,--quiet", options.quiet, "Print only questions and failures.");
  app.add_flag("-v,--verbose", options.verbose, "Print every state of every request.");
  bool completion = false;
  app.add_flag("--bash-completion", completion, "Print the bash completion script and exit.")
      ->group("");

  std::vector<std::string> page_and_mending;
  std::string web;
  CLI::App* publish = app.add_subcommand(
      "publish",
      "Prepare the web in folder WEB for publishing: fetch the service's mending files from the "
      "site's server into WEB/kestrova when they are newer, and mend the head of every listed "
      "page. Prints the destination to publish to.");
  publish->add_option("WEB", web, "The folder of the web.")->required()->type_name("DIR");
  publish->add_flag("--dry-run", line.publish.dry_run,
                    "Change nothing: publish WEB with every write held back and dropped at the "
                    "end (newer mending files are downloaded, then discarded) and print, for "
                    "each listed page, a unified diff of the head publish would write.");
  publish->add_flag("--stat", line.publish.stat,
                    "With --dry-run: one line per listed page instead of the diffs.");
  publish->add_flag("--json", line.publish.json,
                    "End with one JSON object on standard output that sums up the run.");
  publish
      ->add_option("--connections", line.publish.connections,
                   "Fetch up to N mending files at once, each over its own connection to the "
                   "server (default 8); 1 fetches them one after another. An https server "
                   "that speaks HTTP/2 takes up to 100 at once over one connection.")
      ->type_name("N")
      ->check(CLI::Range(1, 64));
  publish
      ->add_option("--cacert", line.publish.ca_file,
                   "Trust the certificates in the PEM file FILE for an https server, instead of "
                   "the system's store (a private authority's, say).")
      ->type_name("FILE")
      ->check(CLI::Validator(CLI::ExistingFile).description(""));
  publish
      ->add_option("--capath", line.publish.ca_path,
                   "Trust the certificates in folder DIR, named by their hashes as c_rehash "
                   "names them, instead of the system's store.")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  CLI::App* verify = app.add_subcommand(
      "verify",
      "Check that the site serves every page of the web in folder WEB with its mend: ask the "
      "site for each page the local inventory lists, read it up to the end of its head, and "
      "report each page that is stale (the mend would change it), missing, not HTML or could "
      "not be checked. Changes nothing.");
  verify->add_option("WEB", web, "The folder of the web.")->required()->type_name("DIR");
  verify->add_flag("--diff", line.publish.diff,
                   "Also print, for each stale page, a unified diff of the head the site serves "
                   "against the head the mend gives it.");
  verify->add_flag("--json", line.publish.json,
                   "Print one JSON object on standard output with every page, its result and why, "
                   "instead of the lines.");
  verify
      ->add_option("--connections", line.publish.connections,
                   "Ask for up to N pages at once, each over its own connection to the server "
                   "(default 8); an https server that speaks HTTP/2 takes up to 100 at once over "
                   "one connection.")
      ->type_name("N")
      ->check(CLI::Range(1, 64));
  verify
      ->add_option("--cacert", line.publish.ca_file,
                   "Trust the certificates in the PEM file FILE for an https server, instead of "
                   "the system's store.")
      ->type_name("FILE")
      ->check(CLI::Validator(CLI::ExistingFile).description(""));
  verify
      ->add_option("--capath", line.publish.ca_path,
                   "Trust the certificates in folder DIR, named by their hashes as c_rehash "
                   "names them, instead of the system's store.")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  CLI::App* preview = app.add_subcommand(
      "preview",
      "Print PAGE with its head rewritten from the head of the mending file MENDING. Neither "
      "file is changed.");
  preview->add_option("PAGE MENDING", page_and_mending, "The page and the mending file.")
      ->required()
      ->expected(2)
      ->type_name("FILE");
  app.add_subcommand("demo",
                     "Publish a copy of the bundled example web against the bundled service "
                     "folder served from 127.0.0.1, showing the heads before and after.");
  app.add_subcommand("menu", "Show the Kestrova menu the add-in adds to the menu bar.");
  app.add_subcommand("about", "The About box.");
  app.add_subcommand("register", "Open the Kestrova subscription page.");
  app.add_subcommand("demo-mend", "The menu's Demo mend command.");
  app.add_subcommand("help", "Show this help and exit.");
  for (CLI::App* sub : app.get_subcommands({})) sub->fallthrough();
  for (CLI::Option* option : app.get_options({})) {
    option->description(Wrapped(option->get_description()));
  }
  for (CLI::App* command : {publish, verify}) {
    for (CLI::Option* option : command->get_options({})) {
      option->description(Wrapped(option->get_description()));
    }
  }

  // CLI11 takes the arguments in reverse order.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& request) {
    line.exit_code = app.exit(request);
    return line;
  } catch (const CLI::CallForVersion& request) {
    line.exit_code = app.exit(request);
    return line;
  } catch (const CLI::ParseError& error) {
    line.exit_code = UsageError(error.what());
    return line;
  }
  if (completion) {
    std::fputs(BashCompletion(app).c_str(), stdout);
    line.exit_code = kExitSuccess;
    return line;
  }
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (chosen.empty()) {
    line.exit_code = UsageError("no command given");
    return line;
  }
  if (chosen[0]->get_name() == "help") {
    // app.help() would show the help of the chosen command, "help" itself.
    std::fputs(
        app.get_formatter()->make_help(&app, "fpkestrova", CLI::AppFormatMode::Normal).c_str(),
        stdout);
    line.exit_code = kExitSuccess;
    return line;
  }
  if (line.publish.stat && !line.publish.dry_run) {
    line.exit_code = UsageError("--stat goes with --dry-run");
    return line;
  }
  if (!destination.empty() || app.count("--destination") > 0) options.destination = destination;
  if (on_missing == "publish") options.on_missing = OnMissing::kPublish;
  if (on_missing == "cancel") options.on_missing = OnMissing::kCancel;
  line.words.push_back(chosen[0]->get_name());
  if (publish->parsed() || verify->parsed()) line.words.push_back(web);
  for (const std::string& file : page_and_mending) line.words.push_back(file);
  return line;
}

}  // namespace kestrova

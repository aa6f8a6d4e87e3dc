// fpkestrova preview: shows what a mending file does to a page, changing neither file.
#ifndef KESTROVA_CLI_PREVIEW_COMMAND_H_
#define KESTROVA_CLI_PREVIEW_COMMAND_H_

#include <string>
#include <string_view>

namespace kestrova {

// The page's bytes with its head's inner HTML rewritten from the head of the mending file's bytes.
// A page without a <head> start tag gets one where an HTML5 parser would imply the head. Raises
// the rewrite's failures.
std::string PreviewMendedPage(std::string_view page, std::string_view mending_file);

// Runs the command on the files at page_path and mending_path: prints the mended page on standard
// output, or a message on standard error. Returns the process exit code.
int RunPreviewCommand(const std::string& page_path, const std::string& mending_path);

}  // namespace kestrova

#endif  // KESTROVA_CLI_PREVIEW_COMMAND_H_

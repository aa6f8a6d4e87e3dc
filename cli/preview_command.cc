#include "cli/preview_command.h"

#include <cstdio>

#include "base/ascii.h"
#include "base/failure.h"
#include "cli/exit_codes.h"
#include "mending/head_locator.h"
#include "mending/head_rewrite.h"
#include "mending/page_rule.h"
#include "platform/files/posix/read_whole_file.h"
#include "ui/console/console_text.h"

namespace kestrova {

std::string PreviewMendedPage(std::string_view page, std::string_view mending_file) {
  // Only text is rewritten, as in a publish: a head written into a picture would destroy it.
  if (const std::string_view what = WhatIsNotText(page); !what.empty()) {
    RaiseProgramError(kErrInvalidArgument,
                      "The page is not text but " + std::string(what) + ", and is left alone.");
  }
  const MendingHead mending =
      ReadMendingHead(HeadInnerHtml(mending_file, LocateHead(mending_file)));
  const HeadLocation page_head = LocateHead(page);
  CheckHeadIsClosed(page_head);
  return ReplaceHeadInnerHtml(page, page_head,
                              RewritePageHead(HeadInnerHtml(page, page_head), mending));
}

int RunPreviewCommand(const std::string& page_path, const std::string& mending_path) {
  std::string mended;
  try {
    const std::string page = ReadWholeFile(page_path);
    const std::string mending_file = ReadWholeFile(mending_path);
    mended = PreviewMendedPage(page, mending_file);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "fpkestrova: cannot mend \"%s\" with \"%s\": %s (error %d)\n",
                 EscapeControlCharacters(page_path).c_str(),
                 EscapeControlCharacters(mending_path).c_str(),
                 EscapeControlCharacters(failure.description()).c_str(), failure.number());
    return kExitFailure;
  }
  if (std::fwrite(mended.data(), 1, mended.size(), stdout) != mended.size() ||
      std::fflush(stdout) != 0) {
    std::perror("fpkestrova: cannot write the mended page");
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace kestrova

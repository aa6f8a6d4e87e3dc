// Feeds arbitrary bytes to the head scanner and the rewrite. Nothing may crash or read out of
// bounds, a failure may only be one of the two the rewrite documents, and every element of a new
// head must be a mending element or a page element in its normalised form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "mending/head_rewrite.h"
#include "mending/head_scanner.h"

namespace {

using kestrova::Failure;

// True when text is a sequence of allowed strings, each followed by CR LF.
bool IsLaidOutFrom(std::string_view text, const std::vector<std::string>& allowed) {
  std::vector<bool> reachable(text.size() + 1, false);
  reachable[0] = true;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (!reachable[at]) continue;
    for (const std::string& element : allowed) {
      const std::size_t end = at + element.size() + 2;
      if (end <= text.size() && text.compare(at, element.size(), element) == 0 &&
          text.compare(at + element.size(), 2, "\r\n") == 0) {
        reachable[end] = true;
      }
    }
  }
  return reachable[text.size()];
}

void CheckFailure(const Failure& failure) {
  if (failure.number() != kestrova::kErrInvalidArgument &&
      failure.number() != kestrova::kErrSubscriptOutOfRange) {
    std::abort();
  }
  if (failure.description().empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The mending head comes before the first NUL byte, the page head after it.
  const std::size_t split = input.find('\0');
  const std::string_view mending_text = input.substr(0, split);
  const std::string_view page_text =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  try {
    for (const auto& element : kestrova::ScanHeadElements(page_text)) {
      if (element.opening_length >= element.text.size()) std::abort();
      if (element.text.front() != '<' || element.text.back() != '>') std::abort();
    }
  } catch (const Failure& failure) {
    CheckFailure(failure);
  }

  try {
    const kestrova::MendingHead mending = kestrova::ReadMendingHead(mending_text);
    const std::string new_head = kestrova::RewritePageHead(page_text, mending);
    std::vector<std::string> allowed = mending.elements;
    for (const auto& element : kestrova::ScanHeadElements(page_text)) {
      allowed.emplace_back();
      kestrova::AppendNormalised(allowed.back(), element.text, element.opening_length);
    }
    if (!IsLaidOutFrom(new_head, allowed)) std::abort();
  } catch (const Failure& failure) {
    CheckFailure(failure);
  }
  return 0;
}

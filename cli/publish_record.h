// What a publish in the Linux host did, gathered while it runs: the downloads, the listed pages
// as the mend phase met them, and the failure that ended it.
#ifndef KESTROVA_CLI_PUBLISH_RECORD_H_
#define KESTROVA_CLI_PUBLISH_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

// One entry of the local inventory as the mend phase met it.
struct ListedPage {
  std::string entry;
  // The head's inner HTML before the mend phase, when the page existed and could be read.
  std::optional<std::string> head_before;
  // Whether the phase got to the entry, and whether it mended the page there.
  bool looked_at = false;
  bool mended = false;
  // Why the phase passed over an existing file, as it told the user.
  std::string note;
};

struct RecordedFailure {
  int number = 0;
  std::string description;
  std::string address;  // of the failed request; empty for none
};

struct PublishRecord {
  // Mending files stored, and how many the server listed (0 of 0 when nothing was downloaded).
  std::size_t entries_stored = 0;
  std::size_t entries_listed = 0;
  // Mending files fetched by a download that then failed or was cancelled, and so dropped with
  // the rest before any was put in place (entries_stored is then 0).
  std::size_t entries_dropped = 0;
  // Body bytes received from the server, inventory included.
  std::uint64_t bytes_received = 0;
  // The local inventory's entries in order, once the mend phase began.
  std::vector<ListedPage> pages;
  // The failure the add-in reported, when one did.
  std::optional<RecordedFailure> failure;
};

}  // namespace kestrova

#endif  // KESTROVA_CLI_PUBLISH_RECORD_H_

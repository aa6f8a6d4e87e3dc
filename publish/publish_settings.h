// The plain values that tune a publish: how many connections fetch mending files, how long a
// request may stay silent, how large a file the server may send. Options of one transfer control
// (which certificates libcurl trusts) belong to the host that makes the controls. A host fills
// them in once (the command line, the Windows add-in from WinINet's limits); nothing of
// the publish changes them.
#ifndef KESTROVA_PUBLISH_PUBLISH_SETTINGS_H_
#define KESTROVA_PUBLISH_PUBLISH_SETTINGS_H_

#include <cstddef>
#include <string>

namespace kestrova {

struct PublishSettings {
  // How many requests for mending files may run at once, each over its own connection to the
  // server; 1 fetches them one after another.
  int connections = 1;
  // The request time-out set on every connection before its first request, in seconds.
  int request_timeout_seconds = 30;
  // The most bytes the inventory or one mending file may have: far above any real site, so that
  // a server sending without end can fill neither memory nor disk.
  std::size_t max_body_bytes = std::size_t{64} << 20;
  // The most bytes the mending files of one publish may have together: they wait on the disk
  // under temporary names until the last has arrived, so a server listing entries without end
  // cannot fill the disk either.
  std::size_t max_staged_bytes = std::size_t{1} << 30;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_PUBLISH_SETTINGS_H_

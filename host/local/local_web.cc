#include "host/local/local_web.h"

namespace kestrova::host {

LocalWeb::LocalWeb(std::string path) : path_(std::move(path)) {
  while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
}

std::shared_ptr<WebFolder> LocalWeb::RootFolder() {
  return std::make_shared<LocalWebFolder>(path_);
}

}  // namespace kestrova::host

// A web of the Linux host: a folder on disk.
#ifndef KESTROVA_HOST_LOCAL_LOCAL_WEB_H_
#define KESTROVA_HOST_LOCAL_LOCAL_WEB_H_

#include <memory>
#include <string>

#include "host/web.h"

namespace kestrova::host {

class LocalWebFolder final : public WebFolder {
 public:
  explicit LocalWebFolder(std::string path) : path_(std::move(path)) {}
  std::string Location() const override { return path_; }

 private:
  std::string path_;
};

class LocalWeb final : public Web {
 public:
  // The web in the folder at path; trailing separators are dropped (but "/" stays "/").
  explicit LocalWeb(std::string path);
  std::shared_ptr<WebFolder> RootFolder() override;

 private:
  std::string path_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_LOCAL_LOCAL_WEB_H_

// A web open in the host and its root folder.
#ifndef KESTROVA_HOST_WEB_H_
#define KESTROVA_HOST_WEB_H_

#include <memory>
#include <string>

namespace kestrova::host {

class WebFolder {
 public:
  virtual ~WebFolder() = default;
  // The folder's local path, without a trailing separator.
  virtual std::string Location() const = 0;
};

class Web {
 public:
  virtual ~Web() = default;
  virtual std::shared_ptr<WebFolder> RootFolder() = 0;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_WEB_H_

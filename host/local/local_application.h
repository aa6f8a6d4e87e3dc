// The Linux host application: webs are folders, pages open in an editor that reads and writes
// their files through the FileSystem it is given, the menu is an in-memory model, and the web
// events are raised by whoever drives the host (the fpkestrova program, the tests).
#ifndef KESTROVA_HOST_LOCAL_LOCAL_APPLICATION_H_
#define KESTROVA_HOST_LOCAL_LOCAL_APPLICATION_H_

#include <memory>
#include <string>
#include <vector>

#include "host/application.h"
#include "host/local/local_command_bars.h"
#include "host/local/local_page_window.h"
#include "platform/files/file_system.h"
#include "platform/files/staging_file_system.h"

namespace kestrova::host {

class LocalApplication final : public Application {
 public:
  // Pages are read and saved through files, which must outlive the application.
  explicit LocalApplication(FileSystem& files);

  std::shared_ptr<kestrova::host::CommandBars> CommandBars() override { return command_bars_; }
  std::shared_ptr<PageWindow> ActivePageWindow() override;
  std::shared_ptr<PageWindow> LocatePage(const std::string& path, int view_mode) override;
  // Pages saved meanwhile are staged beside their files and read back as saved; the commit puts
  // them in place in one transaction (their bytes on the disk first, then the names).
  void BeginPageChanges() override;
  void CommitPageChanges() override;
  void AbandonPageChanges() noexcept override;
  void Advise(ApplicationEvents* events) override;
  void Unadvise() override;

  // Raise the web events on the connected receiver; without one they do nothing.
  void RaiseWebNew(Web& web);
  void RaiseWebOpen(Web& web);
  void RaiseBeforeWebPublish(Web& web, std::string& destination, bool& cancel);

  const std::shared_ptr<LocalCommandBars>& local_command_bars() const { return command_bars_; }
  // The page windows still open, the active one last.
  const std::vector<std::shared_ptr<LocalPageWindow>>& open_windows() const { return windows_; }

 private:
  void OnActivate(LocalPageWindow* window);
  void OnClose(LocalPageWindow* window);

  // Closes every open window unsaved.
  void CloseOpenWindows();

  FileSystem& files_;
  // The pages saved since BeginPageChanges, staged; null outside page changes.
  std::unique_ptr<StagingFileSystem> page_changes_;
  std::shared_ptr<LocalCommandBars> command_bars_;
  std::vector<std::shared_ptr<LocalPageWindow>> windows_;
  ApplicationEvents* events_ = nullptr;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_LOCAL_LOCAL_APPLICATION_H_

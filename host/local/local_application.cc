#include "host/local/local_application.h"

#include <algorithm>

#include "base/failure.h"

namespace kestrova::host {

LocalApplication::LocalApplication(FileSystem& files)
    : files_(files), command_bars_(std::make_shared<LocalCommandBars>()) {}

std::shared_ptr<PageWindow> LocalApplication::ActivePageWindow() {
  if (windows_.empty()) RaiseProgramError(kErrInvalidArgument, "No page window is open.");
  return windows_.back();
}

std::shared_ptr<PageWindow> LocalApplication::LocatePage(const std::string& path,
                                                         int /*view_mode*/) {
  // A page already open comes back in the window that holds it, as in FrontPage.
  for (const auto& window : windows_) {
    if (window->path() == path) return window;
  }
  auto window = std::make_shared<LocalPageWindow>(
      page_changes_ ? *page_changes_ : files_, path, [this](LocalPageWindow* w) { OnActivate(w); },
      [this](LocalPageWindow* w) { OnClose(w); });
  // A new window opens behind the active one; Activate brings it to the front.
  windows_.insert(windows_.empty() ? windows_.end() : windows_.end() - 1, window);
  return window;
}

void LocalApplication::OnActivate(LocalPageWindow* window) {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [window](const auto& w) { return w.get() == window; });
  if (it != windows_.end()) std::rotate(it, it + 1, windows_.end());
}

void LocalApplication::OnClose(LocalPageWindow* window) {
  std::erase_if(windows_, [window](const auto& w) { return w.get() == window; });
}

void LocalApplication::BeginPageChanges() {
  AbandonPageChanges();
  page_changes_ = std::make_unique<StagingFileSystem>(files_);
}

void LocalApplication::CommitPageChanges() {
  // A window still open reads through the staging: it is closed first, unsaved.
  CloseOpenWindows();
  const std::unique_ptr<StagingFileSystem> staged = std::move(page_changes_);
  if (staged) staged->Commit();
}

void LocalApplication::AbandonPageChanges() noexcept {
  if (!page_changes_) return;
  CloseOpenWindows();
  page_changes_.reset();
}

void LocalApplication::CloseOpenWindows() {
  const auto open = windows_;
  for (const auto& window : open) {
    if (!window->closed()) window->Close(false);
  }
  windows_.clear();
}

void LocalApplication::Advise(ApplicationEvents* events) { events_ = events; }

void LocalApplication::Unadvise() { events_ = nullptr; }

void LocalApplication::RaiseWebNew(Web& web) {
  if (events_ != nullptr) events_->OnWebNew(web);
}

void LocalApplication::RaiseWebOpen(Web& web) {
  if (events_ != nullptr) events_->OnWebOpen(web);
}

void LocalApplication::RaiseBeforeWebPublish(Web& web, std::string& destination, bool& cancel) {
  if (events_ != nullptr) events_->OnBeforeWebPublish(web, destination, cancel);
}

}  // namespace kestrova::host

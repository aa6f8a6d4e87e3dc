#include "host/local/local_page_window.h"

#include <string>
#include <utility>

#include "base/failure.h"

namespace kestrova::host {

LocalPageWindow::LocalPageWindow(FileSystem& files, std::string path,
                                 std::function<void(LocalPageWindow*)> on_activate,
                                 std::function<void(LocalPageWindow*)> on_close)
    : files_(files),
      path_(std::move(path)),
      on_activate_(std::move(on_activate)),
      on_close_(std::move(on_close)) {
  // Only as much of a large file is read as holds its head: a mending file is opened for its head
  // alone. The head is taken as found once what follows its end is long enough that no token cut
  // off by the end of a piece can have decided it; a head that never ends is read to the end.
  FileStart start = files_.ReadFileStart(path_, HeadHasEnded);
  bytes_ = std::move(start.bytes);
  whole_ = start.whole;
  head_ = LocateHead(bytes_);
  // A raw text element or template left open takes the rest of the file into the head, body and
  // all: such a file is refused as it stands.
  CheckHeadIsClosed(head_);
}

void LocalPageWindow::CheckOpen() const {
  if (closed_) {
    RaiseProgramError(kErrInvalidArgument, "The page window of \"" + path_ + "\" has been closed.");
  }
}

void LocalPageWindow::Activate() {
  CheckOpen();
  if (on_activate_) on_activate_(this);
}

std::shared_ptr<PageDocument> LocalPageWindow::Document() {
  CheckOpen();
  return std::make_shared<LocalPageDocument>(shared_from_this());
}

bool LocalPageWindow::IsDirty() {
  CheckOpen();
  return new_head_.has_value() && *new_head_ != HeadInnerHtml(bytes_, head_);
}

void LocalPageWindow::Close(bool save) {
  CheckOpen();
  // Only a changed head is written: a page whose head came out as it was keeps its file, and
  // with it its time stamp.
  if (save && IsDirty()) {
    if (!whole_) {
      // Saved, the page is written whole: the rest of it is read now.
      bytes_ = files_.ReadWholeFile(path_);
      head_ = LocateHead(bytes_);
      whole_ = true;
    }
    // The new bytes reach the disk before the rename, so a power cut leaves the old page or the
    // new one, never an empty one. Within page changes the page is staged instead, and its bytes
    // are flushed with the others' when they are committed. The rename is not waited for: lost,
    // it leaves the old page, which the next publish mends again. The pieces around the new head
    // go to the file as they are, never joined in memory.
    WriteWholeFile(files_, path_, HeadReplacementPieces(bytes_, head_, *new_head_),
                   CommitDurability::kBytesBeforeName);
  }
  const auto keep_alive = shared_from_this();  // the application drops its reference below
  closed_ = true;
  bytes_.clear();
  bytes_.shrink_to_fit();
  new_head_.reset();
  if (on_close_) on_close_(this);
}

LocalPageDocument::LocalPageDocument(std::shared_ptr<LocalPageWindow> window)
    : window_(std::move(window)) {}

std::string LocalPageDocument::HeadInnerHtml() const {
  window_->CheckOpen();
  if (window_->new_head_.has_value()) return *window_->new_head_;
  return std::string(kestrova::HeadInnerHtml(window_->bytes_, window_->head_));
}

void LocalPageDocument::SetHeadInnerHtml(std::string_view inner_html) {
  window_->CheckOpen();
  window_->new_head_ = std::string(inner_html);
}

}  // namespace kestrova::host

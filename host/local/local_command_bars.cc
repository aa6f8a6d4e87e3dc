#include "host/local/local_command_bars.h"

#include <algorithm>
#include <utility>

#include "base/failure.h"

namespace kestrova::host {
namespace {

constexpr std::string_view kHostSource = "CommandBars";

[[noreturn]] void RaiseHostError(std::int32_t number, std::string description) {
  throw Failure(number, std::string(kHostSource), std::move(description));
}

}  // namespace

LocalCommandBarControl::LocalCommandBarControl(std::int32_t type, std::string caption,
                                               bool temporary, LocalCommandBarControls* owner)
    : type_(type), caption_(std::move(caption)), temporary_(temporary), owner_(owner) {
  if (type_ == kControlPopup) children_ = std::make_shared<LocalCommandBarControls>();
}

void LocalCommandBarControl::CheckAlive() const {
  if (owner_ == nullptr) {
    RaiseHostError(kErrInvalidArgument, "The control \"" + caption_ + "\" has been deleted.");
  }
}

void LocalCommandBarControl::SetCaption(std::string_view caption) {
  CheckAlive();
  caption_ = caption;
}

bool LocalCommandBarControl::Enabled() const {
  CheckAlive();
  return enabled_;
}

void LocalCommandBarControl::SetEnabled(bool enabled) {
  CheckAlive();
  enabled_ = enabled;
}

void LocalCommandBarControl::Delete() {
  CheckAlive();
  if (children_) {
    for (const auto& child : children_->controls()) child->owner_ = nullptr;
  }
  owner_->Remove(this);
  owner_ = nullptr;
}

std::shared_ptr<CommandBarControls> LocalCommandBarControl::Controls() {
  CheckAlive();
  if (!children_) {
    RaiseHostError(kErrInvalidArgument, "The control \"" + caption_ + "\" holds no controls.");
  }
  return children_;
}

void LocalCommandBarControl::SetClickHandler(ClickHandler handler) {
  click_handler_ = std::move(handler);
}

bool LocalCommandBarControl::Click() {
  if (owner_ == nullptr || !enabled_) return false;
  if (click_handler_) {
    // Keep the control alive while its handler runs, whatever the handler drops.
    const auto self = shared_from_this();
    bool cancel_default = false;
    click_handler_(*this, cancel_default);
  }
  return true;
}

std::shared_ptr<CommandBarControl> LocalCommandBarControls::Add(
    std::int32_t type, std::optional<std::int32_t> /*id*/, std::optional<std::string> /*parameter*/,
    std::optional<std::int16_t> before, bool temporary) {
  if (type != kControlButton && type != kControlPopup) {
    RaiseHostError(kErrInvalidArgument, "Unknown control type " + std::to_string(type) + ".");
  }
  auto control = std::make_shared<LocalCommandBarControl>(type, std::string(), temporary, this);
  std::size_t at = controls_.size();
  if (before.has_value()) {
    if (*before < 1) RaiseHostError(kErrInvalidArgument, "Invalid position for a new control.");
    at = std::min(static_cast<std::size_t>(*before - 1), controls_.size());
  }
  controls_.insert(controls_.begin() + static_cast<std::ptrdiff_t>(at), control);
  return control;
}

std::int32_t LocalCommandBarControls::Count() const {
  return static_cast<std::int32_t>(controls_.size());
}

std::shared_ptr<CommandBarControl> LocalCommandBarControls::Item(std::int32_t index) {
  if (index < 1 || static_cast<std::size_t>(index) > controls_.size()) {
    RaiseHostError(kErrSubscriptOutOfRange,
                   "There is no control at position " + std::to_string(index) + ".");
  }
  return controls_[static_cast<std::size_t>(index - 1)];
}

void LocalCommandBarControls::AddBuiltIn(std::int32_t type, std::string caption) {
  controls_.push_back(
      std::make_shared<LocalCommandBarControl>(type, std::move(caption), false, this));
}

void LocalCommandBarControls::Remove(const LocalCommandBarControl* control) {
  std::erase_if(controls_, [control](const auto& c) { return c.get() == control; });
}

LocalCommandBar::LocalCommandBar(std::string name)
    : name_(std::move(name)), controls_(std::make_shared<LocalCommandBarControls>()) {}

LocalCommandBars::LocalCommandBars() : menu_bar_(std::make_shared<LocalCommandBar>("Menu Bar")) {
  for (const char* caption : {"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools", "T&able",
                              "Fra&mes", "&Window", "&Help"}) {
    menu_bar_->local_controls()->AddBuiltIn(kControlPopup, caption);
  }
}

std::shared_ptr<CommandBar> LocalCommandBars::Item(std::string_view name) {
  if (name == menu_bar_->Name()) return menu_bar_;
  RaiseHostError(kErrInvalidArgument, "There is no command bar \"" + std::string(name) + "\".");
}

}  // namespace kestrova::host

#include "host/frontpage/frontpage_command_bars.h"

#include <utility>

#include "host/frontpage/button_click_sink.h"
#include "host/frontpage/frontpage_ids.h"
#include "host/frontpage/variant_values.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

using frontpage::DispatchFrom;
using win32::GetProperty;
using win32::PutProperty;

FrontPageCommandBarControl::FrontPageCommandBarControl(win32::ComPtr<IDispatch> control)
    : control_(std::move(control)) {}

std::string FrontPageCommandBarControl::Caption() const {
  return frontpage::TextFrom(GetProperty(control_.Get(), L"Caption"));
}

void FrontPageCommandBarControl::SetCaption(std::string_view caption) {
  PutProperty(control_.Get(), L"Caption", frontpage::TextArgument(caption).Get());
}

bool FrontPageCommandBarControl::Enabled() const {
  return frontpage::BoolFrom(GetProperty(control_.Get(), L"Enabled"));
}

void FrontPageCommandBarControl::SetEnabled(bool enabled) {
  PutProperty(control_.Get(), L"Enabled", frontpage::BoolArgument(enabled).Get());
}

std::int32_t FrontPageCommandBarControl::Type() const {
  return frontpage::Int32From(GetProperty(control_.Get(), L"Type"));
}

void FrontPageCommandBarControl::Delete() { win32::CallMethod(control_.Get(), L"Delete"); }

std::shared_ptr<CommandBarControls> FrontPageCommandBarControl::Controls() {
  return std::make_shared<FrontPageCommandBarControls>(
      DispatchFrom(GetProperty(control_.Get(), L"Controls")));
}

void FrontPageCommandBarControl::SetClickHandler(ClickHandler handler) {
  click_.reset();
  if (!handler) return;
  auto sink = win32::ComPtr<frontpage::EventSink>::Attach(
      new frontpage::ButtonClickSink(*this, std::move(handler)));
  click_ = std::make_unique<frontpage::EventSubscription>(
      control_.Get(), frontpage::kCommandBarButtonEventsId, std::move(sink));
}

FrontPageCommandBarControls::FrontPageCommandBarControls(win32::ComPtr<IDispatch> controls)
    : controls_(std::move(controls)) {}

std::shared_ptr<CommandBarControl> FrontPageCommandBarControls::Add(
    std::int32_t type, std::optional<std::int32_t> id, std::optional<std::string> parameter,
    std::optional<std::int16_t> before, bool temporary) {
  const auto type_argument = win32::UniqueVariant::FromInt32(type);
  const auto id_argument = id ? win32::UniqueVariant::FromInt32(*id) : frontpage::MissingArgument();
  const auto parameter_argument =
      parameter ? frontpage::TextArgument(*parameter) : frontpage::MissingArgument();
  const auto before_argument =
      before ? frontpage::Int16Argument(*before) : frontpage::MissingArgument();
  const auto temporary_argument = frontpage::BoolArgument(temporary);
  return std::make_shared<FrontPageCommandBarControl>(DispatchFrom(
      win32::CallMethod(controls_.Get(), L"Add",
                        {&type_argument.Get(), &id_argument.Get(), &parameter_argument.Get(),
                         &before_argument.Get(), &temporary_argument.Get()})));
}

std::int32_t FrontPageCommandBarControls::Count() const {
  return frontpage::Int32From(GetProperty(controls_.Get(), L"Count"));
}

std::shared_ptr<CommandBarControl> FrontPageCommandBarControls::Item(std::int32_t index) {
  const auto index_argument = win32::UniqueVariant::FromInt32(index);
  return std::make_shared<FrontPageCommandBarControl>(
      DispatchFrom(win32::CallItem(controls_.Get(), L"Item", {&index_argument.Get()})));
}

FrontPageCommandBar::FrontPageCommandBar(win32::ComPtr<IDispatch> bar) : bar_(std::move(bar)) {}

std::string FrontPageCommandBar::Name() const {
  return frontpage::TextFrom(GetProperty(bar_.Get(), L"Name"));
}

std::shared_ptr<CommandBarControls> FrontPageCommandBar::Controls() {
  return std::make_shared<FrontPageCommandBarControls>(
      DispatchFrom(GetProperty(bar_.Get(), L"Controls")));
}

FrontPageCommandBars::FrontPageCommandBars(win32::ComPtr<IDispatch> bars)
    : bars_(std::move(bars)) {}

std::shared_ptr<CommandBar> FrontPageCommandBars::Item(std::string_view name) {
  const auto name_argument = frontpage::TextArgument(name);
  return std::make_shared<FrontPageCommandBar>(
      DispatchFrom(win32::CallItem(bars_.Get(), L"Item", {&name_argument.Get()})));
}

}  // namespace kestrova::host

// FrontPage's Office command bars over their automation objects: CommandBars, a CommandBar, its
// CommandBarControls and the controls on it.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_COMMAND_BARS_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_COMMAND_BARS_H_

#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/command_bars.h"
#include "host/frontpage/event_sink.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/dispatch_call.h"

namespace kestrova::host {

class FrontPageCommandBarControl final : public CommandBarControl {
 public:
  // Holds a reference to the host's CommandBarControl (a button or a popup).
  explicit FrontPageCommandBarControl(win32::ComPtr<IDispatch> control);

  std::string Caption() const override;
  void SetCaption(std::string_view caption) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  // The host's own Type property.
  std::int32_t Type() const override;
  void Delete() override;
  // The popup's Controls; a button has none, and the host's refusal raises.
  std::shared_ptr<CommandBarControls> Controls() override;
  // Connects a sink to the button's Click event (_CommandBarButtonEvents) that calls handler with
  // this control; the handler bound before is disconnected first, and an empty handler only
  // disconnects. Raises a Failure when the host refuses the connection.
  void SetClickHandler(ClickHandler handler) override;

 private:
  win32::HostPtr<IDispatch> control_;
  std::unique_ptr<frontpage::EventSubscription> click_;
};

class FrontPageCommandBarControls final : public CommandBarControls {
 public:
  // Holds a reference to the host's CommandBarControls collection.
  explicit FrontPageCommandBarControls(win32::ComPtr<IDispatch> controls);

  // Add(Type, Id, Parameter, Before, Temporary) with Type and Id as VT_I4, Parameter as VT_BSTR,
  // Before as VT_I2 and Temporary as VT_BOOL; an absent argument goes as a missing one.
  std::shared_ptr<CommandBarControl> Add(std::int32_t type, std::optional<std::int32_t> id,
                                         std::optional<std::string> parameter,
                                         std::optional<std::int16_t> before,
                                         bool temporary) override;
  std::int32_t Count() const override;
  // Item(index) with index as VT_I4.
  std::shared_ptr<CommandBarControl> Item(std::int32_t index) override;

 private:
  win32::HostPtr<IDispatch> controls_;
};

class FrontPageCommandBar final : public CommandBar {
 public:
  // Holds a reference to the host's CommandBar.
  explicit FrontPageCommandBar(win32::ComPtr<IDispatch> bar);
  std::string Name() const override;
  std::shared_ptr<CommandBarControls> Controls() override;

 private:
  win32::HostPtr<IDispatch> bar_;
};

class FrontPageCommandBars final : public CommandBars {
 public:
  // Holds a reference to the host's CommandBars collection.
  explicit FrontPageCommandBars(win32::ComPtr<IDispatch> bars);
  // Item(name) with name as VT_BSTR.
  std::shared_ptr<CommandBar> Item(std::string_view name) override;

 private:
  win32::HostPtr<IDispatch> bars_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_COMMAND_BARS_H_

// The host's command bars as the add-in uses them: the menu bar, the controls on it, a popup's own
// controls, and a button's Click event.
#ifndef KESTROVA_HOST_COMMAND_BARS_H_
#define KESTROVA_HOST_COMMAND_BARS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova::host {

// Control types of CommandBarControls::Add.
inline constexpr std::int32_t kControlButton = 1;
inline constexpr std::int32_t kControlPopup = 10;

class CommandBarControls;

// A control on a command bar: a button or a popup. Every failing call raises a Failure with the
// host's own description.
class CommandBarControl {
 public:
  // What a button's Click handler receives: whether Ctrl was held, and the flag that would cancel
  // the host's own action for the button (left as it is by the add-in).
  using ClickHandler = std::function<void(CommandBarControl& control, bool& cancel_default)>;

  virtual ~CommandBarControl() = default;

  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // The type the control was added with (kControlButton, kControlPopup).
  virtual std::int32_t Type() const = 0;
  // Removes the control (and a popup's own controls) from its bar.
  virtual void Delete() = 0;
  // A popup's own controls; raises a Failure for a button.
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
  // Binds the button's Click event to handler (one handler a button; an empty one unbinds).
  virtual void SetClickHandler(ClickHandler handler) = 0;
};

// The controls of a command bar or a popup, in their order on it.
class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;

  // Adds a control of type before the control at the 1-based position before (at the end when
  // before is absent or past the end). A temporary control goes when the host closes. Id and
  // parameter are the host's own control id and tag; the add-in leaves them out.
  virtual std::shared_ptr<CommandBarControl> Add(std::int32_t type, std::optional<std::int32_t> id,
                                                 std::optional<std::string> parameter,
                                                 std::optional<std::int16_t> before,
                                                 bool temporary) = 0;
  virtual std::int32_t Count() const = 0;
  // The control at the 1-based position index; raises a Failure when there is none.
  virtual std::shared_ptr<CommandBarControl> Item(std::int32_t index) = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() const = 0;
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  // The bar of that name, "Menu Bar" for the menu bar; raises a Failure when there is none.
  virtual std::shared_ptr<CommandBar> Item(std::string_view name) = 0;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_COMMAND_BARS_H_

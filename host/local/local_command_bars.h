// The command bars of the Linux host: an in-memory menu model with the menu bar of FrontPage 2000
// (File to Help), so that controls added before a position land where they would in FrontPage.
#ifndef KESTROVA_HOST_LOCAL_LOCAL_COMMAND_BARS_H_
#define KESTROVA_HOST_LOCAL_LOCAL_COMMAND_BARS_H_

#include <memory>
#include <string>
#include <vector>

#include "host/command_bars.h"

namespace kestrova::host {

class LocalCommandBarControls;

class LocalCommandBarControl final : public CommandBarControl,
                                     public std::enable_shared_from_this<LocalCommandBarControl> {
 public:
  LocalCommandBarControl(std::int32_t type, std::string caption, bool temporary,
                         LocalCommandBarControls* owner);

  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  std::int32_t Type() const override { return type_; }
  void Delete() override;
  std::shared_ptr<CommandBarControls> Controls() override;
  void SetClickHandler(ClickHandler handler) override;

  bool temporary() const { return temporary_; }
  // True once the control was deleted from its bar.
  bool deleted() const { return owner_ == nullptr; }
  // Clicks the button as a user would: a disabled or deleted control does nothing and returns
  // false. The handler's failures reach the caller.
  bool Click();

 private:
  friend class LocalCommandBarControls;
  void CheckAlive() const;

  std::int32_t type_;
  std::string caption_;
  bool enabled_ = true;
  bool temporary_;
  LocalCommandBarControls* owner_;
  std::shared_ptr<LocalCommandBarControls> children_;
  ClickHandler click_handler_;
};

class LocalCommandBarControls final : public CommandBarControls {
 public:
  std::shared_ptr<CommandBarControl> Add(std::int32_t type, std::optional<std::int32_t> id,
                                         std::optional<std::string> parameter,
                                         std::optional<std::int16_t> before,
                                         bool temporary) override;
  std::int32_t Count() const override;
  std::shared_ptr<CommandBarControl> Item(std::int32_t index) override;

  // The controls in their order.
  const std::vector<std::shared_ptr<LocalCommandBarControl>>& controls() const { return controls_; }
  // Adds a control of the host's own at the end.
  void AddBuiltIn(std::int32_t type, std::string caption);
  // Removes control from the list (the control's Delete).
  void Remove(const LocalCommandBarControl* control);

 private:
  std::vector<std::shared_ptr<LocalCommandBarControl>> controls_;
};

class LocalCommandBar final : public CommandBar {
 public:
  explicit LocalCommandBar(std::string name);
  std::string Name() const override { return name_; }
  std::shared_ptr<CommandBarControls> Controls() override { return controls_; }
  const std::shared_ptr<LocalCommandBarControls>& local_controls() const { return controls_; }

 private:
  std::string name_;
  std::shared_ptr<LocalCommandBarControls> controls_;
};

class LocalCommandBars final : public CommandBars {
 public:
  // Starts with the "Menu Bar" of FrontPage 2000.
  LocalCommandBars();
  std::shared_ptr<CommandBar> Item(std::string_view name) override;
  const std::shared_ptr<LocalCommandBar>& menu_bar() const { return menu_bar_; }

 private:
  std::shared_ptr<LocalCommandBar> menu_bar_;
};

}  // namespace kestrova::host

#endif  // KESTROVA_HOST_LOCAL_LOCAL_COMMAND_BARS_H_

// The sink of a command bar button's Click event: calls the add-in's handler with the button and
// the host's CancelDefault flag, and writes the flag back.
#ifndef KESTROVA_HOST_FRONTPAGE_BUTTON_CLICK_SINK_H_
#define KESTROVA_HOST_FRONTPAGE_BUTTON_CLICK_SINK_H_

#include "host/command_bars.h"
#include "host/frontpage/event_sink.h"

namespace kestrova::host::frontpage {

class ButtonClickSink final : public EventSink {
 public:
  // button must stay alive until Disconnect; it is what the handler receives as the clicked
  // control. The new sink holds one reference, its creator's.
  ButtonClickSink(CommandBarControl& button, CommandBarControl::ClickHandler handler);

 private:
  void OnEvent(DISPID id, DISPPARAMS& params) override;

  CommandBarControl& button_;
  CommandBarControl::ClickHandler handler_;
};

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_BUTTON_CLICK_SINK_H_

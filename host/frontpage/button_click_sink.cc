#include "host/frontpage/button_click_sink.h"

#include <utility>

#include "host/frontpage/event_arguments.h"
#include "host/frontpage/frontpage_ids.h"

namespace kestrova::host::frontpage {

ButtonClickSink::ButtonClickSink(CommandBarControl& button, CommandBarControl::ClickHandler handler)
    : EventSink(kCommandBarButtonEventsId), button_(button), handler_(std::move(handler)) {}

void ButtonClickSink::OnEvent(DISPID id, DISPPARAMS& params) {
  if (id != kClickId || !handler_) return;
  // Click(Ctrl, CancelDefault): the handler gets our own view of the button, not the Ctrl the
  // host passes, since both are the same control.
  VARIANT& cancel_argument = EventArgument(params, 1);
  bool cancel_default = EventBool(cancel_argument);
  const bool cancel_before = cancel_default;
  handler_(button_, cancel_default);
  if (cancel_default != cancel_before) SetEventBool(cancel_argument, cancel_default);
}

}  // namespace kestrova::host::frontpage

#include "host/frontpage/application_events_sink.h"

#include <string>

#include "host/frontpage/event_arguments.h"
#include "host/frontpage/frontpage_ids.h"
#include "host/frontpage/frontpage_web.h"

namespace kestrova::host::frontpage {

ApplicationEventsSink::ApplicationEventsSink(ApplicationEvents& receiver,
                                             const ApplicationEventIds& ids) noexcept
    : EventSink(kApplicationEventsId), receiver_(receiver), ids_(ids) {}

void ApplicationEventsSink::OnEvent(DISPID id, DISPPARAMS& params) {
  if (id == ids_.web_new) {
    FrontPageWeb web(EventObject(EventArgument(params, 0)));
    receiver_.OnWebNew(web);
    return;
  }
  if (id == ids_.web_open) {
    FrontPageWeb web(EventObject(EventArgument(params, 0)));
    receiver_.OnWebOpen(web);
    return;
  }
  // The host's other application events (page and window events, OnWebClose, OnAfterWebPublish)
  // are answered with success and ignored.
  if (id != ids_.before_web_publish) return;
  FrontPageWeb web(EventObject(EventArgument(params, 0)));
  VARIANT& destination_argument = EventArgument(params, 1);
  VARIANT& cancel_argument = EventArgument(params, 2);
  std::string destination = EventText(destination_argument);
  bool cancel = EventBool(cancel_argument);
  const std::string destination_before = destination;
  // Whatever the handler left in the two flags goes back, also when it fails: a handler that
  // asked for the publish to stop must not see it go on because of a later error.
  struct WriteBack {
    VARIANT& destination_argument;
    VARIANT& cancel_argument;
    const std::string& destination;
    const std::string& destination_before;
    const bool& cancel;
    ~WriteBack() {
      try {
        if (destination != destination_before) {
          SetEventText(destination_argument, destination);
        }
        SetEventBool(cancel_argument, cancel);
      } catch (...) {
        // Out of memory for the new string: the host keeps its own destination.
      }
    }
  } write_back{destination_argument, cancel_argument, destination, destination_before, cancel};
  receiver_.OnBeforeWebPublish(web, destination, cancel);
}

}  // namespace kestrova::host::frontpage

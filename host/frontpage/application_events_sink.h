// The sink of FrontPage's application events: hands OnWebNew, OnWebOpen and OnBeforeWebPublish to
// the add-in's receiver and writes Destination and Cancel back to the host.
#ifndef KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENTS_SINK_H_
#define KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENTS_SINK_H_

#include "host/application.h"
#include "host/frontpage/application_event_ids.h"
#include "host/frontpage/event_sink.h"

namespace kestrova::host::frontpage {

class ApplicationEventsSink final : public EventSink {
 public:
  // receiver must stay alive until Disconnect; ids are the host's numbers of the three events. The
  // new sink holds one reference, its creator's.
  ApplicationEventsSink(ApplicationEvents& receiver, const ApplicationEventIds& ids) noexcept;

 private:
  // The host's other application events (page and window events, OnWebClose, OnAfterWebPublish)
  // are answered with success and ignored.
  void OnEvent(DISPID id, DISPPARAMS& params) override;

  ApplicationEvents& receiver_;
  const ApplicationEventIds ids_;
};

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENTS_SINK_H_

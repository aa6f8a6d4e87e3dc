// The DISPIDs of the three application events the add-in handles, as the running host numbers
// them: looked up by name in the type information the host's application offers, with the numbers
// FrontPage 2000 uses where it offers none.
#ifndef KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENT_IDS_H_
#define KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENT_IDS_H_

#include <oaidl.h>

#include "host/frontpage/frontpage_ids.h"

namespace kestrova::host::frontpage {

struct ApplicationEventIds {
  DISPID web_new = kOnWebNewId;
  DISPID web_open = kOnWebOpenId;
  DISPID before_web_publish = kOnBeforeWebPublishId;
};

// Finds the application's type library through IProvideClassInfo::GetClassInfo, else through
// IDispatch::GetTypeInfo (each then GetContainingTypeLib), takes the description of the events
// interface _IApplicationEvents from it by its IID and looks OnWebNew, OnWebOpen and
// OnBeforeWebPublish up by name. Every id that cannot be found this way keeps its usual number.
ApplicationEventIds LookUpApplicationEventIds(IDispatch* application) noexcept;

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_APPLICATION_EVENT_IDS_H_

// The ids of the host's objects that the add-in reaches: FrontPage's application class, and the
// event interfaces it receives with the members it handles.
#ifndef KESTROVA_HOST_FRONTPAGE_FRONTPAGE_IDS_H_
#define KESTROVA_HOST_FRONTPAGE_FRONTPAGE_IDS_H_

#include <oaidl.h>

namespace kestrova::host::frontpage {

// FrontPage's Application class: creating it from inside the running host gives that host.
inline constexpr CLSID kFrontPageApplicationClassId = {
    0x04DF1015, 0x7007, 0x11D1, {0x83, 0xBC, 0x00, 0x60, 0x97, 0xAB, 0xE6, 0x75}};

// FrontPage's application events, _IApplicationEvents.
inline constexpr IID kApplicationEventsId = {
    0xF5D15700, 0xE9D8, 0x11D1, {0xB0, 0xDF, 0x00, 0xC0, 0x4F, 0xA3, 0x0A, 0x8B}};
inline constexpr DISPID kOnWebNewId = 1;
inline constexpr DISPID kOnWebOpenId = 2;
inline constexpr DISPID kOnBeforeWebPublishId = 4;

// Office's command bar button events, _CommandBarButtonEvents.
inline constexpr IID kCommandBarButtonEventsId = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kClickId = 1;

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_FRONTPAGE_IDS_H_

// The Kestrova service's web addresses.
#ifndef KESTROVA_UI_SERVICE_SITE_H_
#define KESTROVA_UI_SERVICE_SITE_H_

#include <string_view>

namespace kestrova {

inline constexpr std::string_view kServiceHost = "www.kestrova.com";
// The service's web site, opened from the About window.
inline constexpr std::string_view kServiceSiteUrl = "http://www.kestrova.com";
// The subscription page, opened by Register.
inline constexpr std::string_view kSubscribeUrl = "https://www.kestrova.com/subscribe.html";

}  // namespace kestrova

#endif  // KESTROVA_UI_SERVICE_SITE_H_

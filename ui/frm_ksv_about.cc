#include "ui/frm_ksv_about.h"

#include "ui/service_site.h"

namespace kestrova {

void FrmKSVAbout::Picture2_Click() {
  visible_ = false;
  browser_.Navigate(kServiceSiteUrl);
}

}  // namespace kestrova

#include "ui/frm_not_client.h"

#include "ui/service_site.h"

namespace kestrova {

void FrmNotClient::CancelButton_Click() {
  cancel_ = true;
  visible_ = false;
}

void FrmNotClient::RegisterButton_Click() {
  register_ = true;
  visible_ = false;
  browser_.Navigate(kSubscribeUrl);
}

}  // namespace kestrova

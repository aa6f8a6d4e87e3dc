// The add-in as it runs inside FrontPage: the portable FPKestrova, bound to the host application
// that the connection hands over, with the Windows parts it works with (the message-pumping wait,
// WinINet transfers, Win32 windows, the file system, the browser and the system's own date
// conversion).
#ifndef KESTROVA_ADDIN_COM_WINDOWS_ADDIN_H_
#define KESTROVA_ADDIN_COM_WINDOWS_ADDIN_H_

#include <memory>

#include "addin/com/registry_mended_heads.h"
#include "addin/fp_kestrova.h"
#include "base/failure.h"
#include "platform/files/win32/win32_file_system.h"
#include "platform/pump/win32/win32_event_pump.h"
#include "platform/win32/win32_browser.h"
#include "publish/publish_services.h"
#include "ui/win32/win32_user_interface.h"

namespace kestrova::com {

class WindowsAddin {
 public:
  // Creates the add-in without a host application: nothing of FrontPage is called here. Raises a
  // Failure when a Windows part (the pump's window, say) cannot be made.
  WindowsAddin();
  ~WindowsAddin();
  WindowsAddin(const WindowsAddin&) = delete;
  WindowsAddin& operator=(const WindowsAddin&) = delete;

  FPKestrova& addin() { return *addin_; }

  // Asks the work under way (a publish's requests and page loop) to stop, as Cancel does.
  void CancelWork() const noexcept { pump_.PostCancel(); }

 private:
  win32::Win32EventPump pump_;
  win32::Win32FileSystem files_;
  win32::Win32Browser browser_;
  LastError last_error_;
  RegistryMendedHeads mended_heads_;
  win32::Win32UserInterface ui_{&pump_};
  PublishServices services_;
  PublishSettings settings_;
  std::unique_ptr<FPKestrova> addin_;
};

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_WINDOWS_ADDIN_H_

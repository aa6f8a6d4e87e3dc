// The status window frmMending as a real window: the step label, Cancel, the status bar docked at
// the bottom and the seven animation pictures stacked in their frame. It is modeless, in the
// taskbar, centred and owned by FrontPage's main window; it draws what the model's view callbacks
// tell it and passes Cancel clicks (and Esc) to the model. Given the event pump, it is the pump's
// cancel window, so that Cancel is heard between the pages of the mend phase too, where nothing
// else pumps.
#ifndef KESTROVA_UI_WIN32_STATUS_WINDOW_H_
#define KESTROVA_UI_WIN32_STATUS_WINDOW_H_

#include <windows.h>

#include <array>
#include <cstddef>
#include <string>

#include "platform/pump/win32/win32_event_pump.h"
#include "ui/frm_mending.h"
#include "ui/win32/gdi_handles.h"
#include "ui/win32/win32_window.h"

namespace kestrova::win32 {

class Win32StatusView final : public FrmMendingView, public Win32Window {
 public:
  static constexpr int kClientWidth = 287;
  static constexpr int kClientHeight = 89;
  static constexpr int kCancelId = 2;  // IDCANCEL: Esc presses Cancel as well

  // Creates the hidden window showing window's current texts and pictures, and registers it as
  // a cancel window of pump when one is given. window and pump must outlive the view. Raises a
  // Failure when Windows refuses.
  explicit Win32StatusView(FrmMending& window, Win32EventPump* pump = nullptr);
  ~Win32StatusView() override;

  void OnStatusChanged(const std::string& text) override;
  void OnStatusBarChanged(const std::string& text) override;
  void OnFrameChanged(int hidden_frame, int shown_frame) override;
  // Shows the window above FrontPage's main window, which becomes its owner.
  void OnShown() override;
  // Brings the window back to the front, active, when a page's Activate took its place.
  void OnPageDone(std::size_t done, std::size_t total, bool mended) override;
  void OnHidden() override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  FrmMending& window_;
  Win32EventPump* pump_;
  HWND cancel_window_ = nullptr;  // as registered with the pump
  HWND status_label_ = nullptr;
  HWND status_bar_ = nullptr;
  UniqueIcon icon_;
  std::array<UniqueBitmap, FrmMending::kFrameCount> frame_bitmaps_;
  std::array<HWND, FrmMending::kFrameCount> pictures_{};
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_STATUS_WINDOW_H_

// The input box: a small modal window, centred, with the prompt, an edit field preset with the
// default answer, OK (Enter) and Cancel (Esc). Cancel and the close box answer empty text.
#ifndef KESTROVA_UI_WIN32_INPUT_BOX_WINDOW_H_
#define KESTROVA_UI_WIN32_INPUT_BOX_WINDOW_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/pump/win32/win32_event_pump.h"
#include "ui/win32/win32_window.h"

namespace kestrova::win32 {

class InputBoxWindow final : public Win32Window {
 public:
  static constexpr int kClientWidth = 360;
  static constexpr int kClientHeight = 130;
  static constexpr int kOkId = 1;      // IDOK
  static constexpr int kCancelId = 2;  // IDCANCEL
  static constexpr int kAnswerId = 102;

  // Creates the hidden window; title is the caption. Raises a Failure when Windows refuses.
  InputBoxWindow(std::string_view prompt, std::string_view title, std::string_view default_answer);
  ~InputBoxWindow() override;

  // Shows the window with the answer selected and waits (through pump when given) until OK,
  // Cancel or the close box; returns the answer after OK, empty text otherwise.
  std::string ShowModal(Win32EventPump* pump);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HWND answer_ = nullptr;
  bool done_ = false;
  std::string result_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_INPUT_BOX_WINDOW_H_

// The base of the add-in's top-level windows: one window class for all of them, a client area of
// an exact size placed where asked or centred on the screen, and child controls in the default
// dialog font. Sizes and positions are given for 96 dots per inch and scaled to the screen's
// setting (120 for Windows XP's "Large fonts", 144 and more on later systems), the font with
// them; FitTexts then widens the window wherever a text would still be cut, as it is when the
// system substitutes a wider font. Messages go to the derived window's HandleMessage.
#ifndef KESTROVA_UI_WIN32_WIN32_WINDOW_H_
#define KESTROVA_UI_WIN32_WIN32_WINDOW_H_

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win32/com/module_objects.h"
#include "ui/win32/gdi_handles.h"

namespace kestrova::win32 {

// A rectangle of a control in client pixels: left, top, width, height.
struct ControlBox {
  int left;
  int top;
  int width;
  int height;
};

class Win32Window {
 public:
  virtual ~Win32Window();

  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // The window; null before Create.
  HWND hwnd() const noexcept { return window_.get(); }

  // The module whose code this is: the executable or the add-in's DLL.
  static HINSTANCE Module() noexcept;

 protected:
  Win32Window() = default;

  // Creates the hidden window with a client area of client_width x client_height whose top left
  // corner is at client_origin on the screen, or the window centred on the screen when none is
  // given. A window outside the taskbar gets a hidden owner of its own. Raises a Failure when
  // Windows refuses.
  void Create(std::wstring_view caption, DWORD style, DWORD ex_style, int client_width,
              int client_height, std::optional<POINT> client_origin, bool in_taskbar);

  // Adds a child control of class_name in the dialog font (DialogFont) at box (for 96 dots per
  // inch, scaled); returns it.
  HWND AddControl(const wchar_t* class_name, std::wstring_view text, DWORD style, ControlBox box,
                  int id);
  // Places control at box (for 96 dots per inch, scaled).
  void MoveControl(HWND control, ControlBox box) const;

  // pixels at 96 dots per inch, in the screen's dots per inch.
  int Scaled(int pixels) const noexcept { return MulDiv(pixels, dpi_, 96); }

  // Widens the window until the text of each text control (a label, a button) fits whole, up to
  // the screen's width; never narrows it. A control at the right edge follows it (a button
  // moves, anything else grows), a text that did not fit grows with the window, and any other
  // button moves by half, so that a centred row of buttons stays centred. later_texts are texts
  // that a control will show later, measured now as if it showed them. Call it once the
  // controls are there, and again when a text changes.
  void FitTexts(const std::vector<std::pair<HWND, std::wstring>>& later_texts = {});

  // Shows the window above the host's main window and brings it to the front. The host's main
  // window (the top-level window that the user last worked in on this thread, not one of ours)
  // becomes the window's owner, which keeps the window above it without disabling it: the window
  // is modal only to itself. Without such a window the hidden owner stays.
  void ShowAboveHost();
  // Raises the shown window above the others and activates it.
  void BringToFront() noexcept;

  // Destroys the window (and its hidden owner) now, and unregisters the window class when no
  // other window uses it (a class left behind by an unloaded DLL would point at code that is
  // gone). Derived windows call it first in their destructors, so that the window goes before the
  // fonts and pictures it shows.
  void DestroyNow() noexcept;

  // The font of the controls: MS Sans Serif 8.25 pt, the classic dialog font whose metrics the
  // windows' layouts are made for (the system's GUI font is wider on some systems, which would
  // wrap a label that fits), in the screen's dots per inch. Created with the window.
  HFONT DialogFont() const { return dialog_font_.get(); }

  // Handles one message; the default passes it to DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  int dpi_ = 96;
  bool centred_ = false;
  // The window's procedure is this module's code: the DLL stays loaded while the object lives.
  ModuleObjectCount counted_;
  UniqueFont dialog_font_;
  UniqueWindow owner_;
  UniqueWindow window_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_WIN32_WINDOW_H_

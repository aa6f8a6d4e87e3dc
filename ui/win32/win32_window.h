// The base of the add-in's top-level windows: one window class for all of them, a client area of
// an exact size placed where asked or centred on the screen, and child controls in the default
// dialog font. Messages go to the derived window's HandleMessage.
#ifndef KESTROVA_UI_WIN32_WIN32_WINDOW_H_
#define KESTROVA_UI_WIN32_WIN32_WINDOW_H_

#include <windows.h>

#include <optional>
#include <string_view>

#include "platform/win32/module_objects.h"
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

  // Adds a child control of class_name in the dialog font (DialogFont); returns it.
  HWND AddControl(const wchar_t* class_name, std::wstring_view text, DWORD style, ControlBox box,
                  int id);

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
  // wrap a label that fits). Created with the window.
  HFONT DialogFont() const { return dialog_font_.get(); }

  // Handles one message; the default passes it to DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // The window's procedure is this module's code: the DLL stays loaded while the object lives.
  ModuleObjectCount counted_;
  UniqueFont dialog_font_;
  UniqueWindow owner_;
  UniqueWindow window_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_WIN32_WINDOW_H_

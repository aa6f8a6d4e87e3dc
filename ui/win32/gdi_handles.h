// Owners of the GDI objects, device contexts and window handles the windows create.
#ifndef KESTROVA_UI_WIN32_GDI_HANDLES_H_
#define KESTROVA_UI_WIN32_GDI_HANDLES_H_

#include <windows.h>

#include <memory>
#include <type_traits>

namespace kestrova::win32 {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DcDeleter {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
struct IconDestroyer {
  void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
struct WindowDestroyer {
  void operator()(HWND window) const noexcept { DestroyWindow(window); }
};

// A bitmap deleted with its owner.
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
// A font deleted with its owner.
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
// A memory device context deleted with its owner.
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
// An icon destroyed with its owner.
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
// A window destroyed with its owner.
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_GDI_HANDLES_H_

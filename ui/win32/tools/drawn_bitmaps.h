// The add-in's pictures drawn with GDI at the sizes the windows show them: the seven frames of the
// status window's animation, the About artwork, the About box's web-site picture and the icons'
// pictures. The render_artwork tool stores them as the files the module's resources are made of.
#ifndef KESTROVA_UI_WIN32_TOOLS_DRAWN_BITMAPS_H_
#define KESTROVA_UI_WIN32_TOOLS_DRAWN_BITMAPS_H_

#include <windows.h>

#include "ui/win32/artwork_resources.h"
#include "ui/win32/gdi_handles.h"

namespace kestrova::win32 {

// Frame index (0 to 6) of the animation on background: a ring of seven dots with dot index lit.
// 24 bits per pixel. Every drawing raises a Failure when GDI refuses.
UniqueBitmap DrawAnimationFrame(int index, COLORREF background);

// The About artwork, kArtworkWidth x kArtworkHeight, 24 bits per pixel.
UniqueBitmap DrawAboutArtwork();

// The web-site picture: the service's host name as a link on background,
// kWebSitePictureWidth x kWebSitePictureHeight, 24 bits per pixel.
UniqueBitmap DrawWebSitePicture(COLORREF background);

// The window icon's picture, size x size on background: a blue disc with a light dot.
UniqueBitmap DrawWindowIconPicture(int size, COLORREF background);

// The warning icon's picture, size x size on background: a yellow triangle with an exclamation
// mark.
UniqueBitmap DrawWarningIconPicture(int size, COLORREF background);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_TOOLS_DRAWN_BITMAPS_H_

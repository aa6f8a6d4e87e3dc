// The add-in's pictures, drawn in code at the sizes the windows show them: the seven frames of the
// status window's animation, the About artwork, the About box's web-site picture and the icons.
#ifndef KESTROVA_UI_WIN32_DRAWN_BITMAPS_H_
#define KESTROVA_UI_WIN32_DRAWN_BITMAPS_H_

#include "ui/win32/gdi_handles.h"

namespace kestrova::win32 {

inline constexpr int kAnimationFrameSize = 19;
inline constexpr int kArtworkWidth = 520;
inline constexpr int kArtworkHeight = 316;
inline constexpr int kWebSitePictureWidth = 147;
inline constexpr int kWebSitePictureHeight = 19;

// Frame index (0 to 6) of the animation: a ring of seven dots with dot index lit. 24 bits per
// pixel. Raises a Failure when GDI refuses.
UniqueBitmap DrawAnimationFrame(int index);

// The About artwork, kArtworkWidth x kArtworkHeight, 24 bits per pixel.
UniqueBitmap DrawAboutArtwork();

// The web-site picture: the service's host name as a link on the window colour,
// kWebSitePictureWidth x kWebSitePictureHeight, 24 bits per pixel.
UniqueBitmap DrawWebSitePicture();

// The add-in's window icon, size x size pixels: a blue disc with a light dot. Raises a Failure
// when GDI refuses.
UniqueIcon DrawWindowIcon(int size);

// The not-a-client dialog's warning picture, size x size pixels: a yellow triangle with an
// exclamation mark.
UniqueIcon DrawWarningIcon(int size);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_DRAWN_BITMAPS_H_

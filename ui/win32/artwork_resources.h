// The add-in's pictures, loaded from the resources of the module that holds this code:
// FPKestrova.dll inside FrontPage, the program itself when a test program links the pictures in.
#ifndef KESTROVA_UI_WIN32_ARTWORK_RESOURCES_H_
#define KESTROVA_UI_WIN32_ARTWORK_RESOURCES_H_

#include <windows.h>

#include "ui/win32/gdi_handles.h"

namespace kestrova::win32 {

inline constexpr int kAnimationFrameCount = 7;
inline constexpr int kAnimationFrameSize = 19;
inline constexpr int kArtworkWidth = 520;
inline constexpr int kArtworkHeight = 316;
inline constexpr int kWebSitePictureWidth = 147;
inline constexpr int kWebSitePictureHeight = 19;
inline constexpr int kWindowIconSize = 16;
inline constexpr int kWarningIconSize = 32;
// The grey that the animation frames are stored with where the button face shows through; loading
// them puts the system's button face colour in its place, as the frames' background.
inline constexpr COLORREF kButtonFaceKey = RGB(192, 192, 192);

// How a bitmap's colours are loaded.
enum class BitmapColours {
  kAsStored,
  // The colour table's kButtonFaceKey entry becomes the system's button face colour (bitmaps of
  // 8 bits per pixel or fewer only).
  kButtonFaceMapped,
};

// The module whose resources are loaded: the one this code is linked into. Raises a Failure when
// Windows cannot name it.
HMODULE ArtworkModule();

// The bitmap resource id as a DIB section with the stored size and bit depth. Raises a Failure
// naming the id when the module has no such bitmap or it cannot be loaded.
UniqueBitmap LoadBitmapResource(int id, BitmapColours colours);

// The image of size x size from the icon resource id. Raises a Failure naming the id when the
// module has no such icon or it cannot be loaded.
UniqueIcon LoadIconResource(int id, int size);

// Frame index (0 to kAnimationFrameCount - 1) of the status window's animation: a ring of seven
// dots with dot index lit, on the button face colour; 16 colours.
UniqueBitmap LoadAnimationFrame(int index);

// The About artwork, kArtworkWidth x kArtworkHeight, 24 bits per pixel.
UniqueBitmap LoadAboutArtwork();

// The About box's web-site picture, kWebSitePictureWidth x kWebSitePictureHeight, 24 bits per
// pixel.
UniqueBitmap LoadWebSitePicture();

// The windows' small icon, kWindowIconSize x kWindowIconSize.
UniqueIcon LoadWindowIcon();

// The not-a-client dialog's warning icon, kWarningIconSize x kWarningIconSize.
UniqueIcon LoadWarningIcon();

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_ARTWORK_RESOURCES_H_

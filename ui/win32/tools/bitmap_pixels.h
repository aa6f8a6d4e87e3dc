// Reading a drawn picture's pixels back from its bitmap.
#ifndef KESTROVA_UI_WIN32_TOOLS_BITMAP_PIXELS_H_
#define KESTROVA_UI_WIN32_TOOLS_BITMAP_PIXELS_H_

#include <windows.h>

#include "ui/win32/tools/pixel_image.h"

namespace kestrova::win32 {

// The pixels of a 24-bit bottom-up DIB section, as the drawing code makes them. Raises a Failure
// for any other bitmap.
PixelImage ReadPixels(HBITMAP bitmap);

// The picture with the pixels where on_black and on_white (the same drawing on a black and on a
// white background) differ marked transparent: the background, and the edges that blend into
// it. The colours are on_white's.
PixelImage SeparateBackground(const PixelImage& on_black, const PixelImage& on_white);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_TOOLS_BITMAP_PIXELS_H_

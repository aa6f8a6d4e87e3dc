// The bytes of Windows picture files: .bmp (24 bits per pixel, or 16 colours) and .ico (16-colour
// images with a transparency mask), as the resource compiler reads them.
#ifndef KESTROVA_UI_WIN32_TOOLS_IMAGE_FILES_H_
#define KESTROVA_UI_WIN32_TOOLS_IMAGE_FILES_H_

#include <cstdint>
#include <span>
#include <vector>

#include "ui/win32/tools/pixel_image.h"

namespace kestrova::win32 {

// A .bmp file of image at 24 bits per pixel, rows stored from the bottom; transparency is ignored.
std::vector<std::uint8_t> EncodeBmp24(const PixelImage& image);

// A .bmp file of image at 4 bits per pixel; its colour table (at most 16 entries) is filled up to
// 16 with black. Raises a Failure for a larger table.
std::vector<std::uint8_t> EncodeBmp4(const IndexedImage& image);

// An .ico file holding images in their order, each at 4 bits per pixel with a mask that makes
// its transparent pixels show what lies under the icon (they must use entry 0 of the colour
// table, black). Raises a Failure for an image larger than 256 pixels a side or with more than
// 16 colours.
std::vector<std::uint8_t> EncodeIco4(std::span<const IndexedImage> images);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_TOOLS_IMAGE_FILES_H_

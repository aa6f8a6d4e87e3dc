// Reducing a picture to a small colour table, for 16-colour bitmaps and icons.
#ifndef KESTROVA_UI_WIN32_TOOLS_PALETTE_H_
#define KESTROVA_UI_WIN32_TOOLS_PALETTE_H_

#include <cstddef>
#include <span>

#include "ui/win32/tools/pixel_image.h"

namespace kestrova::win32 {

// A reduced picture and how many of its opaque pixels took a colour other than their own.
struct Reduction {
  IndexedImage image;
  std::size_t approximated_pixels = 0;
};

// image with a colour table of at most max_colours (at most 256) entries: the required colours
// first, in their order, then the opaque pixels' colours from the most to the least frequent.
// A pixel whose colour did not fit takes the nearest colour of the table; a transparent pixel
// takes entry 0. Raises a Failure when required does not fit.
Reduction ReduceColours(const PixelImage& image, std::size_t max_colours,
                        std::span<const Rgb> required);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_TOOLS_PALETTE_H_

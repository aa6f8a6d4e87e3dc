#include "ui/win32/tools/bitmap_pixels.h"

#include <cstddef>

#include "base/failure.h"

namespace kestrova::win32 {

PixelImage ReadPixels(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 24 || section.dsBmih.biHeight <= 0 ||
      section.dsBm.bmBits == nullptr) {
    throw Failure(kErrTypeMismatch, "ReadPixels", "not a 24-bit bottom-up DIB section");
  }
  GdiFlush();
  PixelImage image;
  image.width = section.dsBm.bmWidth;
  image.height = section.dsBm.bmHeight;
  image.pixels.resize(static_cast<std::size_t>(image.width) *
                      static_cast<std::size_t>(image.height));
  const auto* bits = static_cast<const BYTE*>(section.dsBm.bmBits);
  const auto stride = static_cast<std::size_t>(section.dsBm.bmWidthBytes);
  for (int y = 0; y < image.height; ++y) {
    const BYTE* row = bits + static_cast<std::size_t>(image.height - 1 - y) * stride;
    for (int x = 0; x < image.width; ++x) {
      const BYTE* pixel = row + static_cast<std::size_t>(x) * 3;  // blue, green, red
      image.pixels[image.Index(x, y)] =
          (static_cast<Rgb>(pixel[2]) << 16) | (static_cast<Rgb>(pixel[1]) << 8) | pixel[0];
    }
  }
  return image;
}

PixelImage SeparateBackground(const PixelImage& on_black, const PixelImage& on_white) {
  if (on_black.width != on_white.width || on_black.height != on_white.height) {
    throw Failure(kErrInvalidArgument, "SeparateBackground", "the two drawings differ in size");
  }
  PixelImage image = on_white;
  image.transparent.resize(image.pixels.size());
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.transparent[i] = on_black.pixels[i] != on_white.pixels[i];
  }
  return image;
}

}  // namespace kestrova::win32

// Pictures as plain pixels, for writing them to files: full colour, and reduced to a colour table.
#ifndef KESTROVA_UI_WIN32_TOOLS_PIXEL_IMAGE_H_
#define KESTROVA_UI_WIN32_TOOLS_PIXEL_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova::win32 {

// A colour as 0x00RRGGBB.
using Rgb = std::uint32_t;

inline constexpr std::uint8_t RedOf(Rgb colour) { return static_cast<std::uint8_t>(colour >> 16); }
inline constexpr std::uint8_t GreenOf(Rgb colour) { return static_cast<std::uint8_t>(colour >> 8); }
inline constexpr std::uint8_t BlueOf(Rgb colour) { return static_cast<std::uint8_t>(colour); }

// width x height pixels, rows from the top. transparent is empty for an opaque picture, else it
// holds one flag a pixel; a transparent pixel's colour does not matter.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  std::vector<bool> transparent;

  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
};

// A picture whose pixels are indices into its colour table, rows from the top. transparent is as
// in PixelImage.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> colours;
  std::vector<std::uint8_t> indices;
  std::vector<bool> transparent;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_TOOLS_PIXEL_IMAGE_H_

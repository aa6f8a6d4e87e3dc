// render_artwork: draws the add-in's pictures with GDI and writes them as the files that
// ui/win32/artwork.rc makes resources of. Run it once (under Wine on a build machine) after the
// drawing code changes, and keep its output with the sources:
//
//   render_artwork.exe OUTPUT_FOLDER
//
// The animation frames are 16-colour bitmaps whose background is kButtonFaceKey, which loading
// turns into the system's button face colour; the About artwork and the web-site picture are
// 24-bit bitmaps; the icons are 16-colour images whose background is transparent.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "ui/win32/artwork_resources.h"
#include "ui/win32/tools/bitmap_pixels.h"
#include "ui/win32/tools/drawn_bitmaps.h"
#include "ui/win32/tools/image_files.h"
#include "ui/win32/tools/palette.h"

namespace kestrova::win32 {
namespace {

constexpr Rgb kBlack = 0x000000;
// The window colour that the web-site picture is drawn on: Windows' standard one.
constexpr COLORREF kWindowColour = RGB(255, 255, 255);

Rgb RgbFromColorref(COLORREF colour) {
  return (static_cast<Rgb>(GetRValue(colour)) << 16) | (static_cast<Rgb>(GetGValue(colour)) << 8) |
         GetBValue(colour);
}

void WriteFile(const std::string& folder, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
  const std::string path = folder + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Failure(kErrPathFileAccess, "render_artwork", "cannot write " + path);
  std::printf("%s: %zu bytes\n", name.c_str(), bytes.size());
}

// Reduces image to 16 colours, telling how many pixels took a neighbouring colour.
IndexedImage SixteenColours(const std::string& name, const PixelImage& image,
                            std::vector<Rgb> required) {
  Reduction reduction = ReduceColours(image, 16, required);
  if (reduction.approximated_pixels > 0) {
    std::printf("%s: %zu pixels took the nearest of 16 colours\n", name.c_str(),
                reduction.approximated_pixels);
  }
  return std::move(reduction.image);
}

// An icon's picture of size x size with its background transparent: drawn on black and on white,
// the pixels that differ are background.
IndexedImage IconImage(const std::string& name, int size,
                       UniqueBitmap (*draw)(int size, COLORREF background)) {
  const PixelImage on_black = ReadPixels(draw(size, RGB(0, 0, 0)).get());
  const PixelImage on_white = ReadPixels(draw(size, RGB(255, 255, 255)).get());
  // Entry 0 is black: transparent pixels must add nothing to what lies under the icon.
  return SixteenColours(name + " " + std::to_string(size), SeparateBackground(on_black, on_white),
                        {kBlack});
}

void Render(const std::string& folder) {
  for (int index = 0; index < kAnimationFrameCount; ++index) {
    const std::string name = "animation_frame_" + std::to_string(index + 1) + ".bmp";
    const PixelImage frame = ReadPixels(DrawAnimationFrame(index, kButtonFaceKey).get());
    WriteFile(folder, name,
              EncodeBmp4(SixteenColours(name, frame, {RgbFromColorref(kButtonFaceKey)})));
  }
  WriteFile(folder, "about_artwork.bmp", EncodeBmp24(ReadPixels(DrawAboutArtwork().get())));
  WriteFile(folder, "web_site_picture.bmp",
            EncodeBmp24(ReadPixels(DrawWebSitePicture(kWindowColour).get())));
  const std::array window_icon{IconImage("window_icon", kWindowIconSize, &DrawWindowIconPicture)};
  WriteFile(folder, "window_icon.ico", EncodeIco4(window_icon));
  const std::array warning_icon{IconImage("warning_icon", 32, &DrawWarningIconPicture),
                                IconImage("warning_icon", 16, &DrawWarningIconPicture)};
  WriteFile(folder, "warning_icon.ico", EncodeIco4(warning_icon));
}

}  // namespace
}  // namespace kestrova::win32

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_artwork OUTPUT_FOLDER\n");
    return 2;
  }
  try {
    kestrova::win32::Render(argv[1]);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "render_artwork: %s\n", failure.what());
    return 1;
  }
  return 0;
}

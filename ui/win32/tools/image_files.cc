#include "ui/win32/tools/image_files.h"

#include <cstddef>
#include <utility>

#include "base/failure.h"

namespace kestrova::win32 {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kIconDirectorySize = 6;
constexpr std::uint32_t kIconEntrySize = 16;
constexpr std::uint32_t kPaletteSize = 16 * 4;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dots per inch

// Little-endian writers.
void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

// Bytes in one stored row of width pixels at bits_per_pixel; rows are padded to 32 bits.
std::uint32_t Stride(int width, std::uint32_t bits_per_pixel) {
  return (static_cast<std::uint32_t>(width) * bits_per_pixel + 31) / 32 * 4;
}

std::uint32_t Unsigned(int value) { return static_cast<std::uint32_t>(value); }

// A BITMAPINFOHEADER without compression.
void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height,
                   std::uint32_t bits_per_pixel, std::uint32_t image_size) {
  Put32(out, kInfoHeaderSize);
  Put32(out, Unsigned(width));
  Put32(out, Unsigned(height));
  Put16(out, 1);  // planes
  Put16(out, bits_per_pixel);
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  Put32(out, static_cast<std::uint32_t>(kPixelsPerMetre));
  Put32(out, 0);  // colours used: all that the bit depth allows
  Put32(out, 0);  // all colours important
}

void CheckSixteenColours(const IndexedImage& image) {
  if (image.colours.size() > 16) {
    throw Failure(kErrOverflow, "EncodeBmp4", "more than 16 colours for a 4-bit picture");
  }
}

// The 16-entry colour table (blue, green, red, 0), padded with black.
void PutPalette(std::vector<std::uint8_t>& out, const std::vector<Rgb>& colours) {
  for (std::size_t i = 0; i < 16; ++i) {
    const Rgb colour = i < colours.size() ? colours[i] : 0;
    out.push_back(BlueOf(colour));
    out.push_back(GreenOf(colour));
    out.push_back(RedOf(colour));
    out.push_back(0);
  }
}

// The 4-bit pixel rows from the bottom, two pixels a byte, the left one in the high half.
void PutNibbleRows(std::vector<std::uint8_t>& out, const IndexedImage& image) {
  const std::uint32_t stride = Stride(image.width, 4);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < image.width; ++x) {
      const auto index = static_cast<std::size_t>(y) * Unsigned(image.width) + Unsigned(x);
      const std::uint8_t value = image.indices[index] & 0x0Fu;
      row[Unsigned(x) / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? value << 4 : value);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

// The 1-bit mask rows from the bottom, the leftmost pixel in the highest bit; a set bit is a
// transparent pixel.
void PutMaskRows(std::vector<std::uint8_t>& out, const IndexedImage& image) {
  const std::uint32_t stride = Stride(image.width, 1);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < image.width; ++x) {
      const auto index = static_cast<std::size_t>(y) * Unsigned(image.width) + Unsigned(x);
      if (!image.transparent.empty() && image.transparent[index]) {
        row[Unsigned(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (Unsigned(x) % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const PixelImage& image) {
  const std::uint32_t stride = Stride(image.width, 24);
  const std::uint32_t image_size = stride * Unsigned(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  std::vector<std::uint8_t> out;
  out.reserve(offset + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image_size);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  PutInfoHeader(out, image.width, image.height, 24, image_size);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < image.width; ++x) {
      const Rgb colour = image.pixels[image.Index(x, y)];
      row[Unsigned(x) * 3] = BlueOf(colour);
      row[Unsigned(x) * 3 + 1] = GreenOf(colour);
      row[Unsigned(x) * 3 + 2] = RedOf(colour);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<std::uint8_t> EncodeBmp4(const IndexedImage& image) {
  CheckSixteenColours(image);
  const std::uint32_t image_size = Stride(image.width, 4) * Unsigned(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + kPaletteSize;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image_size);
  Put32(out, 0);  // reserved
  Put32(out, offset);
  PutInfoHeader(out, image.width, image.height, 4, image_size);
  PutPalette(out, image.colours);
  PutNibbleRows(out, image);
  return out;
}

std::vector<std::uint8_t> EncodeIco4(std::span<const IndexedImage> images) {
  // Each image: its header (twice the height: colour rows, then mask rows), table and rows.
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const IndexedImage& image : images) {
    CheckSixteenColours(image);
    if (image.width <= 0 || image.width > 256 || image.height <= 0 || image.height > 256) {
      throw Failure(kErrOverflow, "EncodeIco4", "an icon image is at most 256 pixels a side");
    }
    const std::uint32_t rows_size =
        (Stride(image.width, 4) + Stride(image.width, 1)) * Unsigned(image.height);
    std::vector<std::uint8_t> body;
    PutInfoHeader(body, image.width, image.height * 2, 4, rows_size);
    PutPalette(body, image.colours);
    PutNibbleRows(body, image);
    PutMaskRows(body, image);
    bodies.push_back(std::move(body));
  }
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset =
      kIconDirectorySize + kIconEntrySize * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    // A side of 256 is written as 0.
    out.push_back(static_cast<std::uint8_t>(images[i].width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(images[i].height & 0xFF));
    out.push_back(16);  // colours
    out.push_back(0);   // reserved
    Put16(out, 1);      // planes
    Put16(out, 4);      // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace kestrova::win32

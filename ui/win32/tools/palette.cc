#include "ui/win32/tools/palette.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "base/failure.h"

namespace kestrova::win32 {
namespace {

// Squared distance of two colours in RGB space.
int Distance(Rgb a, Rgb b) {
  const int red = RedOf(a) - RedOf(b);
  const int green = GreenOf(a) - GreenOf(b);
  const int blue = BlueOf(a) - BlueOf(b);
  return red * red + green * green + blue * blue;
}

// The index of the table's colour nearest to colour (the first of equals).
std::uint8_t Nearest(const std::vector<Rgb>& table, Rgb colour) {
  std::size_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int distance = Distance(table[i], colour);
    if (distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return static_cast<std::uint8_t>(best);
}

}  // namespace

Reduction ReduceColours(const PixelImage& image, std::size_t max_colours,
                        std::span<const Rgb> required) {
  if (max_colours > 256 || required.size() > max_colours) {
    throw Failure(kErrInvalidArgument, "ReduceColours", "the colour table cannot hold the colours");
  }
  const auto is_transparent = [&image](std::size_t i) {
    return !image.transparent.empty() && image.transparent[i];
  };
  std::map<Rgb, std::size_t> counts;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    if (!is_transparent(i)) ++counts[image.pixels[i]];
  }
  // Most frequent first; equal counts in colour order, so that the table is the same every run.
  std::vector<std::pair<Rgb, std::size_t>> by_frequency(counts.begin(), counts.end());
  std::stable_sort(by_frequency.begin(), by_frequency.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });

  Reduction reduction;
  IndexedImage& out = reduction.image;
  out.width = image.width;
  out.height = image.height;
  out.transparent = image.transparent;
  out.colours.assign(required.begin(), required.end());
  for (const auto& [colour, count] : by_frequency) {
    if (out.colours.size() == max_colours) break;
    if (std::find(out.colours.begin(), out.colours.end(), colour) == out.colours.end()) {
      out.colours.push_back(colour);
    }
  }
  if (out.colours.empty()) out.colours.push_back(0);

  std::map<Rgb, std::uint8_t> index_of;
  for (const auto& [colour, count] : counts) index_of[colour] = Nearest(out.colours, colour);
  out.indices.resize(image.pixels.size());
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    if (is_transparent(i)) {
      out.indices[i] = 0;
      continue;
    }
    out.indices[i] = index_of[image.pixels[i]];
    if (out.colours[out.indices[i]] != image.pixels[i]) ++reduction.approximated_pixels;
  }
  return reduction;
}

}  // namespace kestrova::win32

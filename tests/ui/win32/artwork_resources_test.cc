// The pictures as resources of the program: each loads with its size and bit depth, the icons hold
// the images they should and are transparent around the picture, the animation frames differ and
// take the system's button face colour as background, and a missing picture raises a Failure
// that names it.
#include "ui/win32/artwork_resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "base/failure.h"
#include "ui/win32/artwork_ids.h"

namespace kestrova::win32 {
namespace {

struct DcDeleter {
  void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// The colour of every pixel of bitmap, rows from the top.
std::vector<COLORREF> PixelsOf(HBITMAP bitmap, int width, int height) {
  UniqueDc dc(CreateCompatibleDC(nullptr));
  HGDIOBJ previous = SelectObject(dc.get(), bitmap);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
  }
  SelectObject(dc.get(), previous);
  return pixels;
}

struct BitmapCase {
  std::string name;
  std::function<UniqueBitmap()> load;
  int width;
  int height;
  int bits_per_pixel;
};

std::vector<BitmapCase> BitmapCases() {
  std::vector<BitmapCase> cases;
  for (int index = 0; index < kAnimationFrameCount; ++index) {
    cases.push_back({"animation frame " + std::to_string(index),
                     [index] { return LoadAnimationFrame(index); }, 19, 19, 4});
  }
  cases.push_back({"About artwork", &LoadAboutArtwork, 520, 316, 24});
  cases.push_back({"web-site picture", &LoadWebSitePicture, 147, 19, 24});
  return cases;
}

TEST(ArtworkResourcesTest, TheModuleIsTheProgramThatHoldsTheCode) {
  EXPECT_EQ(ArtworkModule(), GetModuleHandleW(nullptr));
}

TEST(ArtworkResourcesTest, EachBitmapLoadsAsADibSectionOfItsSizeAndDepth) {
  for (const BitmapCase& picture : BitmapCases()) {
    SCOPED_TRACE(picture.name);
    const UniqueBitmap bitmap = picture.load();
    ASSERT_TRUE(bitmap);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap.get(), sizeof(section), &section),
              static_cast<int>(sizeof(section)));
    EXPECT_NE(section.dsBm.bmBits, nullptr);
    EXPECT_EQ(section.dsBm.bmWidth, picture.width);
    EXPECT_EQ(section.dsBm.bmHeight, picture.height);
    EXPECT_EQ(section.dsBm.bmBitsPixel, picture.bits_per_pixel);
  }
}

TEST(ArtworkResourcesTest, EveryAnimationFrameDiffersFromEveryOther) {
  std::vector<std::vector<COLORREF>> frames;
  for (int index = 0; index < kAnimationFrameCount; ++index) {
    frames.push_back(PixelsOf(LoadAnimationFrame(index).get(), 19, 19));
  }
  for (std::size_t a = 0; a < frames.size(); ++a) {
    for (std::size_t b = a + 1; b < frames.size(); ++b) {
      EXPECT_NE(frames[a], frames[b]) << "frames " << a << " and " << b;
    }
  }
}

TEST(ArtworkResourcesTest, AnimationFramesShowTheButtonFaceColourBehindTheDots) {
  const COLORREF button_face = GetSysColor(COLOR_3DFACE);
  for (int index = 0; index < kAnimationFrameCount; ++index) {
    SCOPED_TRACE(index);
    // The corners lie outside the ring of dots.
    const std::vector<COLORREF> loaded = PixelsOf(LoadAnimationFrame(index).get(), 19, 19);
    EXPECT_EQ(loaded.front(), button_face);
    EXPECT_EQ(loaded.back(), button_face);
    // As stored, the same pixels hold the key colour that loading replaces.
    const UniqueBitmap stored =
        LoadBitmapResource(IDB_KESTROVA_ANIMATION_FRAME_1 + index, BitmapColours::kAsStored);
    const std::vector<COLORREF> stored_pixels = PixelsOf(stored.get(), 19, 19);
    EXPECT_EQ(stored_pixels.front(), kButtonFaceKey);
    EXPECT_EQ(stored_pixels.back(), kButtonFaceKey);
  }
}

// One image of an icon resource as its group directory lists it.
struct IconEntry {
  int width;
  int height;
  int colours;
  int bits_per_pixel;
  bool operator==(const IconEntry&) const = default;
};

// The images that icon resource id holds, from its group directory.
std::vector<IconEntry> IconEntries(int id) {
  HMODULE module = ArtworkModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));  // group icon
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  const DWORD size = SizeofResource(module, found);
  std::vector<IconEntry> entries;
  if (bytes == nullptr || size < 6) return entries;
  const int count = bytes[4] | (bytes[5] << 8);
  for (int i = 0; i < count && 6 + 14 * (static_cast<DWORD>(i) + 1) <= size; ++i) {
    const std::uint8_t* entry = bytes + 6 + 14 * i;
    entries.push_back({entry[0] == 0 ? 256 : entry[0], entry[1] == 0 ? 256 : entry[1], entry[2],
                       entry[6] | (entry[7] << 8)});
  }
  return entries;
}

struct IconCase {
  std::string name;
  int id;
  std::vector<IconEntry> images;
};

TEST(ArtworkResourcesTest, EachIconHoldsItsSixteenColourImages) {
  const IconCase cases[] = {
      {"window icon", IDI_KESTROVA_WINDOW, {{16, 16, 16, 4}}},
      {"warning icon", IDI_KESTROVA_WARNING, {{32, 32, 16, 4}, {16, 16, 16, 4}}},
  };
  for (const IconCase& icon : cases) {
    SCOPED_TRACE(icon.name);
    EXPECT_EQ(IconEntries(icon.id), icon.images);
  }
}

// The size of icon's colour image and whether its top left pixel is transparent.
struct LoadedIcon {
  int width = 0;
  int height = 0;
  bool corner_transparent = false;
  bool centre_transparent = true;
};

LoadedIcon Inspect(HICON icon) {
  ICONINFO info{};
  LoadedIcon result;
  if (!GetIconInfo(icon, &info)) return result;
  const UniqueBitmap colour(info.hbmColor);
  const UniqueBitmap mask(info.hbmMask);
  BITMAP image{};
  GetObjectW(colour.get(), sizeof(image), &image);
  result.width = image.bmWidth;
  result.height = image.bmHeight;
  // A white (set) mask pixel lets the background through.
  const std::vector<COLORREF> mask_pixels = PixelsOf(mask.get(), image.bmWidth, image.bmHeight);
  result.corner_transparent = mask_pixels.front() == RGB(255, 255, 255);
  result.centre_transparent =
      mask_pixels[static_cast<std::size_t>(image.bmHeight / 2 * image.bmWidth +
                                           image.bmWidth / 2)] == RGB(255, 255, 255);
  return result;
}

TEST(ArtworkResourcesTest, IconsLoadAtTheirSizesTransparentAroundThePicture) {
  struct Case {
    std::string name;
    std::function<UniqueIcon()> load;
    int size;
  };
  const Case cases[] = {
      {"window icon", &LoadWindowIcon, 16},
      {"warning icon", &LoadWarningIcon, 32},
      {"warning icon, small image", [] { return LoadIconResource(IDI_KESTROVA_WARNING, 16); }, 16},
  };
  for (const Case& icon : cases) {
    SCOPED_TRACE(icon.name);
    const UniqueIcon loaded = icon.load();
    ASSERT_TRUE(loaded);
    const LoadedIcon inspected = Inspect(loaded.get());
    EXPECT_EQ(inspected.width, icon.size);
    EXPECT_EQ(inspected.height, icon.size);
    EXPECT_TRUE(inspected.corner_transparent);
    EXPECT_FALSE(inspected.centre_transparent);
  }
}

TEST(ArtworkResourcesTest, AMissingPictureRaisesAFailureNamingIt) {
  struct Case {
    std::string name;
    std::function<void()> load;
    std::string source;
  };
  const Case cases[] = {
      {"unknown bitmap", [] { LoadBitmapResource(999, BitmapColours::kAsStored); },
       "bitmap resource 999"},
      {"unknown icon", [] { LoadIconResource(998, 16); }, "icon resource 998"},
      {"an icon's id as a bitmap",
       [] { LoadBitmapResource(IDI_KESTROVA_WINDOW, BitmapColours::kAsStored); },
       "bitmap resource 120"},
      {"a bitmap's id as an icon", [] { LoadIconResource(IDB_KESTROVA_ABOUT_ARTWORK, 16); },
       "icon resource 110"},
      {"a frame past the last", [] { LoadAnimationFrame(kAnimationFrameCount); },
       "bitmap resource 108"},
  };
  for (const Case& missing : cases) {
    SCOPED_TRACE(missing.name);
    try {
      missing.load();
      ADD_FAILURE() << "no failure raised";
    } catch (const Failure& failure) {
      EXPECT_NE(failure.source().find(missing.source), std::string::npos) << failure.source();
      EXPECT_NE(failure.number(), 0);
    }
  }
}

}  // namespace
}  // namespace kestrova::win32

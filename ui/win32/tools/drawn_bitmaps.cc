#include "ui/win32/tools/drawn_bitmaps.h"

#include <windows.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"
#include "ui/service_site.h"

namespace kestrova::win32 {
namespace {

// A 24-bit bitmap of width x height, painted by paint on a memory DC.
UniqueBitmap Draw(int width, int height, const std::function<void(HDC)>& paint) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) throw FailureFromWin32Error(GetLastError(), "CreateDIBSection");
  UniqueDc dc(CreateCompatibleDC(nullptr));
  if (!dc) throw FailureFromWin32Error(GetLastError(), "CreateCompatibleDC");
  HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
  paint(dc.get());
  SelectObject(dc.get(), previous);
  GdiFlush();
  return bitmap;
}

void FillBox(HDC dc, RECT box, COLORREF colour) {
  std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter> brush(CreateSolidBrush(colour));
  FillRect(dc, &box, brush.get());
}

void FillDisc(HDC dc, int centre_x, int centre_y, int radius, COLORREF colour) {
  std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter> brush(CreateSolidBrush(colour));
  HGDIOBJ old_brush = SelectObject(dc, brush.get());
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, centre_x - radius, centre_y - radius, centre_x + radius + 1, centre_y + radius + 1);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
}

// Writes text in a font of the given pixel height and weight, or smaller where the font that the
// system gives for Arial would not fit the text into box's width (one pixel less at a time, down
// to half the height).
void WriteText(HDC dc, std::wstring_view text, RECT box, int height, int weight, COLORREF colour,
               bool underline, UINT format) {
  const std::wstring line(text);
  UniqueFont font;
  for (int size = height; size >= height / 2; --size) {
    font.reset(CreateFontW(-size, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial"));
    HGDIOBJ previous = SelectObject(dc, font.get());
    RECT measured = box;
    DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &measured,
              format | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, previous);
    if (measured.right <= box.right) break;
  }
  HGDIOBJ old_font = SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &box, format | DT_NOPREFIX);
  SelectObject(dc, old_font);
}

}  // namespace

UniqueBitmap DrawWindowIconPicture(int size, COLORREF background) {
  return Draw(size, size, [size, background](HDC dc) {
    FillBox(dc, RECT{0, 0, size, size}, background);
    FillDisc(dc, size / 2, size / 2, size / 2 - 1, RGB(0, 70, 160));
    FillDisc(dc, size / 2 + size / 6, size / 2 - size / 6, size / 6, RGB(230, 200, 120));
  });
}

UniqueBitmap DrawWarningIconPicture(int size, COLORREF background) {
  return Draw(size, size, [size, background](HDC dc) {
    FillBox(dc, RECT{0, 0, size, size}, background);
    const POINT triangle[] = {{size / 2, 1}, {size - 2, size - 3}, {1, size - 3}};
    std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter> brush(
        CreateSolidBrush(RGB(250, 210, 40)));
    HGDIOBJ old_brush = SelectObject(dc, brush.get());
    Polygon(dc, triangle, static_cast<int>(std::size(triangle)));
    SelectObject(dc, old_brush);
    WriteText(dc, L"!", RECT{0, size / 4, size, size - 3}, size / 2, FW_BOLD, RGB(0, 0, 0), false,
              DT_CENTER | DT_SINGLELINE);
  });
}

UniqueBitmap DrawAnimationFrame(int index, COLORREF background) {
  return Draw(kAnimationFrameSize, kAnimationFrameSize, [index, background](HDC dc) {
    FillBox(dc, RECT{0, 0, kAnimationFrameSize, kAnimationFrameSize}, background);
    constexpr double kPi = 3.14159265358979323846;
    for (int dot = 0; dot < 7; ++dot) {
      const double angle = 2.0 * kPi * dot / 7.0 - kPi / 2.0;
      const int x = 9 + static_cast<int>(std::lround(6.5 * std::cos(angle)));
      const int y = 9 + static_cast<int>(std::lround(6.5 * std::sin(angle)));
      const bool lit = dot == index;
      FillDisc(dc, x, y, lit ? 3 : 2, lit ? RGB(0, 70, 160) : RGB(150, 170, 200));
    }
  });
}

UniqueBitmap DrawAboutArtwork() {
  return Draw(kArtworkWidth, kArtworkHeight, [](HDC dc) {
    // A sky fading from deep blue at the top to pale blue at the bottom.
    for (int band = 0; band < kArtworkHeight; band += 4) {
      const int shade = band * 140 / kArtworkHeight;  // keeps every channel below 256
      FillBox(dc, RECT{0, band, kArtworkWidth, band + 4},
              RGB(20 + shade / 2, 40 + shade / 2, 110 + shade));
    }
    // A kestrel's outline: two swept wings and a body.
    const POINT bird[] = {{60, 120},  {130, 95},  {170, 110}, {210, 60}, {190, 115},
                          {230, 130}, {175, 130}, {150, 165}, {145, 130}};
    std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter> brush(
        CreateSolidBrush(RGB(150, 90, 40)));
    HGDIOBJ old_brush = SelectObject(dc, brush.get());
    Polygon(dc, bird, static_cast<int>(std::size(bird)));
    SelectObject(dc, old_brush);
    WriteText(dc, L"Kestrova", RECT{250, 60, 500, 130}, 52, FW_BOLD, RGB(255, 255, 255), false,
              DT_LEFT | DT_SINGLELINE);
    WriteText(dc, L"FrontPage Add-In", RECT{254, 125, 500, 160}, 22, FW_NORMAL, RGB(220, 230, 255),
              false, DT_LEFT | DT_SINGLELINE);
    WriteText(dc, L"Mends for the pages you publish.", RECT{30, 230, 420, 260}, 16, FW_NORMAL,
              RGB(255, 255, 255), false, DT_LEFT | DT_SINGLELINE);
  });
}

UniqueBitmap DrawWebSitePicture(COLORREF background) {
  return Draw(kWebSitePictureWidth, kWebSitePictureHeight, [background](HDC dc) {
    FillBox(dc, RECT{0, 0, kWebSitePictureWidth, kWebSitePictureHeight}, background);
    WriteText(dc, WideFromUtf8(kServiceHost), RECT{2, 0, kWebSitePictureWidth, 17}, 14, FW_NORMAL,
              RGB(0, 0, 238), true, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  });
}

}  // namespace kestrova::win32

#include "ui_test_support.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>

#include "ui/win32/gdi_handles.h"

namespace kestrova::win32 {
namespace {

std::map<UINT_PTR, std::function<void()>>& PendingActions() {
  static std::map<UINT_PTR, std::function<void()>> actions;
  return actions;
}

void CALLBACK FireAction(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto& actions = PendingActions();
  auto found = actions.find(id);
  if (found == actions.end()) return;
  std::function<void()> action = std::move(found->second);
  actions.erase(found);
  action();
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH * 4);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  std::wstring folder(path.data(), length);
  const auto slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash);
}

template <typename T>
void WriteRaw(std::ofstream& out, const T& value) {
  out.write(reinterpret_cast<const char*>(&value), sizeof(value));
}

}  // namespace

bool HasDisplay() {
  wchar_t display[256];
  return GetEnvironmentVariableW(L"DISPLAY", display, 256) > 0;
}

void WindowTest::SetUp() {
  if (!HasDisplay()) GTEST_SKIP() << "no X display for windows";
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
  GetWindowTextW(window, text.data(), length + 1);
  return std::wstring(text.data());
}

std::vector<HWND> ChildrenOfClass(HWND parent, std::wstring_view class_name) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64];
    GetClassNameW(child, name, 64);
    if (CompareStringOrdinal(name, -1, class_name.data(), static_cast<int>(class_name.size()),
                             TRUE) == CSTR_EQUAL) {
      found.push_back(child);
    }
  }
  return found;
}

HWND FindChild(HWND parent, std::wstring_view class_name, std::wstring_view text) {
  for (HWND child : ChildrenOfClass(parent, class_name)) {
    if (TextOf(child) == text) return child;
  }
  return nullptr;
}

HWND FindVisibleWindow(std::wstring_view class_name, std::wstring_view caption) {
  const std::wstring name(class_name);
  const std::wstring title(caption);
  for (HWND window = FindWindowExW(nullptr, nullptr, name.c_str(), title.c_str());
       window != nullptr; window = FindWindowExW(nullptr, window, name.c_str(), title.c_str())) {
    if (IsWindowVisible(window) != FALSE &&
        GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
      return window;
    }
  }
  return nullptr;
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right - client.left, client.bottom - client.top};
}

POINT ClientOrigin(HWND window) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return origin;
}

RECT ChildRect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void RunLater(std::chrono::milliseconds delay, std::function<void()> action) {
  const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(delay.count()), &FireAction);
  ASSERT_NE(id, 0u);
  PendingActions()[id] = std::move(action);
}

ScheduledActionsScope::~ScheduledActionsScope() {
  for (const auto& [id, action] : PendingActions()) KillTimer(nullptr, id);
  PendingActions().clear();
}

void ScheduleWatchdog(std::wstring_view class_name, std::wstring caption, bool& fired) {
  RunLater(std::chrono::milliseconds(5000),
           [class_name = std::wstring(class_name), caption = std::move(caption), &fired] {
             if (HWND window = FindVisibleWindow(class_name, caption)) {
               fired = true;
               PostMessageW(window, WM_CLOSE, 0, 0);
             }
           });
}

void ClickButton(HWND parent, std::wstring_view text) {
  PostMessageW(FindChild(parent, L"Button", text), BM_CLICK, 0, 0);
}

void PressKey(WPARAM key) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return done();
}

// How long Wine takes at most to show on the display what a window painted.
constexpr DWORD kDisplayCatchUpMs = 150;

std::wstring SaveScreenshot(HWND window, std::wstring_view name) {
  // Paint what is still waiting to be painted, without invalidating what is on screen already:
  // Wine copies a window's painting to the display a moment after it is done, so a window
  // repainted whole just before the copy is taken half blank. Then give the display that moment.
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(kDisplayCatchUpMs);
  }
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const auto release_screen = [](HDC dc) { ReleaseDC(nullptr, dc); };
  std::unique_ptr<std::remove_pointer_t<HDC>, decltype(release_screen)> screen(GetDC(nullptr),
                                                                               release_screen);
  const auto delete_dc = [](HDC dc) { DeleteDC(dc); };
  std::unique_ptr<std::remove_pointer_t<HDC>, decltype(delete_dc)> memory(
      CreateCompatibleDC(screen.get()), delete_dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !memory) return {};
  HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.get(), frame.left, frame.top, SRCCOPY);
  GdiFlush();
  SelectObject(memory.get(), previous);
  const auto stride = static_cast<std::uint32_t>((width * 3 + 3) & ~3);
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(height);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + image_size;
  const std::wstring path = ProgramFolder() + L"\\" + std::wstring(name);
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  WriteRaw(out, header);
  WriteRaw(out, info.bmiHeader);
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(image_size));
  return out ? path : std::wstring();
}

}  // namespace kestrova::win32

#include "ui/win32/win32_window.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/win32/callback_failure.h"
#include "platform/win32/com/com_failure.h"

namespace kestrova::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"KestrovaWindow";
constexpr wchar_t kOwnerClass[] = L"STATIC";

// MS Sans Serif 8.25 pt at 96 dots per inch.
constexpr int kDialogFontHeight = 11;

// An object of this module, whose address names the module to GetModuleHandleEx.
const int kModuleAnchor = 0;

// Registers the shared window class once per module.
void RegisterWindowClass(WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(Win32Window::Module(), kWindowClass, &existing) != FALSE) return;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = Win32Window::Module();
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) == 0) {
    throw FailureFromWin32Error(GetLastError(), "RegisterClassExW");
  }
}

// A visible top-level window of the host: not owned by another window, neither ours nor a
// message box (which would take our window with it when it closes).
bool IsHostMainWindow(HWND window) {
  if (window == nullptr || IsWindowVisible(window) == FALSE ||
      GetWindow(window, GW_OWNER) != nullptr) {
    return false;
  }
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) == 0) return false;
  const std::wstring_view class_name(name);
  return class_name != kWindowClass && class_name != L"#32770";
}

BOOL CALLBACK FindHostMainWindow(HWND window, LPARAM found) {
  if (!IsHostMainWindow(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The host's main window on this thread: the root owner of the active window when that is the
// host's, else the first (topmost) visible unowned window of this thread that is not ours; null
// when there is none.
HWND HostMainWindow() {
  if (HWND active = GetActiveWindow()) {
    HWND root = GetAncestor(active, GA_ROOTOWNER);
    if (IsHostMainWindow(root)) return root;
  }
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindHostMainWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The screen's dots per inch (LOGPIXELSY), 96 when it cannot be read.
int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return name;
}

bool IsButton(HWND control) { return _wcsicmp(ClassOf(control).c_str(), L"Button") == 0; }

// How the control lays out text, as DrawText flags; nullopt for a control that shows none (a
// picture, an edit box, whose text scrolls).
std::optional<UINT> TextFormat(HWND control) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  if (IsButton(control)) return DT_SINGLELINE;
  if (_wcsicmp(ClassOf(control).c_str(), L"Static") != 0) return std::nullopt;
  const UINT prefix = (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
      return DT_WORDBREAK | DT_EXPANDTABS | prefix;
    case SS_LEFTNOWORDWRAP:
      return DT_SINGLELINE | DT_EXPANDTABS | prefix;
    default:
      return std::nullopt;
  }
}

// The size text takes in control's font, laid out by format within width.
SIZE TextExtent(HWND control, const std::wstring& text, UINT format, int width) {
  SIZE size{0, 0};
  HDC dc = GetDC(control);
  if (dc == nullptr) return size;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  RECT box{0, 0, width, 0};
  // An empty text still takes a line's height.
  const std::wstring measured = text.empty() ? L" " : text;
  DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &box, format | DT_CALCRECT);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(control, dc);
  size.cx = box.right - box.left;
  size.cy = box.bottom - box.top;
  return size;
}

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

// How much wider control must be to show text whole; 0 when it does. A button keeps room for its
// edges around the text; a wrapping label must fit in its height, widened as far as most.
int TextOverflow(HWND control, const std::wstring& text, int padding, int most) {
  const std::optional<UINT> format = TextFormat(control);
  if (!format) return 0;
  RECT client;
  GetClientRect(control, &client);
  const int room = client.right - padding;
  if ((*format & DT_WORDBREAK) == 0) {
    return std::max(0, static_cast<int>(TextExtent(control, text, *format, room).cx) - room);
  }
  // A wrapping label: the least widening, in steps of 8 pixels, at which its lines fit its
  // height; a label whose height holds no line at all takes its text's whole width.
  for (int extra = 0; extra <= most; extra += 8) {
    const SIZE size = TextExtent(control, text, *format, room + extra);
    if (size.cy <= client.bottom && size.cx <= room + extra) return extra;
  }
  return most;
}

}  // namespace

Win32Window::~Win32Window() { DestroyNow(); }

void Win32Window::DestroyNow() noexcept {
  // The derived part is going: later messages of the dying window go to DefWindowProc.
  if (window_) {
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
    // Fails, harmlessly, while another of our windows still uses the class.
    UnregisterClassW(kWindowClass, Module());
  }
  owner_.reset();
}

HINSTANCE Win32Window::Module() noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&kModuleAnchor), &module);
  return module;
}

void Win32Window::Create(std::wstring_view caption, DWORD style, DWORD ex_style, int client_width,
                         int client_height, std::optional<POINT> client_origin, bool in_taskbar) {
  RegisterWindowClass(&Procedure);
  dpi_ = ScreenDpi();
  client_width = Scaled(client_width);
  client_height = Scaled(client_height);
  if (client_origin) *client_origin = POINT{Scaled(client_origin->x), Scaled(client_origin->y)};
  dialog_font_.reset(CreateFontW(-Scaled(kDialogFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  HWND owner = nullptr;
  if (!in_taskbar) {
    // An owned window stays out of the taskbar; a hidden owner keeps it without a visible one.
    owner_.reset(CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 Module(), nullptr));
    owner = owner_.get();
  } else {
    ex_style |= WS_EX_APPWINDOW;
  }
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int left = 0;
  int top = 0;
  centred_ = !client_origin;
  if (client_origin) {
    left = client_origin->x + frame.left;
    top = client_origin->y + frame.top;
  } else {
    // Centred: the whole window, frame included, in the middle of the screen.
    left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  const std::wstring text(caption);
  HWND window = CreateWindowExW(ex_style, kWindowClass, text.c_str(), style, left, top, width,
                                height, owner, nullptr, Module(), this);
  if (window == nullptr) {
    const DWORD error = GetLastError();
    (void)window_.release();  // a window refused after WM_NCCREATE is already gone
    throw FailureFromWin32Error(error, "CreateWindowExW");
  }
  // WM_NCCREATE has already taken the window into window_.
}

void Win32Window::ShowAboveHost() {
  if (HWND host = HostMainWindow(); host != nullptr && host != window_.get()) {
    SetWindowLongPtrW(window_.get(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(host));
  }
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  BringToFront();
}

void Win32Window::BringToFront() noexcept {
  HWND window = window_.get();
  if (IsIconic(window) != FALSE) ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  SetActiveWindow(window);
}

HWND Win32Window::AddControl(const wchar_t* class_name, std::wstring_view text, DWORD style,
                             ControlBox box, int id) {
  const std::wstring label(text);
  HWND control =
      CreateWindowExW(0, class_name, label.c_str(), WS_CHILD | WS_VISIBLE | style, Scaled(box.left),
                      Scaled(box.top), Scaled(box.width), Scaled(box.height), window_.get(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Module(), nullptr);
  if (control == nullptr) throw FailureFromWin32Error(GetLastError(), "CreateWindowExW");
  // Without the dialog font (GDI refused it) the control keeps the system's font.
  HGDIOBJ font =
      dialog_font_ ? static_cast<HGDIOBJ>(dialog_font_.get()) : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void Win32Window::MoveControl(HWND control, ControlBox box) const {
  MoveWindow(control, Scaled(box.left), Scaled(box.top), Scaled(box.width), Scaled(box.height),
             FALSE);
}

void Win32Window::FitTexts(const std::vector<std::pair<HWND, std::wstring>>& later_texts) {
  HWND window = window_.get();
  std::vector<HWND> controls;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr && controls.size() < 256;
       child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back(child);
  }
  RECT frame;
  GetWindowRect(window, &frame);
  const int most =
      std::max(0, GetSystemMetrics(SM_CXSCREEN) - static_cast<int>(frame.right - frame.left));
  const int button_padding = Scaled(10);
  std::vector<int> overflow(controls.size(), 0);
  int extra = 0;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const int padding = IsButton(controls[i]) ? button_padding : 0;
    overflow[i] = TextOverflow(controls[i], TextOf(controls[i]), padding, most);
    for (const auto& [control, text] : later_texts) {
      if (control == controls[i]) {
        overflow[i] = std::max(overflow[i], TextOverflow(control, text, padding, most));
      }
    }
    extra = std::max(extra, overflow[i]);
  }
  extra = std::min(extra, most);
  if (extra == 0) return;
  RECT client;
  GetClientRect(window, &client);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    RECT box;
    GetWindowRect(controls[i], &box);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    const bool at_right_edge = box.right >= client.right - Scaled(12);
    const bool button = IsButton(controls[i]);
    int left = static_cast<int>(box.left);
    int width = static_cast<int>(box.right - box.left);
    if (button) {
      left += at_right_edge ? extra : extra / 2;
    } else if (at_right_edge || overflow[i] > 0) {
      width += extra;
    }
    MoveWindow(controls[i], left, static_cast<int>(box.top), width,
               static_cast<int>(box.bottom - box.top), FALSE);
  }
  // A centred window stays centred; any other keeps its left edge unless that would take its
  // right edge off the screen.
  const int width = static_cast<int>(frame.right - frame.left) + extra;
  const int left = std::max(0, std::min(static_cast<int>(frame.left) - (centred_ ? extra / 2 : 0),
                                        GetSystemMetrics(SM_CXSCREEN) - width));
  SetWindowPos(window, nullptr, left, static_cast<int>(frame.top), width,
               static_cast<int>(frame.bottom - frame.top), SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window_.get(), message, wparam, lparam);
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Win32Window*>(create->lpCreateParams);
    self->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // Destroyed by another hand (FrontPage's main window took its owned windows with it): the
    // handle is no longer ours to destroy, and the waits on the window end.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    (void)self->window_.release();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  // Nothing may unwind into user32: a failure is kept for the wait that dispatched the message,
  // and the message gets the default handling (a failed paint still validates its region, so
  // it does not come back at once).
  return GuardCallback([&] { return self->HandleMessage(message, wparam, lparam); },
                       [&] { return DefWindowProcW(window, message, wparam, lparam); });
}

}  // namespace kestrova::win32

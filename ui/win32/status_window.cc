#include "ui/win32/status_window.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/transfer/transfer_states.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/artwork_resources.h"

namespace kestrova::win32 {
namespace {

// Control positions in client pixels.
constexpr ControlBox kFrame1{8, 8, 23, 25};
constexpr ControlBox kStatusLabel{32, 8, 249, 17};
constexpr ControlBox kCancelButton{200, 32, 81, 25};
constexpr int kStatusBarHeight = 25;

static_assert(FrmMending::kFrameCount == kAnimationFrameCount,
              "one animation picture for each frame of the model");

}  // namespace

Win32StatusView::Win32StatusView(FrmMending& window, Win32EventPump* pump)
    : window_(window), pump_(pump) {
  Create(WideFromUtf8(FrmMending::kCaption), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
         kClientWidth, kClientHeight, std::nullopt, true);
  icon_ = LoadWindowIcon();
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  // Frame1 is a borderless container: the pictures sit at its top left corner, stacked.
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    frame_bitmaps_[i] = LoadAnimationFrame(static_cast<int>(i));
    pictures_[i] = AddControl(
        L"STATIC", L"", SS_BITMAP,
        ControlBox{kFrame1.left, kFrame1.top, kAnimationFrameSize, kAnimationFrameSize}, 0);
    SendMessageW(pictures_[i], STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(frame_bitmaps_[i].get()));
    ShowWindow(pictures_[i], window_.picture_visible(static_cast<int>(i)) ? SW_SHOW : SW_HIDE);
  }
  status_label_ = AddControl(L"STATIC", WideFromUtf8(window_.status_text()),
                             SS_LEFT | SS_NOPREFIX | SS_LEFTNOWORDWRAP, kStatusLabel, 0);
  AddControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancelButton, kCancelId);
  // The status bar: one sunken text field spanning the bottom of the client area.
  status_bar_ = AddControl(
      L"STATIC", WideFromUtf8(window_.status_bar_text()),
      SS_LEFT | SS_NOPREFIX | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_SUNKEN,
      ControlBox{0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight}, 0);
  // Wide enough from the start for every sentence of the transfer's states, so that the window
  // does not grow while a download runs; any other text widens it when it comes.
  std::vector<std::pair<HWND, std::wstring>> sentences;
  for (int state = transfer_state::kNone; state <= transfer_state::kResponseCompleted; ++state) {
    sentences.emplace_back(status_bar_, WideFromUtf8(FrmMending::StateText(state)));
  }
  FitTexts(sentences);
  if (pump_ != nullptr) pump_->AddCancelWindow(cancel_window_ = hwnd());
  if (window_.visible()) OnShown();
}

void Win32StatusView::OnStatusChanged(const std::string& text) {
  SetWindowTextW(status_label_, WideFromUtf8(text).c_str());
  FitTexts();
}

void Win32StatusView::OnStatusBarChanged(const std::string& text) {
  SetWindowTextW(status_bar_, WideFromUtf8(text).c_str());
  FitTexts();
}

void Win32StatusView::OnFrameChanged(int hidden_frame, int shown_frame) {
  const auto picture = [this](int index) -> HWND {
    if (index < 0 || index >= FrmMending::kFrameCount) return nullptr;
    return pictures_[static_cast<std::size_t>(index)];
  };
  if (HWND hidden = picture(hidden_frame)) ShowWindow(hidden, SW_HIDE);
  if (HWND shown = picture(shown_frame)) ShowWindow(shown, SW_SHOW);
}

void Win32StatusView::OnShown() {
  // Owned by FrontPage's main window, as the dialogs are: it stays above that window, and goes
  // with it.
  ShowAboveHost();
  UpdateWindow(hwnd());
}

void Win32StatusView::OnPageDone(std::size_t, std::size_t, bool) {
  // Each page's Activate brings FrontPage (or a window of its own) to the front: the window comes
  // back above it and active, so that Esc and a Cancel click reach it before the next page.
  if (IsWindowVisible(hwnd()) != FALSE && GetActiveWindow() != hwnd()) BringToFront();
}

void Win32StatusView::OnHidden() { ShowWindow(hwnd(), SW_HIDE); }

LRESULT Win32StatusView::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kCancelId && HIWORD(wparam) == BN_CLICKED) {
        window_.OnCancelClick();
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close box has no handling of its own in the model: the window only disappears, and
      // the publish goes on as it would after Cancel.
      ShowWindow(hwnd(), SW_HIDE);
      return 0;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wparam, lparam);
}

Win32StatusView::~Win32StatusView() {
  // By the handle it was added with: FrontPage may have destroyed the window already.
  if (pump_ != nullptr) pump_->RemoveCancelWindow(cancel_window_);
  DestroyNow();
}

}  // namespace kestrova::win32

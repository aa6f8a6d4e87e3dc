#include "ui/win32/win32_user_interface.h"

#include <windows.h>

#include "platform/win32/wide_text.h"
#include "ui/win32/about_window.h"
#include "ui/win32/input_box_window.h"
#include "ui/win32/not_client_window.h"
#include "ui/win32/status_window.h"

namespace kestrova::win32 {
namespace {

std::string_view TitleOrAddin(std::string_view title) {
  return title.empty() ? kAddinTitle : title;
}

}  // namespace

MsgBoxResult Win32UserInterface::MsgBox(std::string_view prompt, MsgBoxButtons buttons,
                                        MsgBoxIcon icon, std::string_view title) {
  UINT type = MB_SETFOREGROUND | MB_TASKMODAL;
  type |= buttons == MsgBoxButtons::kOkCancel ? MB_OKCANCEL : MB_OK;
  if (icon == MsgBoxIcon::kCritical) type |= MB_ICONHAND;
  if (icon == MsgBoxIcon::kExclamation) type |= MB_ICONEXCLAMATION;
  const int pressed = MessageBoxW(nullptr, WideFromUtf8(prompt).c_str(),
                                  WideFromUtf8(TitleOrAddin(title)).c_str(), type);
  // An OK-only box closed any way answers OK; otherwise only the OK button does.
  if (buttons == MsgBoxButtons::kOkOnly) return MsgBoxResult::kOk;
  return pressed == IDOK ? MsgBoxResult::kOk : MsgBoxResult::kCancel;
}

std::string Win32UserInterface::InputBox(std::string_view prompt, std::string_view title,
                                         std::string_view default_answer) {
  InputBoxWindow window(prompt, TitleOrAddin(title), default_answer);
  return window.ShowModal(pump_);
}

void Win32UserInterface::ShowNotClient(FrmNotClient& dialog) {
  NotClientWindow window(dialog);
  window.ShowModal(pump_);
}

void Win32UserInterface::ShowAbout(FrmKSVAbout& about) {
  AboutWindow window(about);
  window.ShowModal(pump_);
}

std::unique_ptr<FrmMendingView> Win32UserInterface::CreateStatusView(FrmMending& window) {
  return std::make_unique<Win32StatusView>(window, pump_);
}

}  // namespace kestrova::win32

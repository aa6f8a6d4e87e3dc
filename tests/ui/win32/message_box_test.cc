// Message boxes: the add-in's title where none is given, the prompt, the buttons of each set and
// the answer each way of closing gives.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "ui/win32/win32_user_interface.h"
#include "ui_test_support.h"

namespace kestrova::win32 {
namespace {

using std::chrono_literals::operator""ms;

struct BoxCase {
  const char* name;
  MsgBoxButtons buttons;
  MsgBoxIcon icon;
  const char* title;
  const wchar_t* expected_caption;
  std::function<void(HWND)> answer;
  bool has_cancel;
  MsgBoxResult expected;
};

class MessageBoxTest : public WindowTest {};

TEST_F(MessageBoxTest, ShowsTitlePromptAndButtonsAndReturnsTheAnswer) {
  const auto press = [](int id) {
    return [id](HWND box) { PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); };
  };
  const BoxCase cases[] = {
      {"OK of OK/Cancel", MsgBoxButtons::kOkCancel, MsgBoxIcon::kExclamation, "Error", L"Error",
       press(IDOK), true, MsgBoxResult::kOk},
      {"Cancel of OK/Cancel", MsgBoxButtons::kOkCancel, MsgBoxIcon::kExclamation, "Error", L"Error",
       press(IDCANCEL), true, MsgBoxResult::kCancel},
      {"close box of OK/Cancel", MsgBoxButtons::kOkCancel, MsgBoxIcon::kNone, "Error", L"Error",
       [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }, true, MsgBoxResult::kCancel},
      {"OK only, no title", MsgBoxButtons::kOkOnly, MsgBoxIcon::kCritical, "", L"FPKestrova",
       press(IDOK), false, MsgBoxResult::kOk},
  };
  for (const BoxCase& box_case : cases) {
    SCOPED_TRACE(box_case.name);
    ScheduledActionsScope actions;
    Win32UserInterface ui;
    bool checked = false;
    bool watchdog = false;
    RunLater(200ms, [&] {
      HWND box = FindVisibleWindow(L"#32770", box_case.expected_caption);
      ASSERT_NE(box, nullptr);
      checked = true;
      EXPECT_NE(FindChild(box, L"Static", L"Could not read the file."), nullptr);
      EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
      EXPECT_EQ(GetDlgItem(box, IDCANCEL) != nullptr, box_case.has_cancel);
      box_case.answer(box);
    });
    ScheduleWatchdog(L"#32770", box_case.expected_caption, watchdog);
    const MsgBoxResult result =
        ui.MsgBox("Could not read the file.", box_case.buttons, box_case.icon, box_case.title);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(watchdog);
    EXPECT_EQ(result, box_case.expected);
  }
}

}  // namespace
}  // namespace kestrova::win32

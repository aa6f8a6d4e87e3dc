// The input box: its caption (the add-in's title where none is given), prompt and preset answer,
// and the text each way of closing it returns.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "ui/win32/win32_user_interface.h"
#include "ui_test_support.h"

namespace kestrova::win32 {
namespace {

using std::chrono_literals::operator""ms;

constexpr char kPrompt[] = "Please provide the correct http url for your web site.";

struct InputCase {
  const char* name;
  const char* title;
  const wchar_t* expected_caption;
  std::function<void(HWND box, HWND edit)> answer;
  std::string expected;
};

class InputBoxTest : public WindowTest {};

TEST_F(InputBoxTest, ReturnsTheAnswerOnOkAndEmptyTextOtherwise) {
  const InputCase cases[] = {
      {"OK keeps the preset", "Web URL needed", L"Web URL needed",
       [](HWND box, HWND) { ClickButton(box, L"OK"); }, "http://"},
      {"OK after typing", "Web URL needed", L"Web URL needed",
       [](HWND box, HWND edit) {
         SetWindowTextW(edit, L"http://example.test/site");
         ClickButton(box, L"OK");
       },
       "http://example.test/site"},
      {"Enter in the field", "Web URL needed", L"Web URL needed",
       [](HWND, HWND edit) {
         SetWindowTextW(edit, L"http://enter.test");
         PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
       },
       "http://enter.test"},
      {"Cancel", "Web URL needed", L"Web URL needed",
       [](HWND box, HWND edit) {
         SetWindowTextW(edit, L"http://typed.test");
         ClickButton(box, L"Cancel");
       },
       ""},
      {"Esc", "Web URL needed", L"Web URL needed",
       [](HWND, HWND edit) { PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1); }, ""},
      {"close box", "", L"FPKestrova",
       [](HWND box, HWND) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, ""},
  };
  for (const InputCase& input_case : cases) {
    SCOPED_TRACE(input_case.name);
    ScheduledActionsScope actions;
    Win32UserInterface ui;
    bool checked = false;
    bool watchdog = false;
    RunLater(200ms, [&] {
      HWND box = FindVisibleWindow(L"KestrovaWindow", input_case.expected_caption);
      ASSERT_NE(box, nullptr);
      checked = true;
      EXPECT_NE(
          FindChild(box, L"Static", L"Please provide the correct http url for your web site."),
          nullptr);
      HWND edit = FindChild(box, L"Edit", L"http://");
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(GetFocus(), edit);
      EXPECT_NE(FindChild(box, L"Button", L"Cancel"), nullptr);
      input_case.answer(box, edit);
    });
    ScheduleWatchdog(L"KestrovaWindow", input_case.expected_caption, watchdog);
    const std::string answer = ui.InputBox(kPrompt, input_case.title, "http://");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(watchdog);
    EXPECT_EQ(answer, input_case.expected);
  }
}

}  // namespace
}  // namespace kestrova::win32

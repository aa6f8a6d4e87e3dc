// The command bars over the stand-in host: the exact VARIANT types of Controls.Add and Item, the
// positions Before gives, captions, Enabled, Type, Count and Delete. The menu the add-in builds
// with them is checked on the DLL itself (tests/addin/frontpage).
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "host/command_bars.h"
#include "tests/host/frontpage/host_fixture.h"

namespace kestrova::testing {
namespace {

using CommandBarsTest = HostFixture;

const std::vector<std::wstring> kFrontPageMenus = {L"&File",   L"&Edit",  L"&View",  L"&Insert",
                                                   L"F&ormat", L"&Tools", L"T&able", L"F&rames",
                                                   L"&Window", L"&Help"};

struct BeforeCase {
  std::optional<std::int16_t> before;
  std::size_t expected_index;  // 0-based position of the new control on the menu bar
  std::vector<RecordedArgument> expected_arguments;
};

TEST_F(CommandBarsTest, BeforePlacesTheControlAndPassesAs16BitOrMissing) {
  const std::vector<BeforeCase> cases = {
      {std::int16_t{1}, 0, {I4(10), Missing(), Missing(), I2(1), Bool(true)}},
      {std::int16_t{9}, 8, {I4(10), Missing(), Missing(), I2(9), Bool(true)}},
      {std::int16_t{10}, 9, {I4(10), Missing(), Missing(), I2(10), Bool(true)}},
      {std::int16_t{11}, 10, {I4(10), Missing(), Missing(), I2(11), Bool(true)}},
      {std::int16_t{99}, 10, {I4(10), Missing(), Missing(), I2(99), Bool(true)}},
      {std::nullopt, 10, {I4(10), Missing(), Missing(), Missing(), Bool(true)}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.before ? *test.before : -1);
    host_.log().Clear();
    {
      auto controls = app_->CommandBars()->Item("Menu Bar")->Controls();
      auto added =
          controls->Add(host::kControlPopup, std::nullopt, std::nullopt, test.before, true);
      added->SetCaption("New");
      EXPECT_EQ(controls->Count(), 11);
      EXPECT_EQ(controls->Item(static_cast<std::int32_t>(test.expected_index) + 1)->Caption(),
                "New");
      const auto adds = host_.log().Of(L"Add");
      ASSERT_EQ(adds.size(), 1u);
      EXPECT_EQ(adds[0].arguments, test.expected_arguments);
      // Collections are indexed with VT_BSTR names and VT_I4 positions.
      const auto items = host_.log().Of(L"Item");
      ASSERT_EQ(items.size(), 2u);
      EXPECT_EQ(items[0].arguments, std::vector<RecordedArgument>{Bstr(L"Menu Bar")});
      EXPECT_EQ(items[1].arguments,
                std::vector<RecordedArgument>{I4(static_cast<long>(test.expected_index) + 1)});
      added->Delete();
      EXPECT_EQ(controls->Count(), 10);
    }
    EXPECT_EQ(StandInHost::Captions(host_.menu_bar_controls()), kFrontPageMenus);
    ExpectOnlyApplicationHeld();
  }
}

TEST_F(CommandBarsTest, IdAndParameterGoAsInt32AndBstrWhenGiven) {
  {
    auto controls = app_->CommandBars()->Item("Menu Bar")->Controls();
    auto added = controls->Add(host::kControlButton, 30002, std::string("tag \xC3\xA9"),
                               std::nullopt, /*temporary=*/false);
    EXPECT_EQ(added->Type(), host::kControlButton);
    EXPECT_TRUE(added->Enabled());
    added->SetEnabled(false);
    EXPECT_FALSE(added->Enabled());
  }
  const auto adds = host_.log().Of(L"Add");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].arguments, (std::vector<RecordedArgument>{I4(1), I4(30002), Bstr(L"tag \u00e9"),
                                                              Missing(), Bool(false)}));
  EXPECT_FALSE(host_.menu_bar_controls().items.back()->temporary);
  EXPECT_FALSE(host_.menu_bar_controls().items.back()->enabled);
  ExpectOnlyApplicationHeld();
}

TEST_F(CommandBarsTest, CaptionsRoundTripAsUtf8) {
  {
    auto control = app_->CommandBars()->Item("Menu Bar")->Controls()->Item(1);
    control->SetCaption("Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(control->Caption(), "Caf\xC3\xA9 \xE2\x82\xAC");
  }
  EXPECT_EQ(host_.menu_bar_controls().items[0]->caption, L"Caf\u00e9 \u20ac");
  ExpectOnlyApplicationHeld();
}

TEST_F(CommandBarsTest, DeleteRemovesThePopupAndItsButtonsAndASecondDeleteRaises) {
  {
    auto controls = app_->CommandBars()->Item("Menu Bar")->Controls();
    auto popup =
        controls->Add(host::kControlPopup, std::nullopt, std::nullopt, std::int16_t{9}, true);
    EXPECT_EQ(popup->Type(), host::kControlPopup);
    popup->Controls()->Add(host::kControlButton, std::nullopt, std::nullopt, std::int16_t{1}, true);
    EXPECT_EQ(popup->Controls()->Count(), 1);
    EXPECT_EQ(controls->Count(), 11);
    popup->Delete();
    EXPECT_EQ(controls->Count(), 10);
    EXPECT_EQ(StandInHost::Captions(host_.menu_bar_controls()), kFrontPageMenus);
    try {
      popup->Delete();
      ADD_FAILURE() << "a second Delete succeeded";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.description(), "The control was deleted.");
      EXPECT_EQ(failure.source(), "Office");
    }
  }
  ExpectOnlyApplicationHeld();
}

TEST_F(CommandBarsTest, FailuresCarryTheHostsDescription) {
  struct FailureCase {
    const char* name;
    std::function<void()> call;
    std::int32_t number;
    std::string description;  // empty: the system's text, which must be non-empty
  };
  const std::vector<FailureCase> cases = {
      {"unknown bar", [&] { app_->CommandBars()->Item("Standard"); },
       static_cast<std::int32_t>(0x800A0005u), "No command bar of that name."},
      {"index past the end", [&] { app_->CommandBars()->Item("Menu Bar")->Controls()->Item(11); },
       static_cast<std::int32_t>(0x800A0005u), "Invalid index."},
      {"index 0", [&] { app_->CommandBars()->Item("Menu Bar")->Controls()->Item(0); },
       static_cast<std::int32_t>(0x800A0005u), "Invalid index."},
      {"a button's controls",
       [&] {
         auto button =
             app_->CommandBars()
                 ->Item("Menu Bar")
                 ->Controls()
                 ->Add(host::kControlButton, std::nullopt, std::nullopt, std::nullopt, true);
         button->Controls();
       },
       static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), ""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    try {
      test.call();
      ADD_FAILURE() << "no failure raised";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), test.number);
      if (test.description.empty()) {
        EXPECT_FALSE(failure.description().empty());
      } else {
        EXPECT_EQ(failure.description(), test.description);
      }
    }
    ExpectOnlyApplicationHeld();
  }
}

TEST_F(CommandBarsTest, AnErrorFilledInLaterStillReachesTheCaller) {
  host_.set_defer_caption_errors(true);
  try {
    app_->CommandBars()->Item("Menu Bar")->Controls()->Item(1)->SetCaption("x");
    ADD_FAILURE() << "no failure raised";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(kDeferredScode));
    EXPECT_EQ(failure.source(), "Deferred host");
    EXPECT_EQ(failure.description(), "The host filled this in later.");
  }
  ExpectOnlyApplicationHeld();
}

}  // namespace
}  // namespace kestrova::testing

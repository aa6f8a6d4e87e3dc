// The command bars over the stand-in host: the menu the add-in builds, the exact VARIANT types of
// Controls.Add, the positions Before gives, captions, Enabled, Type, Item, Count and Delete.
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

TEST_F(CommandBarsTest, BuildsTheKestrovaMenuWithExactArgumentTypes) {
  {
    auto bar = app_->CommandBars()->Item("Menu Bar");
    auto popup = bar->Controls()->Add(host::kControlPopup, std::nullopt, std::nullopt,
                                      std::int16_t{9}, /*temporary=*/true);
    popup->SetCaption("Kestrova");
    auto popup_controls = popup->Controls();
    for (const char* caption : {"About", "Register", "Demo mend"}) {
      popup_controls->Add(host::kControlButton, std::nullopt, std::nullopt, std::int16_t{1}, true)
          ->SetCaption(caption);
    }
    popup_controls->Item(1)->SetEnabled(false);

    // Read back through the same wrappers.
    EXPECT_EQ(popup->Caption(), "Kestrova");
    EXPECT_EQ(popup->Type(), host::kControlPopup);
    EXPECT_EQ(popup_controls->Count(), 3);
    EXPECT_EQ(popup_controls->Item(1)->Caption(), "Demo mend");
    EXPECT_FALSE(popup_controls->Item(1)->Enabled());
    EXPECT_TRUE(popup_controls->Item(3)->Enabled());
    EXPECT_EQ(popup_controls->Item(3)->Type(), host::kControlButton);
  }
  ExpectOnlyApplicationHeld();

  // The host's own state.
  std::vector<std::wstring> menus = kFrontPageMenus;
  menus.insert(menus.begin() + 8, L"Kestrova");
  EXPECT_EQ(StandInHost::Captions(host_.menu_bar_controls()), menus);
  const StandInHost::Control* popup = host_.menu_bar_controls().items[8];
  EXPECT_TRUE(popup->temporary);
  ASSERT_NE(popup->children, nullptr);
  EXPECT_EQ(StandInHost::Captions(*popup->children),
            (std::vector<std::wstring>{L"Demo mend", L"Register", L"About"}));
  EXPECT_FALSE(popup->children->items[0]->enabled);
  EXPECT_TRUE(popup->children->items[1]->enabled);
  for (const auto* button : popup->children->items) EXPECT_TRUE(button->temporary);

  // Every Add: Type VT_I4, Id and Parameter missing, Before VT_I2, Temporary VT_BOOL true.
  const auto adds = host_.log().Of(L"Add");
  ASSERT_EQ(adds.size(), 4u);
  EXPECT_EQ(adds[0].arguments,
            (std::vector<RecordedArgument>{I4(10), Missing(), Missing(), I2(9), Bool(true)}));
  for (std::size_t i = 1; i < adds.size(); ++i) {
    EXPECT_EQ(adds[i].flags, DISPATCH_METHOD);
    EXPECT_EQ(adds[i].arguments,
              (std::vector<RecordedArgument>{I4(1), Missing(), Missing(), I2(1), Bool(true)}));
  }
  // Caption and Enabled are property puts with the value as the named argument.
  const auto captions = host_.log().Of(L"Caption");
  ASSERT_GE(captions.size(), 4u);
  EXPECT_EQ(captions[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_TRUE(captions[0].named_put);
  EXPECT_EQ(captions[0].arguments, std::vector<RecordedArgument>{Bstr(L"Kestrova")});
  const auto enabled = host_.log().Of(L"Enabled");
  ASSERT_FALSE(enabled.empty());
  EXPECT_EQ(enabled[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(enabled[0].arguments, std::vector<RecordedArgument>{Bool(false)});
  // Collections are indexed with VT_BSTR names and VT_I4 positions.
  const auto items = host_.log().Of(L"Item");
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0].arguments, std::vector<RecordedArgument>{Bstr(L"Menu Bar")});
  EXPECT_EQ(items[1].arguments, std::vector<RecordedArgument>{I4(1)});
}

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
  }
  const auto adds = host_.log().Of(L"Add");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].arguments, (std::vector<RecordedArgument>{I4(1), I4(30002), Bstr(L"tag \u00e9"),
                                                              Missing(), Bool(false)}));
  EXPECT_FALSE(host_.menu_bar_controls().items.back()->temporary);
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
    popup->Controls()->Add(host::kControlButton, std::nullopt, std::nullopt, std::int16_t{1}, true);
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

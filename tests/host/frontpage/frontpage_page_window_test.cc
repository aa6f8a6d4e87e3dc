// Page windows over the stand-in host: LocatePage, Activate, ActivePageWindow, the head's
// innerHTML read and written through Document.all.tags("HEAD").Item(0), and Close(ForceSave).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"
#include "tests/host/frontpage/host_fixture.h"

namespace kestrova::testing {
namespace {

using PageWindowTest = HostFixture;

constexpr char kIndexPath[] = "C:\\Webs\\My Site\\index.htm";
constexpr wchar_t kIndexPathWide[] = L"C:\\Webs\\My Site\\index.htm";
constexpr wchar_t kAboutPathWide[] = L"C:\\Webs\\My Site\\about.htm";

TEST_F(PageWindowTest, LocatesAPageAndReadsItsHeadThroughTheDocument) {
  host_.AddPageFile(kIndexPathWide, L"<title>Caf\u00e9</title>");
  {
    auto window = app_->LocatePage(kIndexPath, 0);
    EXPECT_EQ(window->Document()->HeadInnerHtml(), "<title>Caf\xC3\xA9</title>");
  }
  ExpectOnlyApplicationHeld();

  const auto locate = host_.log().Of(L"LocatePage");
  ASSERT_EQ(locate.size(), 1u);
  EXPECT_EQ(locate[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(locate[0].arguments, (std::vector<RecordedArgument>{Bstr(kIndexPathWide), I4(0)}));
  // The stand-in answers only Document.all.tags("HEAD").item(0): the head read above went that way.
  // What matters is the type each step takes.
  EXPECT_EQ(host_.log().Of(L"tags")[0].arguments, std::vector<RecordedArgument>{Bstr(L"HEAD")});
  EXPECT_EQ(host_.log().Of(L"item")[0].arguments, std::vector<RecordedArgument>{I2(0)});
  EXPECT_EQ(host_.log().Of(L"innerHTML")[0].flags, DISPATCH_PROPERTYGET);
}

TEST_F(PageWindowTest, WritesTheHeadAsANamedPropertyPut) {
  host_.AddPageFile(kIndexPathWide, L"<title>Old</title>");
  {
    auto window = app_->LocatePage(kIndexPath, 0);
    EXPECT_FALSE(window->IsDirty());
    auto document = window->Document();
    document->SetHeadInnerHtml("<title>New \xE2\x82\xAC</title>");
    EXPECT_EQ(document->HeadInnerHtml(), "<title>New \xE2\x82\xAC</title>");
    EXPECT_TRUE(window->IsDirty());
  }
  ExpectOnlyApplicationHeld();
  EXPECT_EQ(host_.PageAt(kIndexPathWide)->head_html, L"<title>New \u20ac</title>");
  const auto puts = host_.log().Of(L"innerHTML");
  ASSERT_EQ(puts.size(), 2u);
  EXPECT_EQ(puts[0].flags, DISPATCH_PROPERTYPUT);
  EXPECT_TRUE(puts[0].named_put);
  EXPECT_EQ(puts[0].arguments, std::vector<RecordedArgument>{Bstr(L"<title>New \u20ac</title>")});
}

TEST_F(PageWindowTest, ARefusedHeadWriteRaisesTheHostsErrorAndChangesNothing) {
  host_.AddPageFile(kIndexPathWide, L"<title>Kept</title>", /*head_read_only=*/true);
  {
    auto document = app_->LocatePage(kIndexPath, 0)->Document();
    try {
      document->SetHeadInnerHtml("<title>Lost</title>");
      ADD_FAILURE() << "the refused write did not raise";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), static_cast<std::int32_t>(0x800A0258u));
      EXPECT_EQ(failure.source(), "htmlfile");
      EXPECT_EQ(failure.description(), "Invalid target element for this operation.");
    }
    EXPECT_EQ(document->HeadInnerHtml(), "<title>Kept</title>");
  }
  ExpectOnlyApplicationHeld();
  EXPECT_EQ(host_.PageAt(kIndexPathWide)->head_html, L"<title>Kept</title>");
}

TEST_F(PageWindowTest, ActivateMakesTheWindowTheActiveOne) {
  host_.AddPageFile(kIndexPathWide, L"<title>Index</title>");
  host_.AddPageFile(kAboutPathWide, L"<title>About</title>");
  {
    auto index = app_->LocatePage(kIndexPath, 0);
    auto about = app_->LocatePage("C:\\Webs\\My Site\\about.htm", 0);
    EXPECT_EQ(app_->ActivePageWindow()->Document()->HeadInnerHtml(), "<title>About</title>");
    index->Activate();
    EXPECT_EQ(app_->ActivePageWindow()->Document()->HeadInnerHtml(), "<title>Index</title>");
    about->Activate();
    EXPECT_EQ(app_->ActivePageWindow()->Document()->HeadInnerHtml(), "<title>About</title>");
  }
  ExpectOnlyApplicationHeld();
  const auto activates = host_.log().Of(L"Activate");
  ASSERT_EQ(activates.size(), 2u);
  EXPECT_EQ(activates[0].flags, DISPATCH_METHOD);
  EXPECT_TRUE(activates[0].arguments.empty());
  EXPECT_EQ(host_.log().Of(L"ActivePageWindow")[0].flags, DISPATCH_PROPERTYGET);
}

TEST_F(PageWindowTest, CloseSavesOrNotAndLeavesNoActiveWindow) {
  struct CloseCase {
    bool save;
    RecordedArgument expected;
  };
  for (const CloseCase& test : {CloseCase{true, Bool(true)}, CloseCase{false, Bool(false)}}) {
    SCOPED_TRACE(test.save);
    host_.AddPageFile(kIndexPathWide, L"");
    host_.log().Clear();
    {
      auto window = app_->LocatePage(kIndexPath, 0);
      window->Close(test.save);
      try {
        app_->ActivePageWindow();
        ADD_FAILURE() << "a page window is still active";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), kErrObjectNotSet);
      }
    }
    ExpectOnlyApplicationHeld();
    const StandInHost::Page* page = host_.PageAt(kIndexPathWide);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->closed);
    EXPECT_EQ(page->saved_on_close, test.save);
    const auto closes = host_.log().Of(L"Close");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].flags, DISPATCH_METHOD);
    EXPECT_EQ(closes[0].arguments, std::vector<RecordedArgument>{test.expected});
  }
}

TEST_F(PageWindowTest, HostFailuresOfLocateAndCloseCarryItsDescription) {
  host_.AddPageFile(kIndexPathWide, L"");
  try {
    app_->LocatePage("C:\\Webs\\My Site\\missing.htm", 0);
    ADD_FAILURE() << "a missing page was located";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), static_cast<std::int32_t>(0x800A0035u));
    EXPECT_EQ(failure.source(), "Stand-in FrontPage");
    EXPECT_EQ(failure.description(),
              "The file \"C:\\Webs\\My Site\\missing.htm\" could not be found.");
  }
  ExpectOnlyApplicationHeld();
  {
    auto window = app_->LocatePage(kIndexPath, 0);
    host_.FailNextClose(static_cast<HRESULT>(0x800A1234u), L"The page is in use.");
    try {
      window->Close(true);
      ADD_FAILURE() << "the refused close did not raise";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), static_cast<std::int32_t>(0x800A1234u));
      EXPECT_EQ(failure.description(), "The page is in use.");
    }
    EXPECT_FALSE(host_.PageAt(kIndexPathWide)->closed);
  }
  ExpectOnlyApplicationHeld();
}

}  // namespace
}  // namespace kestrova::testing

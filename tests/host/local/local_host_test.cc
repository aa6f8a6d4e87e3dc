#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/failure.h"
#include "host/local/local_application.h"
#include "host/local/local_web.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/files/temporary_folder.h"
#include "tests/support/test_files.h"

namespace kestrova::host {
namespace {

namespace fs = std::filesystem;

class LocalHostTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return testing::WriteBytes(folder_ / name, bytes);
  }
  std::string Read(const std::string& path) { return testing::ReadBytes(path); }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder_)) {
      names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  const TemporaryFolder temporary_{"kestrova-host"};
  const fs::path& folder_ = temporary_.path();
  PosixFileSystem files_;
  LocalApplication app_{files_};
};

TEST_F(LocalHostTest, SavingChangesOnlyTheHeadsInnerHtmlAndKeepsThePermissions) {
  // A body larger than what is read at first: the rest is read when the page is saved.
  const std::string body =
      std::string("<body>\xff\0 x", 10) + std::string(300 << 10, 'b') + "</body>";
  const std::string page =
      "<!DOCTYPE html>\n<html><HEAD lang=en>\n<title>Old</title>\n</HEAD>\n" + body;
  const std::string path = Write("page.htm", page);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);

  auto window = app_.LocatePage(path, 0);
  window->Activate();
  EXPECT_EQ(app_.ActivePageWindow(), window);
  auto document = app_.ActivePageWindow()->Document();
  EXPECT_EQ(document->HeadInnerHtml(), "\n<title>Old</title>\n");
  document->SetHeadInnerHtml("<title>New</title>\r\n");
  EXPECT_EQ(document->HeadInnerHtml(), "<title>New</title>\r\n");
  EXPECT_EQ(Read(path), page);  // nothing is written before the save
  app_.ActivePageWindow()->Close(true);

  EXPECT_EQ(Read(path),
            "<!DOCTYPE html>\n<html><HEAD lang=en><title>New</title>\r\n</HEAD>\n" + body);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"page.htm"});  // no temporary file left
  EXPECT_THROW(app_.ActivePageWindow(), Failure);
}

TEST_F(LocalHostTest, ClosingWithoutSavingLeavesTheFile) {
  const std::string path = Write("page.htm", "<head><title>A</title></head>");
  auto window = app_.LocatePage(path, 0);
  window->Activate();
  window->Document()->SetHeadInnerHtml("<title>B</title>");
  window->Close(false);
  EXPECT_EQ(Read(path), "<head><title>A</title></head>");
  EXPECT_THROW(window->Document(), Failure);
  EXPECT_THROW(window->Close(true), Failure);
}

TEST_F(LocalHostTest, APageWithoutHeadGetsOneWhereTheParserImpliesIt) {
  const std::string path = Write("page.htm", "<html>\n<title>T</title>\n<body>b</body></html>");
  auto window = app_.LocatePage(path, 0);
  EXPECT_EQ(window->Document()->HeadInnerHtml(), "<title>T</title>\n");
  window->Document()->SetHeadInnerHtml("<title>U</title>\r\n");
  window->Close(true);
  EXPECT_EQ(Read(path), "<html>\n<head><title>U</title>\r\n</head><body>b</body></html>");
}

TEST_F(LocalHostTest, ActivateDecidesTheActivePageWindow) {
  const std::string a = Write("a.htm", "<head><title>a</title></head>");
  const std::string b = Write("b.htm", "<head><title>b</title></head>");
  EXPECT_THROW(app_.ActivePageWindow(), Failure);
  auto window_a = app_.LocatePage(a, 0);
  window_a->Activate();
  auto window_b = app_.LocatePage(b, 0);
  // A located window comes to the front only when activated.
  EXPECT_EQ(app_.ActivePageWindow(), window_a);
  window_b->Activate();
  EXPECT_EQ(app_.ActivePageWindow(), window_b);
  // Locating an open page gives its window back.
  EXPECT_EQ(app_.LocatePage(a, 0), window_a);
  window_b->Close(false);
  EXPECT_EQ(app_.ActivePageWindow(), window_a);
  EXPECT_THROW(app_.LocatePage((folder_ / "missing.htm").string(), 0), Failure);
}

TEST_F(LocalHostTest, ControlsAreAddedBeforeTheirPosition) {
  auto bar = app_.CommandBars()->Item("Menu Bar");
  auto controls = bar->Controls();
  EXPECT_EQ(controls->Count(), 10);
  auto popup = controls->Add(kControlPopup, std::nullopt, std::nullopt, std::int16_t{9}, true);
  popup->SetCaption("Mine");
  std::vector<std::string> captions;
  for (std::int32_t index = 1; index <= controls->Count(); ++index) {
    captions.push_back(controls->Item(index)->Caption());
  }
  EXPECT_EQ(captions,
            (std::vector<std::string>{"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools",
                                      "T&able", "Fra&mes", "Mine", "&Window", "&Help"}));
  EXPECT_EQ(popup->Type(), kControlPopup);
  EXPECT_TRUE(dynamic_cast<LocalCommandBarControl&>(*popup).temporary());
  auto last = controls->Add(kControlButton, std::nullopt, std::nullopt, std::nullopt, true);
  EXPECT_EQ(controls->Item(12), last);
  auto far = controls->Add(kControlButton, std::nullopt, std::nullopt, std::int16_t{99}, true);
  EXPECT_EQ(controls->Item(13), far);
  EXPECT_THROW(controls->Item(14), Failure);
  EXPECT_THROW(app_.CommandBars()->Item("Standard"), Failure);
  EXPECT_THROW(last->Controls(), Failure);

  int clicks = 0;
  auto button =
      popup->Controls()->Add(kControlButton, std::nullopt, std::nullopt, std::int16_t{1}, true);
  button->SetClickHandler([&clicks](CommandBarControl&, bool&) { ++clicks; });
  auto& local_button = dynamic_cast<LocalCommandBarControl&>(*button);
  EXPECT_EQ(local_button.Type(), kControlButton);
  EXPECT_TRUE(local_button.temporary());
  EXPECT_TRUE(local_button.Click());
  button->SetEnabled(false);
  EXPECT_FALSE(local_button.Click());
  EXPECT_EQ(clicks, 1);

  popup->Delete();
  EXPECT_EQ(controls->Count(), 12);
  EXPECT_FALSE(local_button.Click());  // its popup is gone
  EXPECT_THROW(popup->Delete(), Failure);
}

TEST(LocalWebTest, TheRootFolderHasNoTrailingSeparator) {
  EXPECT_EQ(LocalWeb("/srv/web/").RootFolder()->Location(), "/srv/web");
  EXPECT_EQ(LocalWeb("/srv/web").RootFolder()->Location(), "/srv/web");
  EXPECT_EQ(LocalWeb("/").RootFolder()->Location(), "/");
}

}  // namespace
}  // namespace kestrova::host

#include <gtest/gtest.h>

#include "host/local/local_web.h"
#include "tests/support/publish_fixture.h"

namespace kestrova::testing {
namespace {

using host::LocalCommandBarControl;

// The captions of the controls, with their enabled state.
std::vector<std::string> Captions(const host::LocalCommandBarControls& controls) {
  std::vector<std::string> captions;
  for (const auto& control : controls.controls()) {
    captions.push_back(control->Caption() + (control->Enabled() ? "" : " (disabled)"));
  }
  return captions;
}

LocalCommandBarControl& Local(const std::shared_ptr<host::CommandBarControl>& control) {
  return dynamic_cast<LocalCommandBarControl&>(*control);
}

class FPKestrovaTest : public PublishFixture {};

TEST_F(FPKestrovaTest, WebEventsEnableDemoMendWhichOnlySaysSo) {
  auto& demo = Local(addin->ksvMenuDemo());
  EXPECT_FALSE(demo.Click());  // disabled: nothing happens
  EXPECT_TRUE(ui.messages.empty());

  host::LocalWeb local_web(web.string());
  app->RaiseWebNew(local_web);
  EXPECT_TRUE(demo.Enabled());
  EXPECT_TRUE(demo.Click());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"none|FPKestrova|No demo here."});
  EXPECT_EQ(ui.messages[0].buttons, MsgBoxButtons::kOkOnly);

  // The add-in's other state is untouched; the page files too.
  EXPECT_EQ(addin->webPath(), "");
  EXPECT_TRUE(browser.urls.empty());
}

TEST_F(FPKestrovaTest, RegisterAndAboutOpenTheServicesPages) {
  EXPECT_TRUE(Local(addin->ksvMenuRegister()).Click());
  EXPECT_EQ(browser.urls, std::vector<std::string>{"https://www.kestrova.com/subscribe.html"});
  EXPECT_TRUE(Local(addin->ksvMenuAbout()).Click());
  EXPECT_TRUE(Local(addin->ksvMenuAbout()).Click());
  EXPECT_EQ(ui.about_shown, 2);
}

TEST_F(FPKestrovaTest, MenuCommandsWhileTheAboutBoxIsUpActAsTheyWouldAlone) {
  host::LocalWeb local_web(web.string());
  app->RaiseWebOpen(local_web);
  bool still_shown = false;
  ui.on_about = [&](FrmKSVAbout& about) {
    if (ui.about_shown > 1) return;
    // The host's menus stay live while the box is up.
    EXPECT_TRUE(Local(addin->ksvMenuAbout()).Click());
    EXPECT_TRUE(Local(addin->ksvMenuRegister()).Click());
    EXPECT_TRUE(Local(addin->ksvMenuDemo()).Click());
    still_shown = about.visible();
  };
  EXPECT_TRUE(Local(addin->ksvMenuAbout()).Click());
  EXPECT_EQ(ui.about_shown, 1) << "the second About raised the open box instead of a new one";
  EXPECT_EQ(ui.about_raised, 1);
  EXPECT_TRUE(still_shown);
  EXPECT_EQ(browser.urls, std::vector<std::string>{"https://www.kestrova.com/subscribe.html"});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"none|FPKestrova|No demo here."});
  // Once the box is closed, About shows it anew.
  ui.on_about = nullptr;
  EXPECT_TRUE(Local(addin->ksvMenuAbout()).Click());
  EXPECT_EQ(ui.about_shown, 2);
  EXPECT_EQ(ui.about_raised, 1);
}

TEST_F(FPKestrovaTest, DisconnectionAndShutdownRemoveTheMenuAndReleaseTheHost) {
  const auto popup = addin->ksvMenuPopup();
  addin->OnDisconnection();
  EXPECT_EQ(Captions(*app->local_command_bars()->menu_bar()->local_controls()).size(), 10u);
  EXPECT_TRUE(Local(popup).deleted());
  addin->OnDisconnection();                  // again: still no failure
  EXPECT_NE(addin->ksvMenuDemo(), nullptr);  // the buttons are held until shutdown

  addin->OnAddInsUpdate();
  addin->OnStartupComplete();
  EXPECT_NE(addin->fpApp(), nullptr);
  addin->OnBeginShutdown();
  EXPECT_EQ(addin->fpApp(), nullptr);
  EXPECT_EQ(addin->ksvMenuDemo(), nullptr);
  EXPECT_EQ(addin->ksvMenuAbout(), nullptr);
  EXPECT_EQ(addin->ksvMenuRegister(), nullptr);

  // No web events reach the add-in any more.
  host::LocalWeb local_web(web.string());
  std::string destination = server.SiteUrl();
  bool cancel = false;
  app->RaiseBeforeWebPublish(local_web, destination, cancel);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(FPKestrovaTest, EventsBeforeAConnectionFollowTheirFailureRules) {
  auto other_app = std::make_shared<host::LocalApplication>(files);
  FPKestrova unconnected(other_app, services, settings);
  host::LocalWeb local_web(web.string());
  EXPECT_NO_THROW(other_app->RaiseWebOpen(local_web));
  try {
    other_app->RaiseWebNew(local_web);
    ADD_FAILURE() << "OnWebNew without a menu reported success";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrObjectNotSet);
  }
  EXPECT_NO_THROW(unconnected.OnDisconnection());
  EXPECT_NO_THROW(unconnected.OnBeginShutdown());

  // Created without a host application (FrontPage hands it over at connection), it waits unbound.
  const FPKestrova unbound(nullptr, services, settings);
  EXPECT_EQ(unbound.fpApp(), nullptr);
  EXPECT_TRUE(unbound.webPath().empty());
}

// The host application as the add-in alone holds it, the way a wrapper of the host's own object
// is held: every call goes to the fixture's application.
class SolelyHeldApplication final : public host::Application {
 public:
  SolelyHeldApplication(host::Application& inner, bool& destroyed)
      : inner_(inner), destroyed_(destroyed) {}
  ~SolelyHeldApplication() override { destroyed_ = true; }
  std::shared_ptr<host::CommandBars> CommandBars() override { return inner_.CommandBars(); }
  std::shared_ptr<host::PageWindow> ActivePageWindow() override {
    EXPECT_FALSE(destroyed_);
    return inner_.ActivePageWindow();
  }
  std::shared_ptr<host::PageWindow> LocatePage(const std::string& path, int view_mode) override {
    EXPECT_FALSE(destroyed_);
    return inner_.LocatePage(path, view_mode);
  }
  void Advise(host::ApplicationEvents* events) override { inner_.Advise(events); }
  void Unadvise() override { inner_.Unadvise(); }

 private:
  host::Application& inner_;
  bool& destroyed_;
};

TEST_F(FPKestrovaTest, AShutdownDuringAPublishLetsThePublishFinishFirst) {
  // The host shuts the add-in down from inside the publish's wait, as a host whose messages the
  // wait dispatches can.
  addin->OnBeginShutdown();
  addin.reset();
  bool destroyed = false;
  addin = std::make_unique<FPKestrova>(std::make_shared<SolelyHeldApplication>(*app, destroyed),
                                       services, settings);
  addin->OnConnection(*app);
  server.SetMendFolder(
      {{"inventory.txt", "12/7/2026\r\n" + server.SiteUrl() + "\r\nindex.htm\r\ninventory.txt\r\n"},
       {"index.htm",
        MendingFile({"<meta name=\"x\" content=\"1\">", "<meta name=\"y\" content=\"2\">",
                     "<meta name=\"z\" content=\"3\">"})}});
  WriteWebFile("index.htm", "<html><head><title>Old</title></head><body>b</body></html>");
  ui.on_status_window = [this](FrmMending&) { addin->OnBeginShutdown(); };
  EXPECT_FALSE(Publish()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(addin->fpApp(), nullptr);
  EXPECT_TRUE(destroyed) << "the application goes once the publish is over";
  EXPECT_NE(ReadWebFile("index.htm").find("name=\"z\""), std::string::npos);
}

TEST_F(FPKestrovaTest, AFailedConnectionLeavesWhatItAddedAndItsErrorGoesBack) {
  // A host whose menu bar refuses the third button.
  class RefusingControls final : public host::CommandBarControls {
   public:
    explicit RefusingControls(std::shared_ptr<host::CommandBarControls> inner)
        : inner_(std::move(inner)) {}
    std::shared_ptr<host::CommandBarControl> Add(std::int32_t type, std::optional<std::int32_t> id,
                                                 std::optional<std::string> parameter,
                                                 std::optional<std::int16_t> before,
                                                 bool temporary) override {
      if (++adds_ == 3) RaiseProgramError(kErrInvalidArgument, "refused by the host");
      return inner_->Add(type, id, parameter, before, temporary);
    }
    std::int32_t Count() const override { return inner_->Count(); }
    std::shared_ptr<host::CommandBarControl> Item(std::int32_t index) override {
      return inner_->Item(index);
    }

   private:
    std::shared_ptr<host::CommandBarControls> inner_;
    int adds_ = 0;
  };
  class PopupWrapper final : public host::CommandBarControl {
   public:
    explicit PopupWrapper(std::shared_ptr<host::CommandBarControl> inner)
        : inner_(std::move(inner)),
          controls_(std::make_shared<RefusingControls>(inner_->Controls())) {}
    std::string Caption() const override { return inner_->Caption(); }
    void SetCaption(std::string_view caption) override { inner_->SetCaption(caption); }
    bool Enabled() const override { return inner_->Enabled(); }
    void SetEnabled(bool enabled) override { inner_->SetEnabled(enabled); }
    std::int32_t Type() const override { return inner_->Type(); }
    void Delete() override { inner_->Delete(); }
    std::shared_ptr<host::CommandBarControls> Controls() override { return controls_; }
    void SetClickHandler(ClickHandler handler) override {
      inner_->SetClickHandler(std::move(handler));
    }

   private:
    std::shared_ptr<host::CommandBarControl> inner_;
    std::shared_ptr<host::CommandBarControls> controls_;
  };
  class BarControls final : public host::CommandBarControls {
   public:
    explicit BarControls(std::shared_ptr<host::CommandBarControls> inner)
        : inner_(std::move(inner)) {}
    std::shared_ptr<host::CommandBarControl> Add(std::int32_t type, std::optional<std::int32_t> id,
                                                 std::optional<std::string> parameter,
                                                 std::optional<std::int16_t> before,
                                                 bool temporary) override {
      return std::make_shared<PopupWrapper>(inner_->Add(type, id, parameter, before, temporary));
    }
    std::int32_t Count() const override { return inner_->Count(); }
    std::shared_ptr<host::CommandBarControl> Item(std::int32_t index) override {
      return inner_->Item(index);
    }

   private:
    std::shared_ptr<host::CommandBarControls> inner_;
  };
  class Bar final : public host::CommandBar {
   public:
    explicit Bar(std::shared_ptr<host::CommandBar> inner)
        : inner_(inner), controls_(std::make_shared<BarControls>(inner->Controls())) {}
    std::string Name() const override { return inner_->Name(); }
    std::shared_ptr<host::CommandBarControls> Controls() override { return controls_; }

   private:
    std::shared_ptr<host::CommandBar> inner_;
    std::shared_ptr<host::CommandBarControls> controls_;
  };
  class Bars final : public host::CommandBars {
   public:
    explicit Bars(std::shared_ptr<host::CommandBars> inner) : inner_(std::move(inner)) {}
    std::shared_ptr<host::CommandBar> Item(std::string_view name) override {
      return std::make_shared<Bar>(inner_->Item(name));
    }

   private:
    std::shared_ptr<host::CommandBars> inner_;
  };
  class RefusingApplication final : public host::Application {
   public:
    explicit RefusingApplication(FileSystem& files) : local(files) {}
    std::shared_ptr<kestrova::host::CommandBars> CommandBars() override {
      return std::make_shared<Bars>(local.CommandBars());
    }
    std::shared_ptr<host::PageWindow> ActivePageWindow() override {
      return local.ActivePageWindow();
    }
    std::shared_ptr<host::PageWindow> LocatePage(const std::string& path, int mode) override {
      return local.LocatePage(path, mode);
    }
    void Advise(host::ApplicationEvents* events) override { local.Advise(events); }
    void Unadvise() override { local.Unadvise(); }
    host::LocalApplication local;
  };

  auto refusing = std::make_shared<RefusingApplication>(files);
  FPKestrova addin_on_refusing_host(refusing, services, settings);
  EXPECT_THROW(addin_on_refusing_host.OnConnection(*refusing), Failure);
  // The popup and the two buttons added before the failure stay on the menu bar.
  const auto& bar = *refusing->local.local_command_bars()->menu_bar()->local_controls();
  ASSERT_EQ(bar.controls().size(), 11u);
  const auto& popup = bar.controls()[8];
  EXPECT_EQ(popup->Caption(), "Kestrova");
  EXPECT_EQ(Captions(dynamic_cast<host::LocalCommandBarControls&>(*popup->Controls())),
            (std::vector<std::string>{"Register", "About"}));
  EXPECT_NO_THROW(addin_on_refusing_host.OnDisconnection());
  EXPECT_EQ(bar.controls().size(), 10u);
}

}  // namespace
}  // namespace kestrova::testing

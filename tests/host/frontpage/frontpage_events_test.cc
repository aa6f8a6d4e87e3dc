// The host's events over the stand-in host's connection points: the application's web events
// reaching the receiver given to Advise, Destination and Cancel written back in both by-reference
// forms, a receiver's failure coming back as the host's exception, a button's Click reaching its
// handler, and every connection undone (no sink left, every reference back).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "host/application.h"
#include "host/command_bars.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"
#include "tests/host/frontpage/host_fixture.h"

namespace kestrova::testing {
namespace {

using ByReference = StandInHost::ByReference;

constexpr wchar_t kWebUrl[] = L"file:///C:/Webs/Sample%20Site/";
constexpr char kWebPath[] = "C:\\Webs\\Sample Site";

// Records every event with the local path of its web; OnBeforeWebPublish also records what it was
// passed, then raises failure or writes the new values when they are set.
class RecordingReceiver final : public host::ApplicationEvents {
 public:
  struct Event {
    std::string name;
    std::string web_path;
    std::string destination;
    bool cancel = false;
  };

  void OnWebNew(host::Web& web) override { Record("OnWebNew", web, "", false); }
  void OnWebOpen(host::Web& web) override { Record("OnWebOpen", web, "", false); }
  void OnBeforeWebPublish(host::Web& web, std::string& destination, bool& cancel) override {
    Record("OnBeforeWebPublish", web, destination, cancel);
    if (new_destination) destination = *new_destination;
    if (new_cancel) cancel = *new_cancel;
  }

  std::vector<Event> events;
  std::optional<Failure> failure;
  std::optional<std::string> new_destination;
  std::optional<bool> new_cancel;

 private:
  void Record(const char* name, host::Web& web, const std::string& destination, bool cancel) {
    events.push_back(Event{name, web.RootFolder()->Location(), destination, cancel});
    if (failure) throw *failure;
  }
};

class ApplicationEventsTest : public HostFixture {
 protected:
  IDispatch* web_ = host_.AddWeb(kWebUrl);
};

// One of the application's events as the host raises it.
struct WebEvent {
  const char* name;
  std::function<FireOutcome(StandInHost&, IDispatch*)> fire;
};

const WebEvent kWebEvents[] = {
    {"OnWebNew", [](StandInHost& host, IDispatch* web) { return host.FireWebNew(web); }},
    {"OnWebOpen", [](StandInHost& host, IDispatch* web) { return host.FireWebOpen(web); }},
    {"OnBeforeWebPublish",
     [](StandInHost& host, IDispatch* web) -> FireOutcome {
       return host.FireBeforeWebPublish(web, L"http://www.example.com", false);
     }},
};

TEST_F(ApplicationEventsTest, WebEventsReachTheReceiverWithTheirWeb) {
  // FrontPage 2000's numbers without type information; then other numbers that the host's type
  // information names, found through IDispatch::GetTypeInfo or IProvideClassInfo.
  const struct {
    const char* name;
    std::optional<EventIds> ids;
    FakeDispatch::TypeInfoRoute route;
  } numberings[] = {
      {"usual numbers", std::nullopt, FakeDispatch::TypeInfoRoute::kGetTypeInfo},
      {"GetTypeInfo", EventIds{21, 22, 24}, FakeDispatch::TypeInfoRoute::kGetTypeInfo},
      {"IProvideClassInfo", EventIds{4, 1, 2}, FakeDispatch::TypeInfoRoute::kProvideClassInfo},
  };
  for (const auto& numbering : numberings) {
    SCOPED_TRACE(numbering.name);
    if (numbering.ids) host_.NumberEventsAs(*numbering.ids, numbering.route);
    RecordingReceiver receiver;
    app_->Advise(&receiver);
    EXPECT_EQ(host_.ApplicationSinkCount(), 1u);
    for (const WebEvent& event : kWebEvents) {
      SCOPED_TRACE(event.name);
      receiver.events.clear();
      const FireOutcome outcome = event.fire(host_, web_);
      EXPECT_EQ(outcome.result, S_OK);
      EXPECT_EQ(outcome.sinks_called, 1u);
      ASSERT_EQ(receiver.events.size(), 1u);
      EXPECT_EQ(receiver.events[0].name, event.name);
      EXPECT_EQ(receiver.events[0].web_path, kWebPath);
    }
    app_->Unadvise();
    ExpectOnlyApplicationHeld();
  }
}

// One OnBeforeWebPublish: what the host passes, what the receiver writes, what the host reads.
struct PublishCase {
  const char* name;
  const wchar_t* destination;
  bool cancel;
  std::optional<std::string> new_destination;  // UTF-8
  std::optional<bool> new_cancel;
  const char* seen_destination;  // UTF-8, as the receiver gets it
  const wchar_t* final_destination;
  bool final_cancel;
};

const PublishCase kPublishCases[] = {
    {"left alone", L"http://www.example.com/site", false, std::nullopt, std::nullopt,
     "http://www.example.com/site", L"http://www.example.com/site", false},
    {"a cancel passed in stays", L"http://www.example.com", true, std::nullopt, std::nullopt,
     "http://www.example.com", L"http://www.example.com", true},
    {"replaced and cancelled", L"ftp://files.example.com/", false,
     "http://www.example.com/caf\xC3\xA9", true, "ftp://files.example.com/",
     L"http://www.example.com/caf\u00e9", true},
    {"emptied and cancelled", L"www.example.com", false, "", true, "www.example.com", L"", true},
    {"non-ASCII passed in", L"http://b\u00fccher.example/\u20ac", false, std::nullopt, std::nullopt,
     "http://b\xC3\xBC"
     "cher.example/\xE2\x82\xAC",
     L"http://b\u00fccher.example/\u20ac", false},
};

TEST_F(ApplicationEventsTest, BeforeWebPublishWritesDestinationAndCancelBack) {
  for (const ByReference form : {ByReference::kTyped, ByReference::kVariant}) {
    for (const PublishCase& test : kPublishCases) {
      SCOPED_TRACE(std::string(test.name) +
                   (form == ByReference::kTyped ? " (BSTR and BOOL)" : " (VARIANTs)"));
      RecordingReceiver receiver;
      receiver.new_destination = test.new_destination;
      receiver.new_cancel = test.new_cancel;
      app_->Advise(&receiver);
      const StandInHost::PublishOutcome outcome =
          host_.FireBeforeWebPublish(web_, test.destination, test.cancel, form);
      app_->Unadvise();

      EXPECT_EQ(outcome.result, S_OK);
      ASSERT_EQ(receiver.events.size(), 1u);
      EXPECT_EQ(receiver.events[0].web_path, kWebPath);
      EXPECT_EQ(receiver.events[0].destination, test.seen_destination);
      EXPECT_EQ(receiver.events[0].cancel, test.cancel);
      EXPECT_EQ(outcome.destination, test.final_destination);
      EXPECT_EQ(outcome.cancel, test.final_cancel);
      // A Boolean goes back as VARIANT_TRUE (-1), never as another non-zero value.
      EXPECT_EQ(outcome.cancel_value, test.final_cancel ? VARIANT_TRUE : VARIANT_FALSE);
      EXPECT_EQ(outcome.destination_type, VT_BSTR);
      EXPECT_EQ(outcome.cancel_type, VT_BOOL);
      ExpectOnlyApplicationHeld();
    }
  }
}

TEST_F(ApplicationEventsTest, ReceiverFailureComesBackAsTheHostsException) {
  const Failure failures[] = {
      Failure(errNoMendFolder, "FPKestrova", "Directory \"kestrova\" not found on server."),
      Failure(kErrFileNotFound, "FPKestrova", "File not found: caf\xC3\xA9.htm"),
  };
  for (const WebEvent& event : kWebEvents) {
    for (const Failure& failure : failures) {
      SCOPED_TRACE(std::string(event.name) + ": " + failure.description());
      RecordingReceiver receiver;
      receiver.failure = failure;
      app_->Advise(&receiver);
      const FireOutcome outcome = event.fire(host_, web_);
      app_->Unadvise();
      EXPECT_EQ(receiver.events.size(), 1u);
      EXPECT_EQ(outcome.result, DISP_E_EXCEPTION);
      EXPECT_EQ(outcome.scode, win32::HresultFromFailure(failure));
      EXPECT_EQ(outcome.description, win32::WideFromUtf8(failure.description()));
      EXPECT_EQ(outcome.source, L"FPKestrova");
    }
  }
  ExpectOnlyApplicationHeld();
}

// Advising again replaces the receiver; Unadvise disconnects it.
TEST_F(ApplicationEventsTest, AdviseReplacesAndUnadviseReturnsEveryReference) {
  RecordingReceiver first;
  RecordingReceiver receiver;
  app_->Advise(&first);
  app_->Advise(&receiver);
  ASSERT_EQ(host_.ApplicationSinkCount(), 1u);
  EXPECT_EQ(host_.FireWebNew(web_).sinks_called, 1u);
  EXPECT_TRUE(first.events.empty());
  EXPECT_EQ(receiver.events.size(), 1u);
  receiver.events.clear();
  app_->Unadvise();
  EXPECT_EQ(host_.ApplicationSinkCount(), 0u);
  ExpectOnlyApplicationHeld();
  for (const WebEvent& event : kWebEvents) {
    SCOPED_TRACE(event.name);
    const FireOutcome outcome = event.fire(host_, web_);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.sinks_called, 0u);
  }
  EXPECT_TRUE(receiver.events.empty());
  // A second Unadvise has nothing left to undo.
  EXPECT_NO_THROW(app_->Unadvise());
  // Connected again, the events arrive again.
  app_->Advise(&receiver);
  EXPECT_EQ(host_.FireWebOpen(web_).sinks_called, 1u);
  EXPECT_EQ(receiver.events.size(), 1u);
  app_->Unadvise();
  ExpectOnlyApplicationHeld();
}

TEST_F(ApplicationEventsTest, DroppingTheApplicationDisconnectsItsReceiver) {
  RecordingReceiver receiver;
  app_->Advise(&receiver);
  ASSERT_EQ(host_.ApplicationSinkCount(), 1u);
  app_.reset();
  EXPECT_EQ(host_.ApplicationSinkCount(), 0u);
  EXPECT_EQ(host_.OutstandingReferences(), 0);
  EXPECT_EQ(host_.FireWebOpen(web_).sinks_called, 0u);
  EXPECT_TRUE(receiver.events.empty());
}

// A button on a "Kestrova" popup of the menu bar, built through the host layer, and the host's
// own record of it.
class ButtonClickTest : public HostFixture {
 protected:
  void SetUp() override {
    auto bar = app_->CommandBars()->Item("Menu Bar");
    popup_ = bar->Controls()->Add(host::kControlPopup, std::nullopt, std::nullopt, std::int16_t{9},
                                  true);
    popup_->SetCaption("Kestrova");
    button_ = popup_->Controls()->Add(host::kControlButton, std::nullopt, std::nullopt,
                                      std::int16_t{1}, true);
    button_->SetCaption("About");
    host_button_ = host_.MenuItem(L"Kestrova", L"About");
    ASSERT_NE(host_button_, nullptr);
  }

  void TearDown() override {
    button_.reset();
    popup_.reset();
    EXPECT_EQ(host_.ConnectedSinkCount(), 0u);
    HostFixture::TearDown();
  }

  // A handler that records its calls: the control it was given and CancelDefault as it came.
  host::CommandBarControl::ClickHandler Recorder(std::vector<bool>& seen,
                                                 std::optional<bool> set_cancel = std::nullopt) {
    return [this, &seen, set_cancel](host::CommandBarControl& control, bool& cancel_default) {
      EXPECT_EQ(&control, button_.get());
      EXPECT_EQ(control.Caption(), "About");
      seen.push_back(cancel_default);
      if (set_cancel) cancel_default = *set_cancel;
    };
  }

  std::shared_ptr<host::CommandBarControl> popup_;
  std::shared_ptr<host::CommandBarControl> button_;
  StandInHost::Control* host_button_ = nullptr;
};

TEST_F(ButtonClickTest, ClickReachesTheHandlerAndCancelDefaultStaysAsItWas) {
  std::vector<bool> seen;
  button_->SetClickHandler(Recorder(seen));
  EXPECT_EQ(host_.ButtonSinkCount(*host_button_), 1u);
  for (const bool cancel_default : {false, true}) {
    SCOPED_TRACE(cancel_default);
    seen.clear();
    const StandInHost::ClickOutcome outcome = host_.Click(*host_button_, cancel_default);
    EXPECT_EQ(outcome.result, S_OK);
    EXPECT_EQ(outcome.sinks_called, 1u);
    EXPECT_EQ(seen, std::vector<bool>{cancel_default});
    EXPECT_EQ(outcome.cancel_default_value, cancel_default ? VARIANT_TRUE : VARIANT_FALSE);
  }
  // What a handler sets goes back to the host.
  seen.clear();
  button_->SetClickHandler(Recorder(seen, true));
  const StandInHost::ClickOutcome outcome = host_.Click(*host_button_, false);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(outcome.cancel_default_value, VARIANT_TRUE);
  button_->SetClickHandler(nullptr);
}

TEST_F(ButtonClickTest, HandlerFailureComesBackAsTheHostsException) {
  const Failure failure(kErrObjectNotSet, "FPKestrova", "No browser could be started.");
  button_->SetClickHandler([&failure](host::CommandBarControl&, bool&) { throw failure; });
  const StandInHost::ClickOutcome outcome = host_.Click(*host_button_, false);
  EXPECT_EQ(outcome.result, DISP_E_EXCEPTION);
  EXPECT_EQ(outcome.scode, win32::HresultFromFailure(failure));
  EXPECT_EQ(outcome.description, L"No browser could be started.");
  EXPECT_FALSE(outcome.cancel_default);
  button_->SetClickHandler(nullptr);
}

// A new handler replaces the old; an empty one disconnects.
TEST_F(ButtonClickTest, ANewHandlerReplacesAndAnEmptyOneDisconnects) {
  std::vector<bool> first;
  std::vector<bool> seen;
  button_->SetClickHandler(Recorder(first));
  button_->SetClickHandler(Recorder(seen));
  EXPECT_EQ(host_.ButtonSinkCount(*host_button_), 1u);
  EXPECT_EQ(host_.Click(*host_button_, false).sinks_called, 1u);
  EXPECT_TRUE(first.empty());
  EXPECT_EQ(seen.size(), 1u);
  seen.clear();
  button_->SetClickHandler(nullptr);
  EXPECT_EQ(host_.ButtonSinkCount(*host_button_), 0u);
  const StandInHost::ClickOutcome outcome = host_.Click(*host_button_, false);
  EXPECT_EQ(outcome.result, S_OK);
  EXPECT_EQ(outcome.sinks_called, 0u);
  EXPECT_TRUE(seen.empty());
  // Every reference the connection took is back: only the wrappers' own remain.
  popup_.reset();
  button_.reset();
  ExpectOnlyApplicationHeld();
}

TEST_F(ButtonClickTest, DroppingTheButtonDisconnectsItsHandler) {
  std::vector<bool> seen;
  button_->SetClickHandler(
      [&seen](host::CommandBarControl&, bool& cancel_default) { seen.push_back(cancel_default); });
  ASSERT_EQ(host_.ButtonSinkCount(*host_button_), 1u);
  button_.reset();
  EXPECT_EQ(host_.ButtonSinkCount(*host_button_), 0u);
  EXPECT_EQ(host_.Click(*host_button_, false).sinks_called, 0u);
  EXPECT_TRUE(seen.empty());
}

TEST_F(ButtonClickTest, APopupHasNoClickToConnect) {
  EXPECT_THROW(popup_->SetClickHandler([](host::CommandBarControl&, bool&) {}), Failure);
  EXPECT_EQ(host_.ConnectedSinkCount(), 0u);
}

}  // namespace
}  // namespace kestrova::testing

#include "publish/publish_driver.h"

#include <memory>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "base/hidden_password.h"
#include "base/host_closing.h"
#include "mending/entry_paths.h"
#include "publish/mend_phase.h"
#include "publish/mend_store.h"
#include "publish/publish_cancelled.h"
#include "publish/request_failure.h"
#include "ui/frm_mending.h"
#include "ui/frm_not_client.h"

namespace kestrova {
namespace {

// True when the destination is a web address the mend store can use. An https address is as good
// as an http one.
bool HoldsWebAddress(const std::string& destination) {
  return destination.find("http://") != std::string::npos ||
         destination.find("https://") != std::string::npos;
}

// Abandons the host's page changes when dropped, unless they were committed meanwhile (after
// which abandoning does nothing).
class PageChangesAbandoned {
 public:
  explicit PageChangesAbandoned(host::Application& app) : app_(app) {}
  ~PageChangesAbandoned() { app_.AbandonPageChanges(); }
  PageChangesAbandoned(const PageChangesAbandoned&) = delete;
  PageChangesAbandoned& operator=(const PageChangesAbandoned&) = delete;

 private:
  host::Application& app_;
};

}  // namespace

PublishDriver::PublishDriver(host::Application& app, const PublishServices& services,
                             const PublishSettings& settings)
    : app_(app), services_(services), settings_(settings) {}

void PublishDriver::OnBeforeWebPublish(host::Web& web, std::string& destination, bool& cancel) {
  if (running_) {
    // A wait of the publish in progress let the host start another one.
    services_.ui.MsgBox(
        "FPKestrova is still preparing the publish in progress. Wait for it to finish, then "
        "publish again.",
        MsgBoxButtons::kOkOnly, MsgBoxIcon::kCritical, kErrorTitle);
    cancel = true;
    return;
  }
  running_ = true;
  services_.last_error.Clear();
  std::unique_ptr<FrmMending> window;
  std::unique_ptr<FrmMendingView> view;
  std::unique_ptr<Fetcher> fetcher;
  try {
    window = std::make_unique<FrmMending>(services_.pump);
    view = services_.ui.CreateStatusView(*window);
    window->SetView(view.get());
    const std::function<void()> check_cancel = [this, &window] {
      // The mend phase does not pump; a Ctrl-C waiting in the pump still reaches the window here.
      services_.pump.DispatchCancelRequest();
      if (window->ksvCancel()) throw PublishCancelled{};
    };
    fetcher = std::make_unique<Fetcher>(services_, settings_, check_cancel);
    fetcher->SetStateWatcher([&window](int state) { window->OnTransferStateChanged(state); });
    // Cancel (the status window's, Ctrl+C, the host closing) stops the requests in progress at
    // once; the driver then sees the flag where it waits and stops publishing.
    window->SetCancelCallback([&fetcher] { fetcher->Cancel(); });
    services_.pump.SetCancelHandler([&window] { window->OnCancelClick(); });
    Run(web, destination, cancel, *window, *fetcher, check_cancel);
  } catch (const PublishCancelled&) {
    cancel = true;
  } catch (const HostClosing&) {
    // FrontPage is closing: it may be gone, so nothing is shown and the publish stops.
    cancel = true;
  } catch (const Failure& failure) {
    if (window && !failure.address().empty()) {
      // The status line names the request that failed after the transfer's own sentence (or,
      // where none shows, the failure's text), while the message about it shows.
      const std::string shown = window->status_bar_text().empty()
                                    ? OnOneLine(HidePasswords(failure.description()))
                                    : window->status_bar_text();
      window->SetStatusBarText(FailedRequestStatusLine(shown, HidePasswords(failure.address())));
    }
    HandleFailureSafely(failure, cancel);
  } catch (const std::exception& error) {
    HandleFailureSafely(ProgramFailure(kErrInvalidArgument, error.what()), cancel);
  }
  // A publish once cancelled (Cancel, the host closing) never goes on, whatever a dialog
  // answered meanwhile.
  if (window && window->ksvCancel()) cancel = true;
  // Clean-up, at every exit.
  services_.pump.SetCancelHandler(nullptr);
  services_.last_error.Clear();
  if (window) {
    window->StopAnimation();
    window->Hide();
    window->SetView(nullptr);
    window->SetCancelCallback(nullptr);
  }
  fetcher.reset();
  view.reset();
  window.reset();
  running_ = false;
}

void PublishDriver::Run(host::Web& web, std::string& destination, bool& cancel, FrmMending& window,
                        Fetcher& fetcher, const std::function<void()>& check_cancel) {
  window.Show();
  window.SetStatusText(kCheckingText);

  web_path_ = web.RootFolder()->Location();
  mend_path_ = MendFolderPath(web_path_);

  std::optional<DateTime> local_date;
  if (LocalInventoryExists(services_, mend_path_)) {
    LocalInventory local = ReadLocalInventory(services_, mend_path_);
    local_date = local.date;
    destination = std::move(local.destination);
  }

  while (!HoldsWebAddress(destination)) {
    destination = services_.ui.InputBox(kUrlPrompt, kUrlPromptTitle, kUrlPromptAnswer);
    if (destination.empty()) {
      cancel = true;
      return;
    }
  }

  MendStore store(
      fetcher, services_, settings_, destination, mend_path_,
      [&window](std::size_t done, std::size_t total) { window.SetEntryStored(done, total); });
  store.Probe();
  const ServerInventory server_inventory = store.FetchInventory();
  if (store.DownloadNeeded(local_date, server_inventory.lines)) {
    store.DownloadEntries(server_inventory);
    PruneMendedHeads(services_, web_path_, server_inventory.lines);
  } else {
    window.SetStatusBarText("");
    window.SetStatusText(kDownloadNotNeededText);
  }

  window.SetStatusBarText("");
  window.SetStatusText(kMendingText);
  // The pages change together: a failure or a cancel on any page leaves every page as it was
  // where the host can hold saved pages back.
  app_.BeginPageChanges();
  const PageChangesAbandoned abandoned_unless_committed(app_);
  RunMendPhase(
      app_, services_, web_path_, mend_path_, check_cancel,
      [&window](std::size_t done, std::size_t total, bool mended) {
        window.SetPageDone(done, total, mended);
      },
      [&window](const std::string& sentence) { window.SetStatusBarText(sentence); });
  // A cancel asked for during the last page still keeps every page as it was.
  check_cancel();
  app_.CommitPageChanges();
}

void PublishDriver::HandleFailureSafely(const Failure& failure, bool& cancel) {
  try {
    // Every failure of a publish is shown from here: an address in its description (the
    // destination, a request's address) is shown without its password.
    HandleFailure(Failure(failure.number(), failure.source(), HidePasswords(failure.description()),
                          HidePasswords(failure.address())),
                  cancel);
  } catch (...) {
    // The dialog itself failed (a browser that would not start, say): publishing stops.
    cancel = true;
    services_.last_error.Clear();
  }
}

void PublishDriver::HandleFailure(const Failure& failure, bool& cancel) {
  // The failure is the process's last error while its dialog shows.
  services_.last_error.Set(failure.number(), failure.description(), failure.source());
  if (services_.on_failure) services_.on_failure(failure);
  const std::int32_t number = failure.number();
  if (number == errNoMendFolder) {
    FrmNotClient dialog(services_.browser);
    dialog.Show();
    services_.ui.ShowNotClient(dialog);
    if (dialog.Cancel() || dialog.Register()) cancel = true;
  } else if (number == errNoInventory || number == errNothingMended) {
    const std::string prompt =
        failure.description() + "\r\n\r\n" + std::string(kContinueWithoutMends);
    if (services_.ui.MsgBox(prompt, MsgBoxButtons::kOkCancel, MsgBoxIcon::kExclamation,
                            kErrorTitle) == MsgBoxResult::kCancel) {
      cancel = true;
    }
  } else {
    services_.ui.MsgBox(failure.description(), MsgBoxButtons::kOkOnly, MsgBoxIcon::kCritical,
                        kErrorTitle);
    cancel = true;
  }
  services_.last_error.Clear();
}

}  // namespace kestrova

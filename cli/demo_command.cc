#include "cli/demo_command.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/ascii.h"
#include "cli/exit_codes.h"
#include "cli/linux_host.h"
#include "mending/head_locator.h"
#include "mending/inventory.h"
#include "platform/files/posix/read_whole_file.h"
#include "platform/files/temporary_folder.h"
#include "ui/console/console_text.h"

namespace kestrova {
namespace {

namespace fs = std::filesystem;

// Serves a service folder ("kestrova" with its inventory and mending files) on a free port of
// 127.0.0.1 from a thread of its own, for the life of the object.
class ServiceServer {
 public:
  explicit ServiceServer(fs::path service_dir) : service_dir_(std::move(service_dir)) {
    server_.Get("/kestrova", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("Kestrova mend folder\n", "text/plain");
    });
    server_.Get(R"(/kestrova/(.+))",
                [this](const httplib::Request& request, httplib::Response& response) {
                  const std::string name = request.matches[1];
                  const fs::path file = service_dir_ / "kestrova" / name;
                  std::error_code error;
                  if (!UnsafeEntryReason(name).empty() || !fs::is_regular_file(file, error)) {
                    response.status = 404;
                    return;
                  }
                  response.set_content(ReadWholeFile(file.string()), "text/html");
                });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only ends the accept loop once it runs; a demo that ends early must not leave the
    // thread listening and the program waiting for it.
    for (int i = 0; i < 1000 && !server_.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
  }
  ~ServiceServer() {
    server_.stop();
    thread_.join();
  }
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  fs::path service_dir_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

// The web's pages, without the mend folder's mending files.
std::vector<fs::path> PagesOf(const fs::path& web) {
  std::vector<fs::path> pages;
  for (auto it = fs::recursive_directory_iterator(web); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->is_directory() && it->path().filename() == "kestrova") {
      it.disable_recursion_pending();
    } else if (it->is_regular_file() && it->path().extension() == ".htm") {
      pages.push_back(it->path());
    }
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

void PrintHead(const fs::path& page, const fs::path& web) {
  const std::string bytes = ReadWholeFile(page.string());
  const HeadLocation head = LocateHead(bytes);
  std::string inner(HeadInnerHtml(bytes, head));
  std::erase(inner, '\r');
  std::printf("---- %s%s\n%s", fs::relative(page, web).c_str(),
              head.has_start_tag ? "" : " (no <head> tag)", inner.c_str());
  if (!inner.empty() && inner.back() != '\n') std::printf("\n");
}

}  // namespace

int RunDemoCommand(const ConsoleOptions& options, const std::string& examples_dir) {
  const fs::path examples(examples_dir);
  std::error_code error;
  if (!fs::is_directory(examples / "web", error) ||
      !fs::is_directory(examples / "service" / "kestrova", error)) {
    std::fprintf(stderr, "fpkestrova: no example web and service folder in \"%s\".\n",
                 examples_dir.c_str());
    return kExitFailure;
  }
  try {
    TemporaryFolder folder("fpkestrova-demo");
    const fs::path web = folder.path() / "web";
    fs::copy(examples / "web", web, fs::copy_options::recursive);
    ServiceServer server(examples / "service");

    std::printf("The example web, copied to %s, before the publish:\n", web.c_str());
    for (const fs::path& page : PagesOf(web)) PrintHead(page, web);
    std::printf("\nPublishing it to %s, where the service left its mends ...\n",
                server.Url().c_str());
    std::fflush(stdout);

    ConsoleOptions demo_options = options;
    demo_options.destination = server.Url();
    std::string destination = server.Url();
    bool cancel = false;
    {
      LinuxHost host(demo_options);
      cancel = host.OpenAndPublish(web.string(), destination);
    }
    std::printf("\n%s\n\nThe heads after the publish:\n",
                cancel ? "Publishing was cancelled." : "Publishing may go on.");
    for (const fs::path& page : PagesOf(web)) PrintHead(page, web);
    return cancel ? kExitCancelled : kExitSuccess;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "fpkestrova: the demo failed: %s\n",
                 EscapeControlCharacters(failure.what()).c_str());
    return kExitFailure;
  }
}

}  // namespace kestrova

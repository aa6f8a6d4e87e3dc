#include "platform/posix/desktop_browser.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace kestrova {
namespace {

bool HasDesktopSession() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Starts xdg-open on url with its output silenced; true when it reported success.
bool RunOpener(const std::string& url) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char opener[] = "xdg-open";
  std::string argument = url;
  char* argv[] = {opener, argument.data(), nullptr};
  pid_t child = 0;
  const int started = posix_spawnp(&child, opener, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return false;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void DesktopBrowser::Navigate(std::string_view url) {
  const std::string address(url);
  if (HasDesktopSession() && RunOpener(address)) return;
  std::fprintf(out_, "Open %s in your browser.\n", address.c_str());
  std::fflush(out_);
}

}  // namespace kestrova

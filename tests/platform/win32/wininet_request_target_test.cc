#include "platform/win32/wininet_request_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrova::win32 {
namespace {

struct TargetCase {
  std::string url;
  bool secure;
  std::string host;
  int port;
  std::string object;
};

TEST(WinInetRequestTargetTest, SplitsAnAddressForWinInet) {
  const std::vector<TargetCase> cases = {
      {"http://127.0.0.1:8080/kestrova/inventory.txt", false, "127.0.0.1", 8080,
       "/kestrova/inventory.txt"},
      {"HTTPS://Example.COM/a?b=c#top", true, "Example.COM", 443, "/a?b=c"},
      {"http://example.com", false, "example.com", 80, "/"},
      {"http://example.com:/x", false, "example.com", 80, "/x"},
      {"http://example.com?q", false, "example.com", 80, "/?q"},
      {"http://[::1]:81/v6", false, "::1", 81, "/v6"},
      {"http://127.0.0.1/my page.htm", false, "127.0.0.1", 80, "/my%20page.htm"},
      {"http://127.0.0.1/a%20b/\"q\"{}", false, "127.0.0.1", 80, "/a%20b/%22q%22%7B%7D"},
      {"http://127.0.0.1/caf\xC3\xA9", false, "127.0.0.1", 80, "/caf%C3%A9"},
      {"http://127.0.0.1//kestrova", false, "127.0.0.1", 80, "//kestrova"},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(c.url);
    const auto target = ParseRequestTarget(c.url);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->secure, c.secure);
    EXPECT_EQ(target->host, c.host);
    EXPECT_EQ(target->port, c.port);
    EXPECT_EQ(target->object, c.object);
    EXPECT_EQ(target->user, "");
  }
}

TEST(WinInetRequestTargetTest, TakesCredentialsOutOfTheAuthority) {
  const auto target = ParseRequestTarget("http://mender:se:cret@127.0.0.1:81/");
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(target->user, "mender");
  EXPECT_EQ(target->password, "se:cret");
  EXPECT_EQ(target->host, "127.0.0.1");
  EXPECT_EQ(target->port, 81);
}

TEST(WinInetRequestTargetTest, RejectsWhatIsNoHttpAddress) {
  for (const char* url :
       {"", "not a url", "www.example.com/kestrova", "ftp://127.0.0.1/", "http://", "http:///x",
        "http://:80/", "http://127.0.0.1:0/", "http://127.0.0.1:65536/", "http://127.0.0.1:8x/",
        "http://[::1/", "http://[]/", "http://exa mple.com/", "file:///c:/kestrova"}) {
    EXPECT_FALSE(ParseRequestTarget(url).has_value()) << url;
  }
}

}  // namespace
}  // namespace kestrova::win32

#include "platform/transfer/request_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrova {
namespace {

struct AddressCase {
  std::string url;
  bool secure;
  std::string host;
  int port;
  std::string object;
};

TEST(RequestAddressTest, SplitsAnAddressIntoItsPieces) {
  const std::vector<AddressCase> cases = {
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
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.url);
    const auto address = ParseRequestAddress(c.url);
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(address->secure, c.secure);
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
    EXPECT_EQ(address->object, c.object);
    EXPECT_EQ(address->user, "");
  }
}

TEST(RequestAddressTest, KeepsTheWholeAddressWithTheUnsafeBytesEncoded) {
  const auto address = ParseRequestAddress("http://127.0.0.1/my page.htm?a=%41#top");
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(address->text, "http://127.0.0.1/my%20page.htm?a=%41#top");
}

TEST(RequestAddressTest, TakesCredentialsOutOfTheAuthority) {
  const auto address = ParseRequestAddress("http://mender:se:cret@127.0.0.1:81/");
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(address->user, "mender");
  EXPECT_EQ(address->password, "se:cret");
  EXPECT_EQ(address->host, "127.0.0.1");
  EXPECT_EQ(address->port, 81);
}

TEST(RequestAddressTest, RejectsWhatIsNoHttpAddress) {
  for (const char* url :
       {"", "not a url", "www.example.com/kestrova", "ftp://127.0.0.1/", "http://", "http:///x",
        "http://:80/", "http://127.0.0.1:0/", "http://127.0.0.1:65536/", "http://127.0.0.1:8x/",
        "http://[::1/", "http://[]/", "http://[::g]/", "http://exa mple.com/",
        "file:///c:/kestrova"}) {
    EXPECT_FALSE(ParseRequestAddress(url).has_value()) << url;
  }
}

}  // namespace
}  // namespace kestrova

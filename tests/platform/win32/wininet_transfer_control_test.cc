// The WinINet transfer control: the contract every transfer control keeps, and what is its own.
#include "platform/transfer/win32/wininet_transfer_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/transfer_contract.h"
#include "tests/platform/win32/wininet_transfer_side.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(WinInet, TransferContract, ::testing::Types<WinInetTransferSide>);

namespace {

// WinINet keeps one pool of idle connections for the whole process: a control's first request may
// go over a connection that another control left open, and skip states 1 to 4.
TEST(WinInetTransferControlTest, ControlsShareWinInetsKeptAliveConnections) {
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  win32::WinInetTransferControl one(pump, WinInetTransferSide::Options());
  const auto first = RunRequest(one, pump, side.server().Url("/ok"));
  win32::WinInetTransferControl two(pump, WinInetTransferSide::Options());
  const auto second = RunRequest(two, pump, side.server().Url("/missing"));
  EXPECT_EQ(first.states, kFreshConnectionStates);
  EXPECT_EQ(second.states, (std::vector<int>{5, 6, 7, 8, 12}));
  EXPECT_EQ(second.body, kMissingBody);
  EXPECT_EQ(side.server().ConnectionCount(), 1u);
}

// WinINet's certificate and secure-channel errors name the host and the cause, then the code; any
// other error adds nothing to the transfer's own failure. A secure channel that cannot be made,
// asked for or reached by a redirect (a server that closes during the handshake here), says that
// Windows could not make it.
TEST(WinInetTransferControlTest, NamesTheHostAndTheCauseOfSecurityErrors) {
  const std::string no_channel = "Windows could not make a secure connection to 127.0.0.1. ";
  const struct {
    DWORD error;
    bool secure;
    std::string start;
  } cases[] = {
      {ERROR_INTERNET_INVALID_CA, true,
       "The certificate of 127.0.0.1 is not trusted (WinINet error 12045"},
      {ERROR_INTERNET_SEC_CERT_CN_INVALID, true,
       "The certificate of 127.0.0.1 is made out to another name (WinINet error 12038"},
      {ERROR_INTERNET_SEC_CERT_DATE_INVALID, true,
       "The certificate of 127.0.0.1 has expired or is not valid yet (WinINet error 12037"},
      {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, true, no_channel},
      {ERROR_INTERNET_CANNOT_CONNECT, true, no_channel},
      {ERROR_INTERNET_CANNOT_CONNECT, false, ""},
      {ERROR_INTERNET_TIMEOUT, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const std::string detail = win32::WinInetSecurityDetail(c.error, "127.0.0.1", c.secure);
    EXPECT_EQ(detail.substr(0, c.start.size()), c.start);
    EXPECT_EQ(detail.empty(), c.start.empty());
  }
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  // The redirect's target is named: another host name, so that WinINet opens a new connection.
  for (const auto& [url, host] : {std::pair{side.Url("/ok", "https"), "127.0.0.1"},
                                  std::pair{side.Url("/to-https"), "localhost"}}) {
    win32::WinInetTransferControl control(pump, WinInetTransferSide::Options());
    RunRequest(control, pump, url);
    const std::string start = "Windows could not make a secure connection to " + std::string(host);
    EXPECT_EQ(control.FailureDetail().substr(0, start.size()), start) << url;
  }
}

// Every request asks caches on the way to pass it on, in both forms that HTTP/1.0 and HTTP/1.1
// caches read, so that a proxy never answers with a stale inventory.
TEST(WinInetTransferControlTest, RequestsTellCachesNotToAnswer) {
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  win32::WinInetTransferControl control(pump, WinInetTransferSide::Options());
  RunRequest(control, pump, side.server().Url("/ok"));
  RunRequest(control, pump, side.server().Url("/ok"), "head");
  const std::vector<std::string> headers = side.server().RequestHeaders();
  ASSERT_EQ(headers.size(), 2u);
  for (const std::string& header : headers) {
    EXPECT_NE(header.find("\r\nPragma: no-cache\r\n"), std::string::npos) << header;
    EXPECT_NE(header.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << header;
  }
}

// Through a proxy that asks for a password, WinINet opens no dialog of its own (the request ends
// within the wait's bound) and hands the 407 over with its header, for the publish to name the
// proxy. A failure while Windows works offline names "Work Offline".
TEST(WinInetTransferControlTest, AProxyAskingForAPasswordGivesIts407WithoutADialog) {
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  win32::WinInetTransferControl::Options options = WinInetTransferSide::Options();
  options.proxy = L"127.0.0.1:" + std::to_wstring(side.server().port());
  options.proxy_bypass = L"<-loopback>";  // loopback addresses go through the proxy too
  win32::WinInetTransferControl control(pump, options);
  const std::string url = side.server().Url("/kestrova");
  for (const char* operation : {"head", "get"}) {
    SCOPED_TRACE(operation);
    const RequestOutcome outcome = RunRequest(control, pump, url, operation);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(StatusLine(outcome.header), "HTTP/1.1 407 Proxy Authentication Required");
    EXPECT_NE(outcome.header.find("Proxy-Authenticate: Basic"), std::string::npos)
        << outcome.header;
    EXPECT_TRUE(control.failure_text().empty()) << control.failure_text();
  }
  const std::vector<std::string> requests = side.server().Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "HEAD " + url);

  EXPECT_EQ(win32::WithOfflineNamed("WinINet error 12007", false), "WinINet error 12007");
  const std::string offline = win32::WithOfflineNamed("WinINet error 12007", true);
  EXPECT_TRUE(offline.starts_with("WinINet error 12007. ")) << offline;
  EXPECT_NE(offline.find("\"Work Offline\""), std::string::npos) << offline;
}

}  // namespace
}  // namespace kestrova::testing

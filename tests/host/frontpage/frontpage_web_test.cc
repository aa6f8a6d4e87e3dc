// The web root folder's location: its Url as a local path, through the stand-in host's Web and
// WebFolder objects.
#include "host/frontpage/frontpage_web.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/frontpage/web_location.h"
#include "tests/host/frontpage/host_fixture.h"

namespace kestrova::testing {
namespace {

using WebTest = HostFixture;

struct LocationCase {
  const wchar_t* url;
  const char* path;  // UTF-8
};

const LocationCase kLocations[] = {
    {L"C:\\Webs\\My Site", "C:\\Webs\\My Site"},
    {L"C:\\Webs\\My Site\\", "C:\\Webs\\My Site"},
    {L"C:\\Webs\\My Site\\\\", "C:\\Webs\\My Site"},
    {L"C:\\Webs\\50%20off\\", "C:\\Webs\\50%20off"},  // a plain path is not decoded
    {L"C:\\Webs\\Caf\u00e9\\", "C:\\Webs\\Caf\xC3\xA9"},
    {L"file:///C:/My%20Webs/site/", "C:\\My Webs\\site"},
    {L"file:///C:/My%20Webs/site", "C:\\My Webs\\site"},
    {L"FILE:///c:/webs/100%25/", "c:\\webs\\100%"},
    {L"file:///C|/Webs/site/", "C:\\Webs\\site"},
    {L"file:///C:/Webs/Caf%C3%A9/", "C:\\Webs\\Caf\xC3\xA9"},
    {L"file:///C:/Webs/a%2", "C:\\Webs\\a%2"},  // a broken escape stays as it is
    {L"file://C:/Webs/site/", "C:\\Webs\\site"},
    {L"file://server/share/web/", "\\\\server\\share\\web"},
};

TEST_F(WebTest, RootFolderLocationIsTheLocalPathOfItsUrl) {
  for (const LocationCase& test : kLocations) {
    SCOPED_TRACE(test.path);
    host_.log().Clear();
    IDispatch* web_object = host_.AddWeb(test.url);
    {
      host::FrontPageWeb web{win32::ComPtr<IDispatch>(web_object)};
      EXPECT_EQ(web.RootFolder()->Location(), test.path);
    }
    ExpectOnlyApplicationHeld();
    const auto& calls = host_.log().calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].member, L"RootFolder");
    EXPECT_EQ(calls[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(calls[1].member, L"Url");
    EXPECT_EQ(calls[1].flags, DISPATCH_PROPERTYGET);
  }
}

TEST(WebLocationTest, ConvertsUtf8UrlsWithoutTheHost) {
  EXPECT_EQ(host::frontpage::LocalPathFromFolderUrl("file:///D:/W%C3%B6rk/%E2%82%AC/"),
            "D:\\W\xC3\xB6rk\\\xE2\x82\xAC");
  EXPECT_EQ(host::frontpage::LocalPathFromFolderUrl("file:C:/web/"), "C:\\web");
  EXPECT_EQ(host::frontpage::LocalPathFromFolderUrl(""), "");
}

// Escapes written from the ANSI code page (here windows-1252, Wine's under an English or C locale)
// name the same folder as their UTF-8 spelling.
TEST(WebLocationTest, ReadsEscapesThatSpellNoUtf8InTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u);
  EXPECT_EQ(host::frontpage::LocalPathFromFolderUrl("file:///C:/My%20Webs/Caf%E9/"),
            "C:\\My Webs\\Caf\xC3\xA9");
}

}  // namespace
}  // namespace kestrova::testing

#include "tests/host/frontpage/host_fixture.h"

namespace kestrova::testing {

HostFixture::HostFixture()
    : app_(std::make_unique<host::FrontPageApplication>(
          win32::ComPtr<IDispatch>(host_.application()))) {}

void HostFixture::TearDown() {
  app_.reset();
  EXPECT_EQ(host_.OutstandingReferences(), 0);
  EXPECT_TRUE(host_.ObjectsStillReferenced().empty());
}

void HostFixture::ExpectOnlyApplicationHeld() const {
  const std::vector<std::wstring> held = host_.ObjectsStillReferenced();
  EXPECT_EQ(held, std::vector<std::wstring>{L"Application:1"});
}

RecordedArgument Missing() { return RecordedArgument{VT_ERROR, L"0x80020004"}; }
RecordedArgument I2(int value) { return RecordedArgument{VT_I2, std::to_wstring(value)}; }
RecordedArgument I4(long value) { return RecordedArgument{VT_I4, std::to_wstring(value)}; }
RecordedArgument Bool(bool value) { return RecordedArgument{VT_BOOL, value ? L"-1" : L"0"}; }
RecordedArgument Bstr(std::wstring value) { return RecordedArgument{VT_BSTR, std::move(value)}; }

void PrintTo(const RecordedArgument& argument, std::ostream* out) {
  std::string text;
  for (const wchar_t c : argument.value) text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  *out << "VT " << argument.type << " \"" << text << "\"";
}

}  // namespace kestrova::testing

#include "platform/win32/variant_date.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "mending/inventory_date.h"

namespace kestrova::win32 {
namespace {

const LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// Whether the program runs under Wine rather than Windows.
bool RunsUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int LocalYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

std::optional<DateTime> PlatformDate(std::string_view text) {
  try {
    return ConvertToDateWithPlatform(text, kEnglishUs);
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrTypeMismatch) << text;
    return std::nullopt;
  }
}

std::string Describe(const std::optional<DateTime>& date) {
  return date ? date->Format() : std::string("no date");
}

// The notations the portable conversion documents, and texts it rejects, in US English.
const std::vector<std::string_view> kNotations = {
    // Accepted.
    "12/7/2026 7:20:00 PM", "12/7/2026 19:20", "12/07/2026", "12-7-2026", "2026-12-07 19:20:00",
    "2026/12/07", "7 December 2026", "December 7, 2026 7:20 PM", "Dec 7 2026", "7-Dec-2026",
    "7/Dec/2026", "2026 Dec 7", "DECEMBER 7 2026", "dec 7 2026 7:20pm", "Monday, December 7, 2026",
    "Mon, 7 Dec 2026", "Monday 12/7/2026 7:20:01 PM", "7:20 PM", "19:20", "7:20:05", "7 PM", "7PM",
    "7:20 p", "7:20 A", "7:20am", "7:20 PM 12/7/2026", "19:20:00 2026-12-07", "12/7/2026 12:00 AM",
    "12/7/2026 12:59:59 AM", "12/7/2026 12:00 PM", "0:00 PM", "13:00 PM", "13:00 AM", "2.5",
    "12/7/2026 19.20.30", "1/1/00", "12/31/29", "1/1/30", "12/31/99", "12/7/26", "1/1/100",
    "12/31/9999 23:59:59", "  12/7/2026 7:20 PM\t ", "12/7/2026 7:20 PM\r", "12/7/2026\r\n",
    "12/7/2026   19:20", "13/1/2026", "13-1-1970", "1970-1-13", "1 2 3", "14 2 3", "2 14 3",
    "2 3 14", "32 2 3", "2 3 32", "2 January, 1970", "2/Jan/1970", "6/30/2011 01:20:34 PM",
    "2013-05-14 02:04:12", "12/7", "Dec 7", "7 Dec", "14 1", "3 4 1.2", "1.2 3 4", "3 am 1 2",
    "Jan 35", "35-Jan", "30 2", "2 30", "1.2 3 4 5", "1.2.3 4 5 6", "1 2 3 4.5", "1 2 3 4 am",
    "2/29/2024", "2/29/2000", "2/29/2400", "29 Feb 2024", "2024-02-29", "12/29/1899 23:59:59",
    "12/30/1899", "0012/0007/0002026",
    // Rejected.
    "", "   ", "hello", "Date: 12/7/2026", "12/7/2026 x", "2/30/2026", "4/31/2026", "13/13/2026",
    "0/7/2026", "12/0/2026", "12/32/2026", "12/7/2026 24:00", "12/7/2026 23:60",
    "12/7/2026 23:59:60", "25:00", "0:60", "24.00", "2/29/2026", "2/29/1900", "Feb 29 2023",
    "12/7/10000", "10000-12-07", "0", "2026", "1 2 am", "1 am 2", "1 2 3 4", "1 2 3 4 5", "1.2.3.4",
    "1 2.3 4", "1.5 2", "32 49", "0 49", "2 32 3", "12/7/2026 7:20:00.500", "02.01.1970",
    "12.7.2026", "PM 7:20", "7:20 PM PM", "7:20 AM PM", "12/7/2026 7:20 PM 1", ".7", "7.",
    "7:", "7:20:", "12/7/2026,", "/12/7/2026", "12/7/2026/", "12/7/2026-1", "12//7", "7::20",
    "1-2-3-4", "12;7;2026", "12/7/2026 (7:20)", "12/7/2026 #", "Dec:7", "Sept 7 2026",
    "Decem 7 2026", "Decembers 7 2026", "Monday", "December", "7 pmx", "T19:20", "2026 12 07T19:20",
    "12/7T2026", "2026-12-07T", "2026-12-07TT19:20",
    // Accepted by the portable conversion although the platform does not read it.
    "2026-12-07T19:20:00", "2026-12-07t19:20"};

// Texts on which Wine's VarDateFromStr and the portable conversion (which follows Windows) part
// ways. Under Wine they are reported, not compared; under Windows every text must agree.
const std::set<std::string_view> kWineDeviations = {
    // Wine reads two-digit years 30 to 49 as 2030 to 2049; the portable conversion as 1930 to 1949.
    "1/1/30", "32 2 3", "2 3 32", "Jan 35", "35-Jan", "30 2", "2 30",
    // Wine takes doubled separators, and ':' after a month name, where Windows finds no date.
    "12//7", "7::20", "Dec:7"};

// The portable conversion says of "2026-12-07T19:20:00" that the platform does not read it.
const std::set<std::string_view> kPortableOnly = {"2026-12-07T19:20:00", "2026-12-07t19:20"};

TEST(VariantDateTest, AgreesWithThePortableConversionInUsEnglish) {
  const bool wine = RunsUnderWine();
  const int year = LocalYear();
  std::vector<std::string> deviations;
  for (const std::string_view text : kNotations) {
    const std::optional<DateTime> portable = ParseDateText(text, year);
    const std::optional<DateTime> platform = PlatformDate(text);
    if (kPortableOnly.contains(text)) {
      EXPECT_TRUE(portable.has_value()) << text;
      EXPECT_FALSE(platform.has_value()) << text << " gave " << Describe(platform);
      continue;
    }
    const bool agree = portable == platform;
    if (wine && kWineDeviations.contains(text)) {
      EXPECT_FALSE(agree) << "'" << text << "' agrees now: take it off the list";
      std::string deviation = "'";
      deviation.append(text).append("': portable ").append(Describe(portable));
      deviation.append(", Wine ").append(Describe(platform));
      deviations.push_back(std::move(deviation));
      continue;
    }
    EXPECT_TRUE(agree) << "'" << text << "': portable " << Describe(portable) << ", platform "
                       << Describe(platform);
  }
  for (const std::string& deviation : deviations) {
    std::printf("known Wine deviation: %s\n", deviation.c_str());
  }
  RecordProperty("wine_deviations", static_cast<int>(deviations.size()));
  if (wine) {
    DWORD two_digit_year_max = 0;
    GetCalendarInfoW(kEnglishUs, CAL_GREGORIAN, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER, nullptr,
                     0, &two_digit_year_max);
    std::printf("Wine's two-digit year window ends in %lu\n",
                static_cast<unsigned long>(two_digit_year_max));
  }
}

TEST(VariantDateTest, FailuresAreTypeMismatch) {
  const std::string with_nul("12/7/2026\0 7:20", 15);
  for (const std::string& text : {std::string("no date"), with_nul, std::string("12/7/10000")}) {
    try {
      const DateTime date = ConvertToDateWithPlatform(text, kEnglishUs);
      ADD_FAILURE() << "'" << text << "' converted to " << date.Format();
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrTypeMismatch);
      EXPECT_EQ(failure.source(), "FPKestrova");
      EXPECT_EQ(failure.description(), "Type mismatch");
    }
  }
}

TEST(VariantDateTest, ReadsInTheUsersLocaleByDefault) {
  const LCID user = GetUserDefaultLCID();
  for (const char* text : {"2026-12-07 19:20:00", "1/2/2026", "7:20 PM"}) {
    std::optional<DateTime> in_user_locale;
    std::optional<DateTime> by_default;
    try {
      in_user_locale = ConvertToDateWithPlatform(text, user);
    } catch (const Failure&) {
    }
    try {
      by_default = ConvertToDateWithPlatform(text);
    } catch (const Failure&) {
    }
    EXPECT_EQ(by_default, in_user_locale) << text;
  }
}

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
  CivilTime civil;
  civil.year = year;
  civil.month = month;
  civil.day = day;
  civil.hour = hour;
  civil.minute = minute;
  return DateTime::FromCivil(civil).value();
}

// The service writes its dates in US English: on a British, a German and a Japanese Windows they
// read as it meant them, so a newer inventory stays newer; only a text US English cannot read
// goes to the locale's own conversion.
TEST(VariantDateTest, InventoryDatesReadAsTheServiceWritesThemOnEveryLocale) {
  const LCID british = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT);
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  const LCID japanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);
  // Read alone, the platform takes the British and German "3/12/2026" for 3 December.
  EXPECT_EQ(ConvertToDateWithPlatform("3/12/2026", british), At(2026, 12, 3));
  EXPECT_EQ(ConvertToDateWithPlatform("3/12/2026", german), At(2026, 12, 3));
  for (const LCID locale : {british, german, japanese}) {
    SCOPED_TRACE(locale);
    const LCID before = GetThreadLocale();
    SetThreadLocale(locale);
    EXPECT_EQ(ConvertInventoryDate("3/12/2026 7:20:00 PM", locale), At(2026, 3, 12, 19, 20));
    EXPECT_EQ(ConvertInventoryDate("3/13/2026", locale), At(2026, 3, 13));
    EXPECT_GT(ConvertInventoryDate("4/1/2026", locale), ConvertInventoryDate("3/12/2026", locale));
    try {
      ConvertInventoryDate("no date", locale);
      ADD_FAILURE() << "'no date' converted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrTypeMismatch);
    }
    SetThreadLocale(before);
  }
  // A German notation that US English does not read is read in the locale.
  EXPECT_EQ(ConvertInventoryDate("13.03.2026", german), At(2026, 3, 13));
  EXPECT_THROW(ConvertInventoryDate("13.03.2026", kEnglishUs), Failure);
}

TEST(VariantDateTest, AutomationDatesBecomeWholeSeconds) {
  struct Row {
    double date;
    std::int64_t seconds;
  };
  const std::vector<Row> rows = {
      {0.0, 0},
      {2.5, 2 * 86400 + 43200},
      {-1.25, -86400 + 21600},       // 29 December 1899, 06:00
      {-1.0 - 86399.0 / 86400, -1},  // 29 December 1899, 23:59:59
      {46363.0 + 69600.0 / 86400, 46363 * 86400LL + 69600},
      {46363.0 + 69600.4 / 86400, 46363 * 86400LL + 69600},  // rounded to the nearest second
      {46363.0 + 86399.7 / 86400, 46364 * 86400LL},          // up into the next day
      {-657434.0, -657434 * 86400LL},                        // 1 January 100
      {2958465.0 + 86399.0 / 86400, 2958465 * 86400LL + 86399},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DateTimeFromAutomationDate(row.date).seconds(), row.seconds) << row.date;
  }
}

}  // namespace
}  // namespace kestrova::win32

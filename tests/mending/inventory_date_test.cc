#include "mending/inventory_date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

namespace kestrova {
namespace {

constexpr std::int64_t kDay = 86400;
// The year handed to the conversion for dates written without one.
constexpr int kThisYear = 2026;

// Expected values are automation-date day numbers (days since 30 December 1899) and seconds
// into the day, worked out independently of the code under test.
struct Accepted {
  std::string_view text;
  std::int64_t days;
  std::int64_t second_of_day;
};

// 46363 is 7 December 2026; 69600 s is 19:20.
const std::vector<Accepted> kAccepted = {
    Accepted{"12/7/2026 7:20:00 PM", 46363, 69600}, Accepted{"12/7/2026 19:20", 46363, 69600},
    Accepted{"12/07/2026", 46363, 0}, Accepted{"12-7-2026", 46363, 0},
    Accepted{"2026-12-07 19:20:00", 46363, 69600}, Accepted{"2026/12/07", 46363, 0},
    Accepted{"2026-12-07T19:20:00", 46363, 69600}, Accepted{"2026-12-07t19:20", 46363, 69600},
    Accepted{"7 December 2026", 46363, 0}, Accepted{"December 7, 2026 7:20 PM", 46363, 69600},
    Accepted{"Dec 7 2026", 46363, 0}, Accepted{"7-Dec-2026", 46363, 0},
    Accepted{"7/Dec/2026", 46363, 0}, Accepted{"2026 Dec 7", 46363, 0},
    Accepted{"DECEMBER 7 2026", 46363, 0}, Accepted{"dec 7 2026 7:20pm", 46363, 69600},
    Accepted{"Monday, December 7, 2026", 46363, 0}, Accepted{"Mon, 7 Dec 2026", 46363, 0},
    Accepted{"Monday 12/7/2026 7:20:01 PM", 46363, 69601},
    // Times alone fall on the zero day, 30 December 1899.
    Accepted{"7:20 PM", 0, 69600}, Accepted{"19:20", 0, 69600}, Accepted{"7:20:05", 0, 26405},
    Accepted{"7 PM", 0, 68400}, Accepted{"7PM", 0, 68400}, Accepted{"7:20 p", 0, 69600},
    Accepted{"7:20 A", 0, 26400}, Accepted{"7:20am", 0, 26400},
    // The time may come first.
    Accepted{"7:20 PM 12/7/2026", 46363, 69600}, Accepted{"19:20:00 2026-12-07", 46363, 69600},
    // 12 AM is midnight, 12 PM is noon; 0 PM is noon too.
    Accepted{"12/7/2026 12:00 AM", 46363, 0}, Accepted{"12/7/2026 12:59:59 AM", 46363, 3599},
    Accepted{"12/7/2026 12:00 PM", 46363, 43200}, Accepted{"0:00 PM", 0, 43200},
    // An hour of 13 to 23 keeps its value whatever mark follows, as on the platform.
    Accepted{"13:00 PM", 0, 46800}, Accepted{"13:00 AM", 0, 46800},
    // A '.' separates time fields like ':'.
    Accepted{"2.5", 0, 7500}, Accepted{"12/7/2026 19.20.30", 46363, 69630},
    // Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999.
    Accepted{"1/1/00", 36526, 0}, Accepted{"12/31/29", 47483, 0}, Accepted{"1/1/30", 10959, 0},
    Accepted{"12/31/99", 36525, 0}, Accepted{"12/7/26", 46363, 0},
    // The ends of the range of years.
    Accepted{"1/1/100", -657434, 0}, Accepted{"12/31/9999 23:59:59", 2958465, 86399},
    // Blanks around the text and the CR of a CR LF line end.
    Accepted{"  12/7/2026 7:20 PM\t ", 46363, 69600}, Accepted{"12/7/2026 7:20 PM\r", 46363, 69600},
    Accepted{"12/7/2026\r\n", 46363, 0}, Accepted{"12/7/2026   19:20", 46363, 69600},
    // When the first number cannot be a month the platform reads day/month/year.
    Accepted{"13/1/2026", 46035, 0}, Accepted{"13-1-1970", 25581, 0},
    Accepted{"1970-1-13", 25581, 0},
    // Readings the platform gives to three bare numbers.
    Accepted{"1 2 3", 37623, 0}, Accepted{"14 2 3", 41673, 0}, Accepted{"2 14 3", 37666, 0},
    Accepted{"2 3 14", 41673, 0}, Accepted{"32 2 3", 11722, 0}, Accepted{"2 3 32", 11722, 0},
    Accepted{"2 January, 1970", 25570, 0}, Accepted{"2/Jan/1970", 25570, 0},
    Accepted{"6/30/2011 01:20:34 PM", 40724, 48034}, Accepted{"2013-05-14 02:04:12", 41408, 7452},
    // Dates without a year take the current one (2026 here)...
    Accepted{"12/7", 46363, 0}, Accepted{"Dec 7", 46363, 0}, Accepted{"7 Dec", 46363, 0},
    Accepted{"14 1", 46036, 0}, Accepted{"3 4 1.2", 46085, 3720}, Accepted{"1.2 3 4", 46085, 3720},
    Accepted{"3 am 1 2", 46024, 10800},
    // ...unless they cannot be month and day: then month and year, on the first.
    Accepted{"Jan 35", 12785, 0}, Accepted{"35-Jan", 12785, 0}, Accepted{"30 2", 10990, 0},
    Accepted{"2 30", 10990, 0},
    // Hours, minutes and seconds before or after a full date, in the platform's layouts.
    Accepted{"1.2 3 4 5", 38415, 3720}, Accepted{"1.2.3 4 5 6", 38812, 3723},
    Accepted{"1 2 3 4.5", 37623, 14700}, Accepted{"1 2 3 4 am", 37623, 14400},
    // About the zero of the scale and the ends of the range.
    Accepted{"2026-12-07", 46363, 0}, Accepted{"0:00:05", 0, 5}, Accepted{"12:30 PM", 0, 45000},
    Accepted{"1/1/100 0:00:01", -657434, 1}, Accepted{"12/30/1899", 0, 0},
    Accepted{"12/29/1899 6:00", -1, 21600},
    // One instant in many notations.
    Accepted{"12/07/2026 19:20:00", 46363, 69600}, Accepted{"12-7-2026 7:20 PM", 46363, 69600},
    Accepted{"2026/12/07 19:20", 46363, 69600}, Accepted{"7 December 2026 19:20", 46363, 69600},
    Accepted{"Dec 7 2026 7:20:00 P", 46363, 69600}, Accepted{"7-Dec-2026 19:20", 46363, 69600},
    Accepted{"Monday, December 7, 2026 7:20 PM", 46363, 69600},
    Accepted{" 12/7/26 07:20:00 pm \r", 46363, 69600},
    Accepted{"7:20 PM 7 Dec 2026", 46363, 69600}};

TEST(InventoryDateTest, AcceptedNotationsConvertToTheExactInstant) {
  for (const Accepted& row : kAccepted) {
    const std::optional<DateTime> date = ParseDateText(row.text, kThisYear);
    if (!date.has_value()) {
      ADD_FAILURE() << "'" << row.text << "' was rejected";
      continue;
    }
    EXPECT_EQ(date->Days(), row.days) << row.text;
    EXPECT_EQ(date->SecondOfDay(), row.second_of_day) << row.text;
    EXPECT_EQ(date->seconds(), row.days * kDay + row.second_of_day) << row.text;
  }
}

// A server date one second later than the local one is later; equal is not later.
TEST(InventoryDateTest, OneSecondLaterComparesGreater) {
  struct Pair {
    std::string_view earlier;
    std::string_view later;
  };
  const std::vector<Pair> pairs = {
      {"12/7/2026 7:20:00 PM", "12/7/2026 7:20:01 PM"},
      {"2026-12-07 19:20:00", "December 7, 2026 19:20:01"},
      {"12/7/2026 11:59:59 PM", "12/8/2026"},       // across midnight
      {"12/31/2026 23:59:59", "1/1/2027 0:00:00"},  // across the new year
      {"2/28/2024 23:59:59", "2/29/2024"},          // into a leap day
      {"12/29/1899 23:59:59", "12/30/1899"},        // across the zero of the scale
      {"11:59:59 AM", "12:00:00 PM"},
  };
  for (const Pair& pair : pairs) {
    const DateTime earlier = ConvertToDate(pair.earlier);
    const DateTime later = ConvertToDate(pair.later);
    EXPECT_TRUE(earlier < later) << pair.earlier << " / " << pair.later;
    EXPECT_FALSE(later < earlier) << pair.earlier << " / " << pair.later;
    EXPECT_NE(earlier, later) << pair.earlier << " / " << pair.later;
    EXPECT_EQ(later.seconds() - earlier.seconds(), 1) << pair.earlier << " / " << pair.later;
    EXPECT_EQ(later <=> earlier, std::strong_ordering::greater);
  }
}

TEST(InventoryDateTest, LeapDaysExistOnlyInLeapYears) {
  struct Row {
    std::string_view text;
    bool accepted;
  };
  const std::vector<Row> rows = {
      {"2/29/2024", true},  {"2/29/2026", false},  {"2/29/2000", true},   {"2/29/1900", false},
      {"2/29/2100", false}, {"2/29/2400", true},   {"2/29/00", true},     {"2/29/24", true},
      {"2/29/26", false},   {"2/29/96", true},     {"29 Feb 2024", true}, {"Feb 29 2023", false},
      {"2024-02-29", true}, {"2023-02-29", false}, {"2/28/2026", true},   {"3/1/2026", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseDateText(row.text, kThisYear).has_value(), row.accepted) << row.text;
  }
  EXPECT_EQ(ConvertToDate("2/29/2024").Days(), 45351);
  EXPECT_EQ(ConvertToDate("3/1/2024").Days(), 45352);
}

// Texts that are no date raise Type mismatch, number 13.
TEST(InventoryDateTest, TextsThatAreNoDateRaiseTypeMismatch) {
  const std::vector<std::string_view> rejected = {
      "", "   ", "\r", "hello", "True", "Date: 12/7/2026", "12/7/2026 x",
      // A month, day, hour, minute or second out of range.
      "2/30/2026", "4/31/2026", "13/13/2026", "0/7/2026", "12/0/2026", "12/32/2026",
      "12/7/2026 24:00", "12/7/2026 23:60", "12/7/2026 23:59:60", "25:00", "0:60", "24.00",
      "13/1/2026 7:20:00 XM",
      // Years beyond 9999.
      "12/7/10000", "10000-12-07",
      // A bare number, or numbers in no layout the platform knows.
      "0", "2026", "1 2 am", "1 am 2", "1 2 3 4", "1 2 3 4 5", "1.2.3.4", "1 2.3 4", "1.5 2",
      "32 49", "0 49", "2 32 3", "12/7/2026 7:20:00.500", "2013-05-14 02:04:12.017000000",
      // The date with a dot, which US English does not write.
      "02.01.1970", "12.7.2026",
      // Misplaced or doubled marks and separators.
      "PM 7:20", "7:20 PM PM", "7:20 AM PM", "12/7/2026 7:20 PM 1", ".7", "7.",
      "7:", "7:20:", "7:20: PM", "12/7/2026 7:20:00. PM", "12/7/2026,", "/12/7/2026", "12/7/2026/",
      "12/7/2026-1", "12//7", "12/ /7/2026", "7::20", "7:.20", "12/-7", "1-2-3-4", "12;7;2026",
      "12/7/2026 (7:20)", "12/7/2026 #", "Dec:7", "Dec 7 2026:20",
      // Words that are no month, weekday or mark, and month names cut or run on.
      "Sept 7 2026", "Decem 7 2026", "Decembers 7 2026", "7 Dc 2026", "Monday", "Monday, December",
      "December", "a.m.", "7 pmx",
      // A 'T' anywhere but between a separated date and its time.
      "T19:20", "2026 12 07T19:20", "12/7T2026", "2026-12-07 T19:20", "2026-12-07T 19:20",
      "2026-12-07T", "2026-12-07TT19:20",
      // An embedded NUL, however the part before it reads.
      std::string_view("12/7/2026\0 7:20", 15),
      // Very long digit runs, which must not wrap around into a valid field.
      "12/7/18446744073709553642", "4294967308/7/2026", "12/7/2026 4294967303:20",
      // Characters outside 7-bit text.
      "12/7/2026\xa0",
      "12\xe2\x80\x82"
      "7/2026"};
  for (std::string_view text : rejected) {
    EXPECT_FALSE(ParseDateText(text, kThisYear).has_value()) << "'" << text << "' was accepted";
    try {
      const DateTime date = ConvertToDate(text);
      ADD_FAILURE() << "'" << text << "' converted to " << date.Format();
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), 13) << text;
      EXPECT_EQ(failure.source(), "FPKestrova") << text;
      EXPECT_EQ(failure.description(), "Type mismatch") << text;
    }
  }
}

// Leading zeros are only digits.
TEST(InventoryDateTest, LeadingZerosAreOnlyDigits) {
  EXPECT_EQ(ParseDateText("0012/0007/0002026", kThisYear), ParseDateText("12/7/2026", kThisYear));
}

// A year left out is the current year of the system clock (UTC).
TEST(InventoryDateTest, MissingYearIsTheCurrentYear) {
  using std::chrono::floor;
  using std::chrono::system_clock;
  const auto year_now = [] {
    const std::chrono::year_month_day today{floor<std::chrono::days>(system_clock::now())};
    return static_cast<int>(today.year());
  };
  const int before = year_now();
  const DateTime parsed = ConvertToDate("Dec 7 7:20 PM");
  const int after = year_now();
  const CivilTime civil = parsed.ToCivil();
  EXPECT_TRUE(civil.year == before || civil.year == after) << parsed.Format();
  EXPECT_EQ(civil.month, 12);
  EXPECT_EQ(civil.day, 7);
  EXPECT_EQ(parsed.SecondOfDay(), 69600);
}

// What Format writes converts back to the same instant, across the whole range of years.
TEST(InventoryDateTest, FormattedTextConvertsBackToTheSameInstant) {
  const std::int64_t first = ConvertToDate("1/1/100").seconds();
  const std::int64_t last = ConvertToDate("12/31/9999 23:59:59").seconds();
  // A step that is prime and not a whole number of days or hours visits every time of day.
  constexpr std::int64_t kStep = 86400 * 97 + 3607;
  int checked = 0;
  for (std::int64_t s = first; s <= last; s += kStep) {
    const DateTime date = DateTime::FromSeconds(s);
    const std::optional<DateTime> back = ParseDateText(date.Format(), kThisYear);
    ASSERT_TRUE(back.has_value()) << date.Format();
    ASSERT_EQ(*back, date) << date.Format();
    ++checked;
  }
  EXPECT_GT(checked, 30000);
}

}  // namespace
}  // namespace kestrova

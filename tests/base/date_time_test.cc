#include "base/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrova {
namespace {

constexpr std::int64_t kDay = 86400;

TEST(DateTimeTest, FormatShowsWhatThePlatformShows) {
  struct Row {
    CivilTime civil;
    std::string_view formatted;
  };
  const std::vector<Row> rows = {
      {{2026, 12, 7, 19, 20, 0}, "12/7/2026 7:20:00 PM"},
      {{2026, 12, 7, 0, 0, 0}, "12/7/2026"},
      {{1899, 12, 30, 19, 20, 0}, "7:20:00 PM"},
      {{1899, 12, 30, 0, 0, 5}, "12:00:05 AM"},
      {{1899, 12, 30, 12, 30, 30}, "12:30:30 PM"},
      {{100, 1, 1, 0, 0, 1}, "1/1/100 12:00:01 AM"},
      {{9999, 12, 31, 23, 59, 59}, "12/31/9999 11:59:59 PM"},
      {{1899, 12, 30, 0, 0, 0}, "12:00:00 AM"},
      {{1899, 12, 29, 6, 0, 0}, "12/29/1899 6:00:00 AM"},
  };
  for (const Row& row : rows) {
    const std::optional<DateTime> date = DateTime::FromCivil(row.civil);
    ASSERT_TRUE(date.has_value()) << row.formatted;
    EXPECT_EQ(date->Format(), row.formatted);
  }
}

// The calendar agrees with the standard library's for every day from 1/1/100 to 12/31/9999.
TEST(DateTimeTest, CalendarAgreesWithTheStandardCalendarOnEveryDay) {
  using namespace std::chrono;
  const sys_days zero_day = year{1899} / December / 30;
  const std::int64_t first = DateTime::FromCivil({100, 1, 1, 0, 0, 0}).value().Days();
  const std::int64_t last = DateTime::FromCivil({9999, 12, 31, 0, 0, 0}).value().Days();
  ASSERT_EQ(first, (sys_days{year{100} / January / 1} - zero_day).count());
  ASSERT_EQ(last, (sys_days{year{9999} / December / 31} - zero_day).count());
  for (std::int64_t d = first; d <= last; ++d) {
    const year_month_day expected{zero_day + days{d}};
    const CivilTime civil = DateTime::FromSeconds(d * kDay + 3723).ToCivil();
    ASSERT_EQ(civil.year, static_cast<int>(expected.year())) << d;
    ASSERT_EQ(civil.month, static_cast<int>(static_cast<unsigned>(expected.month()))) << d;
    ASSERT_EQ(civil.day, static_cast<int>(static_cast<unsigned>(expected.day()))) << d;
    ASSERT_EQ(civil.hour * 3600 + civil.minute * 60 + civil.second, 3723) << d;
    const std::optional<DateTime> rebuilt = DateTime::FromCivil(civil);
    ASSERT_TRUE(rebuilt.has_value()) << d;
    ASSERT_EQ(rebuilt->seconds(), d * kDay + 3723) << d;
  }
}

TEST(DateTimeTest, FromCivilRejectsFieldsOutOfRange) {
  const std::vector<CivilTime> rejected = {
      {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2026, 0, 1, 0, 0, 0},
      {2026, 13, 1, 0, 0, 0}, {2026, 2, 29, 0, 0, 0}, {2026, 4, 31, 0, 0, 0},
      {2026, 1, 0, 0, 0, 0},  {2026, 1, 1, 24, 0, 0}, {2026, 1, 1, -1, 0, 0},
      {2026, 1, 1, 0, 60, 0}, {2026, 1, 1, 0, 0, 60}, {2026, 1, 1, 0, -1, 0}};
  for (const CivilTime& civil : rejected) {
    EXPECT_FALSE(DateTime::FromCivil(civil).has_value())
        << civil.year << "-" << civil.month << "-" << civil.day << " " << civil.hour << ":"
        << civil.minute << ":" << civil.second;
  }
  // Before the zero of the scale the day counts down while the time of day still counts up.
  const std::optional<DateTime> before = DateTime::FromCivil({1899, 12, 29, 23, 59, 59});
  ASSERT_TRUE(before.has_value());
  EXPECT_EQ(before->seconds(), -1);
  EXPECT_EQ(before->Days(), -1);
  EXPECT_EQ(before->SecondOfDay(), 86399);
}

}  // namespace
}  // namespace kestrova

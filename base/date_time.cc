#include "base/date_time.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace kestrova {
namespace {

constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;

// Days between 1 March of year 0 (the start of the shifted calendar below) and 30 December 1899.
constexpr std::int64_t kShiftedEpochToZeroDay = 693899;
constexpr std::int64_t kDaysPerEra = 146097;  // 400 Gregorian years

bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

std::int64_t DaysInMonth(std::int64_t month, std::int64_t year) {
  constexpr std::array<std::int64_t, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[static_cast<std::size_t>(month - 1)];
}

// Days since the zero day for a valid date of a positive year. The calendar is shifted to start
// in March so that the leap day falls at the end of a year; a 400-year era has a fixed length.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  const std::int64_t shifted_year = month <= 2 ? year - 1 : year;
  const std::int64_t era = shifted_year / 400;
  const std::int64_t year_of_era = shifted_year - era * 400;
  const std::int64_t shifted_month = month > 2 ? month - 3 : month + 9;
  const std::int64_t day_of_year = (153 * shifted_month + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * kDaysPerEra + day_of_era - kShiftedEpochToZeroDay;
}

// The inverse of DaysFromCivil, for days of positive years.
CivilTime CivilFromDays(std::int64_t days) {
  const std::int64_t shifted = days + kShiftedEpochToZeroDay;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - kDaysPerEra + 1) / kDaysPerEra;
  const std::int64_t day_of_era = shifted - era * kDaysPerEra;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  const std::int64_t month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  const std::int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  CivilTime civil;
  civil.year = static_cast<int>(year);
  civil.month = static_cast<int>(month);
  civil.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  return civil;
}

void AppendNumber(std::string& out, int value, std::size_t min_width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < min_width) out.append(min_width - digits.size(), '0');
  out += digits;
}

}  // namespace

bool IsValidDate(std::int64_t year, std::int64_t month, std::int64_t day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, year);
}

std::optional<DateTime> DateTime::FromCivil(const CivilTime& civil) {
  if (civil.year < kMinYear || civil.year > kMaxYear ||
      !IsValidDate(civil.year, civil.month, civil.day) || civil.hour < 0 || civil.hour > 23 ||
      civil.minute < 0 || civil.minute > 59 || civil.second < 0 || civil.second > 59) {
    return std::nullopt;
  }
  return DateTime(DaysFromCivil(civil.year, civil.month, civil.day) * kSecondsPerDay +
                  civil.hour * kSecondsPerHour + civil.minute * kSecondsPerMinute + civil.second);
}

std::int64_t DateTime::Days() const {
  std::int64_t days = seconds_ / kSecondsPerDay;
  if (seconds_ % kSecondsPerDay < 0) --days;
  return days;
}

std::int64_t DateTime::SecondOfDay() const { return seconds_ - Days() * kSecondsPerDay; }

CivilTime DateTime::ToCivil() const {
  CivilTime civil = CivilFromDays(Days());
  const std::int64_t second_of_day = SecondOfDay();
  civil.hour = static_cast<int>(second_of_day / kSecondsPerHour);
  civil.minute = static_cast<int>(second_of_day % kSecondsPerHour / kSecondsPerMinute);
  civil.second = static_cast<int>(second_of_day % kSecondsPerMinute);
  return civil;
}

std::string DateTime::Format() const {
  const CivilTime civil = ToCivil();
  const bool show_date = Days() != 0;
  const bool show_time = SecondOfDay() != 0 || !show_date;
  std::string out;
  if (show_date) {
    AppendNumber(out, civil.month, 1);
    out += '/';
    AppendNumber(out, civil.day, 1);
    out += '/';
    AppendNumber(out, civil.year, 1);
  }
  if (show_time) {
    if (!out.empty()) out += ' ';
    const int hour12 = civil.hour % 12 == 0 ? 12 : civil.hour % 12;
    AppendNumber(out, hour12, 1);
    out += ':';
    AppendNumber(out, civil.minute, 2);
    out += ':';
    AppendNumber(out, civil.second, 2);
    out += civil.hour < 12 ? " AM" : " PM";
  }
  return out;
}

}  // namespace kestrova

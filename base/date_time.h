// A calendar date and time of day, and an instant on the platform's date scale: the values that
// an inventory's date line becomes and that the platform's own date conversion yields.
#ifndef KESTROVA_BASE_DATE_TIME_H_
#define KESTROVA_BASE_DATE_TIME_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrova {

// A calendar date and time of day, broken into its fields (proleptic Gregorian calendar).
struct CivilTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// An instant on the platform's date scale: whole seconds since 30 December 1899 00:00:00, the
// zero of an automation date. Years 100 to 9999 are representable. Held as an integer so that
// equal texts give equal values and one second is always one step, with no rounding.
//
// Order is chronological throughout, before 1899 too (the platform's floating-point encoding of
// such dates does not sort chronologically; inventories do not carry them).
class DateTime {
 public:
  static constexpr std::int64_t kSecondsPerDay = 86400;
  static constexpr int kMinYear = 100;
  static constexpr int kMaxYear = 9999;

  // The zero of the scale: 30 December 1899, midnight.
  constexpr DateTime() = default;

  // The instant `seconds` seconds after the zero of the scale (negative: before it).
  static constexpr DateTime FromSeconds(std::int64_t seconds) { return DateTime(seconds); }

  // The instant of the given fields; empty when a field is out of range (year outside 100..9999,
  // month outside 1..12, a day the month does not have, hour > 23, minute or second > 59).
  static std::optional<DateTime> FromCivil(const CivilTime& civil);

  // Seconds since the zero of the scale.
  constexpr std::int64_t seconds() const { return seconds_; }

  // Whole days since the zero of the scale (the integer part of an automation date).
  std::int64_t Days() const;

  // Seconds since midnight of the day, 0 to 86399.
  std::int64_t SecondOfDay() const;

  // The calendar fields of this instant.
  CivilTime ToCivil() const;

  // The instant as US-English text for messages, the way the platform shows a date value: the
  // date alone at midnight ("12/7/2026"), the time alone on the zero day ("7:20:00 PM"), both
  // otherwise ("12/7/2026 7:20:00 PM").
  std::string Format() const;

  friend constexpr bool operator==(DateTime, DateTime) = default;
  friend constexpr std::strong_ordering operator<=>(DateTime, DateTime) = default;

 private:
  constexpr explicit DateTime(std::int64_t seconds) : seconds_(seconds) {}

  std::int64_t seconds_ = 0;
};

// True when the month (1 to 12) of the year has the day (proleptic Gregorian calendar).
bool IsValidDate(std::int64_t year, std::int64_t month, std::int64_t day);

}  // namespace kestrova

#endif  // KESTROVA_BASE_DATE_TIME_H_

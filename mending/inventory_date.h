// The date and time written on the first line of an inventory, and the conversion of that text
// into a value. The conversion reads the notations that the platform's own text-to-date
// conversion reads under US English, so that the server's copy and the local copy of the
// inventory are read alike on every host and their dates can be compared to the second.
#ifndef KESTROVA_MENDING_INVENTORY_DATE_H_
#define KESTROVA_MENDING_INVENTORY_DATE_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Converts the text of a date line, reading it as the platform's text-to-date conversion does
// under US English. `current_year` stands in for a year the text leaves out ("Dec 7", "12/7").
// Empty when the text is no date.
//
// Accepted, in outline: up to six numbers and month names, of which one group joined by ':' or
// '.' is the time (h:m or h:m:s, or an hour alone when AM/PM follows it) and the other two or
// three are the date; blanks and commas between parts; '-' or '/' (two at most) between date
// parts; weekday names, which are ignored; AM, PM, A or P after the time (12 AM is 00, 12 PM is
// 12, with an hour of 13 to 23 the mark is ignored as the platform ignores it); one 'T' between a
// separated three-part date and the time ("2026-12-07T19:20:00"), which the platform itself
// does not read but which is accepted here because services commonly write it.
//
// Three date numbers are read as month/day/year when that is a valid date, then as
// year/month/day, year/day/month, and last as day/month/year: so "13/1/2026" is 13 January 2026,
// as on the platform, while "2/30/2026" is no date in any order. A month name fixes the month's
// position. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999. Two date numbers take
// `current_year` (or, when they cannot be month and day, are month and year on day 1, as the
// platform reads them). No date part gives 30 December 1899; no time part gives midnight.
std::optional<DateTime> ParseDateText(std::string_view text, int current_year);

// As above, with the current year (UTC) for a year the text leaves out.
std::optional<DateTime> ParseDateText(std::string_view text);

// Converts the text of a date line as ParseDateText does; raises the platform's Type mismatch
// (number 13, source FPKestrova) when the text is no date.
DateTime ConvertToDate(std::string_view text);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_INVENTORY_DATE_H_

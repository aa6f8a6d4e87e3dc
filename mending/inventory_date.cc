#include "mending/inventory_date.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ascii.h"
#include "base/failure.h"

namespace kestrova {
namespace {

// Days between 30 December 1899 and 1 January 1970, the start of the system clock.
constexpr std::int64_t kZeroDayToUnixEpoch = 25569;

// ---------------------------------------------------------------------------------------------
// Scanning: the text becomes a list of numbers and month names with what stands between them.

// A number larger than any field can hold; longer digit runs stop growing here.
constexpr std::int64_t kNumberCap = 1000000;
constexpr std::size_t kMaxElements = 6;
constexpr int kMaxDateSeparators = 2;

enum class DayHalf { kNone, kAm, kPm };

struct Element {
  std::int64_t value = 0;
  bool is_month_name = false;
  bool joins_next = false;    // a time separator (':' or '.') follows it
  bool has_day_half = false;  // the AM/PM mark was written after it
};

struct Scan {
  std::array<Element, kMaxElements> elements;
  std::size_t count = 0;
  int date_separators = 0;
  bool after_separator = false;  // a separator was seen and no element yet after it
  DayHalf day_half = DayHalf::kNone;
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsCSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsCSpace(text.back())) text.remove_suffix(1);
  return text;
}

constexpr std::array<std::string_view, 12> kMonthNames = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};
constexpr std::array<std::string_view, 7> kWeekdayNames = {
    "sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"};
constexpr std::size_t kAbbreviationLength = 3;

// The month (1 to 12) a full or three-letter English month name stands for; 0 for other words.
std::int64_t MonthOfName(std::string_view word) {
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (EqualsIgnoringCase(word, kMonthNames[i]) ||
        EqualsIgnoringCase(word, kMonthNames[i].substr(0, kAbbreviationLength))) {
      return static_cast<std::int64_t>(i + 1);
    }
  }
  return 0;
}

bool IsWeekdayName(std::string_view word) {
  for (std::string_view name : kWeekdayNames) {
    if (EqualsIgnoringCase(word, name) ||
        EqualsIgnoringCase(word, name.substr(0, kAbbreviationLength))) {
      return true;
    }
  }
  return false;
}

DayHalf DayHalfOfWord(std::string_view word) {
  if (EqualsIgnoringCase(word, "am") || EqualsIgnoringCase(word, "a")) return DayHalf::kAm;
  if (EqualsIgnoringCase(word, "pm") || EqualsIgnoringCase(word, "p")) return DayHalf::kPm;
  return DayHalf::kNone;
}

bool AddElement(Scan& scan, std::int64_t value, bool is_month_name) {
  if (scan.count == kMaxElements) return false;
  Element& element = scan.elements[scan.count++];
  scan.after_separator = false;
  element.value = value;
  element.is_month_name = is_month_name;
  return true;
}

// The 'T' of "2026-12-07T19:20:00": directly between the last digit of a three-part date written
// with separators and the first digit of the time.
bool IsDateTimeMark(const Scan& scan, std::string_view text, std::size_t begin, std::size_t end) {
  if (end - begin != 1 || AsciiLower(text[begin]) != 't') return false;
  if (begin == 0 || end == text.size() || !IsAsciiDigit(text[begin - 1]) ||
      !IsAsciiDigit(text[end])) {
    return false;
  }
  if (scan.count != 3 || scan.date_separators == 0 || scan.day_half != DayHalf::kNone) {
    return false;
  }
  for (std::size_t i = 0; i < scan.count; ++i) {
    if (scan.elements[i].joins_next) return false;
  }
  return true;
}

// Applies one word of letters; false when the word has no place in a date.
bool ApplyWord(Scan& scan, std::string_view text, std::size_t begin, std::size_t end) {
  const std::string_view word = text.substr(begin, end - begin);
  if (const std::int64_t month = MonthOfName(word); month != 0) {
    return AddElement(scan, month, /*is_month_name=*/true);
  }
  if (IsWeekdayName(word)) return true;
  if (const DayHalf half = DayHalfOfWord(word); half != DayHalf::kNone) {
    // One mark, written after the number it belongs to.
    if (scan.count == 0 || scan.day_half != DayHalf::kNone) return false;
    scan.day_half = half;
    scan.elements[scan.count - 1].has_day_half = true;
    return true;
  }
  return IsDateTimeMark(scan, text, begin, end);
}

std::optional<Scan> ScanText(std::string_view text) {
  Scan scan;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const bool is_last = i + 1 == text.size();
    if (IsAsciiDigit(c)) {
      std::int64_t value = 0;
      for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        if (value < kNumberCap) value = value * 10 + (text[i] - '0');
      }
      if (!AddElement(scan, value, /*is_month_name=*/false)) return std::nullopt;
      continue;
    }
    if (IsAsciiLetter(c)) {
      const std::size_t begin = i;
      while (i < text.size() && IsAsciiLetter(text[i])) ++i;
      if (!ApplyWord(scan, text, begin, i)) return std::nullopt;
      continue;
    }
    const bool is_separator = c == ':' || c == '.' || c == '-' || c == '/';
    if (is_separator) {
      // A separator stands between two parts, never at an end nor next to another separator.
      if (scan.count == 0 || is_last || scan.after_separator) return std::nullopt;
      scan.after_separator = true;
    }
    if (c == ':' || c == '.') {
      // Joins the number before it to the number after it into a time.
      Element& last = scan.elements[scan.count - 1];
      if (last.is_month_name) return std::nullopt;
      last.joins_next = true;
    } else if (c == '-' || c == '/') {
      if (++scan.date_separators > kMaxDateSeparators) return std::nullopt;
    } else if (c == ',') {
      if (is_last) return std::nullopt;
    } else if (!IsCSpace(c)) {
      return std::nullopt;
    }
    ++i;
  }
  if (scan.count == 0) return std::nullopt;
  return scan;
}

// ---------------------------------------------------------------------------------------------
// Layout: which elements form the time and which the date.

struct Layout {
  std::size_t time_first = 0;
  std::size_t time_count = 0;  // 0: no time; 1: an hour with AM/PM; 2: h:m; 3: h:m:s
  std::size_t date_first = 0;
  std::size_t date_count = 0;  // 0: no date; 2: the current year's; 3: a full date
};

// True when an AM/PM mark stands after one of the elements first to last - 1.
bool DayHalfAmong(const Scan& scan, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i < last && i < scan.count; ++i) {
    if (scan.elements[i].has_day_half) return true;
  }
  return false;
}

Layout MakeLayout(std::size_t time_first, std::size_t time_count, std::size_t date_first,
                  std::size_t date_count) {
  Layout layout;
  layout.time_first = time_first;
  layout.time_count = time_count;
  layout.date_first = date_first;
  layout.date_count = date_count;
  return layout;
}

// The layout of elements without time separators: a date of two or three numbers, an hour with
// AM/PM alone, or an hour with AM/PM before or after the date.
std::optional<Layout> LayoutWithoutTimeSeparator(const Scan& scan) {
  const bool marked = scan.day_half != DayHalf::kNone;
  const std::size_t n = scan.count;
  if (n == 1) {
    if (!marked) return std::nullopt;
    return MakeLayout(0, 1, 0, 0);
  }
  if (n == 2) {
    if (marked) return std::nullopt;
    return MakeLayout(0, 0, 0, 2);
  }
  if (n == 3 || n == 4) {
    if (!marked) {
      if (n == 4) return std::nullopt;
      return MakeLayout(0, 0, 0, 3);
    }
    if (scan.elements[0].has_day_half) return MakeLayout(0, 1, 1, n - 1);
    if (scan.elements[n - 1].has_day_half) return MakeLayout(n - 1, 1, 0, n - 1);
  }
  return std::nullopt;
}

// Splits the elements into time and date by where the time separators stand. The time is a
// group of two or three joined numbers at the start or at the end; the AM/PM mark must not stand
// inside the date.
std::optional<Layout> FindLayout(const Scan& scan) {
  unsigned joins = 0;
  for (std::size_t i = 0; i < scan.count; ++i) {
    if (scan.elements[i].joins_next) joins |= 1u << i;
  }
  const std::size_t n = scan.count;
  std::optional<Layout> layout;
  switch (joins) {
    case 0x0:
      layout = LayoutWithoutTimeSeparator(scan);
      break;
    case 0x1:  // h:m, then no date, the current year's or a full one
      if ((n == 2 || n == 4 || n == 5) && !DayHalfAmong(scan, 2, n)) {
        layout = MakeLayout(0, 2, 2, n - 2);
      }
      break;
    case 0x3:  // h:m:s, then a date as above
      if ((n == 3 || n == 5 || n == 6) && !DayHalfAmong(scan, 3, n)) {
        layout = MakeLayout(0, 3, 3, n - 3);
      }
      break;
    case 0x4:  // the current year's date, then h:m
      if (n == 4 && !DayHalfAmong(scan, 0, 2)) layout = MakeLayout(2, 2, 0, 2);
      break;
    case 0xC:  // the current year's date, then h:m:s
      if (n == 5 && !DayHalfAmong(scan, 0, 2)) layout = MakeLayout(2, 3, 0, 2);
      break;
    case 0x8:  // a full date, then h:m
      if (n == 5 && !DayHalfAmong(scan, 0, 3)) layout = MakeLayout(3, 2, 0, 3);
      break;
    case 0x18:  // a full date, then h:m:s
      if (n == 6 && !DayHalfAmong(scan, 0, 3)) layout = MakeLayout(3, 3, 0, 3);
      break;
    default:
      break;
  }
  if (!layout) return std::nullopt;
  for (std::size_t i = 0; i < layout->time_count; ++i) {
    if (scan.elements[layout->time_first + i].is_month_name) return std::nullopt;
  }
  return layout;
}

// ---------------------------------------------------------------------------------------------
// The date: which of the numbers is the year, the month and the day.

// Readings of three numbers a, b, c, in the order US English tries them: month/day/year first,
// then year/month/day, month/year/day (only for a month and year written without a day),
// year/day/month, and day/month/year last.
enum Reading : unsigned {
  kMonthDayYear = 1u << 0,
  kYearMonthDay = 1u << 1,
  kMonthYearDay = 1u << 2,
  kYearDayMonth = 1u << 3,
  kDayMonthYear = 1u << 4,
};
constexpr std::array<Reading, 5> kReadingPreference = {kMonthDayYear, kYearMonthDay, kMonthYearDay,
                                                       kYearDayMonth, kDayMonthYear};

struct YearMonthDay {
  std::int64_t year;
  std::int64_t month;
  std::int64_t day;
};

YearMonthDay Read(Reading reading, std::int64_t a, std::int64_t b, std::int64_t c) {
  switch (reading) {
    case kMonthDayYear:
      return {c, a, b};
    case kYearMonthDay:
      return {a, b, c};
    case kMonthYearDay:
      return {b, a, c};
    case kYearDayMonth:
      return {a, c, b};
    case kDayMonthYear:
      break;
  }
  return {c, b, a};
}

// A year as written: 00-29 are 2000-2029, 30-99 are 1930-1999, larger numbers are themselves.
std::int64_t ExpandYear(std::int64_t year) {
  if (year < 30) return 2000 + year;
  if (year < 100) return 1900 + year;
  return year;
}

// The first reading among `allowed`, in order of preference, that is a valid date.
std::optional<YearMonthDay> FirstValidReading(unsigned allowed, std::int64_t a, std::int64_t b,
                                              std::int64_t c) {
  for (Reading reading : kReadingPreference) {
    if ((allowed & reading) == 0) continue;
    YearMonthDay date = Read(reading, a, b, c);
    date.year = ExpandYear(date.year);
    if (IsValidDate(date.year, date.month, date.day)) return date;
  }
  return std::nullopt;
}

std::optional<YearMonthDay> ResolveDate(const Scan& scan, const Layout& layout, int current_year) {
  if (layout.date_count == 0) return YearMonthDay{1899, 12, 30};
  const Element* parts = &scan.elements[layout.date_first];
  const bool full = layout.date_count == 3;
  const std::int64_t a = parts[0].value;
  const std::int64_t b = parts[1].value;
  const std::int64_t c = full ? parts[2].value : current_year;

  // A month name fixes where the month stands.
  unsigned allowed = kMonthDayYear | kDayMonthYear;
  if (full) allowed |= kYearMonthDay | kYearDayMonth;
  if (parts[0].is_month_name) {
    allowed = kMonthDayYear;
  } else if (parts[1].is_month_name) {
    allowed = full ? (kDayMonthYear | kYearMonthDay) : kDayMonthYear;
  } else if (full && parts[2].is_month_name) {
    allowed = kYearDayMonth;
  }
  if (std::optional<YearMonthDay> date = FirstValidReading(allowed, a, b, c)) return date;
  if (full) return std::nullopt;
  // Two numbers that are no month and day are a month and a year, on the first of the month.
  return FirstValidReading(kYearMonthDay | kMonthYearDay, a, b, 1);
}

std::optional<CivilTime> ResolveTime(const Scan& scan, const Layout& layout) {
  std::array<std::int64_t, 3> fields = {0, 0, 0};
  for (std::size_t i = 0; i < layout.time_count; ++i) {
    fields[i] = scan.elements[layout.time_first + i].value;
  }
  std::int64_t hour = fields[0];
  if (hour > 23 || fields[1] > 59 || fields[2] > 59) return std::nullopt;
  // The mark changes hours 0 to 12 only; with 13 to 23 it is ignored.
  if (scan.day_half == DayHalf::kPm && hour < 12) hour += 12;
  if (scan.day_half == DayHalf::kAm && hour == 12) hour = 0;
  CivilTime time;
  time.hour = static_cast<int>(hour);
  time.minute = static_cast<int>(fields[1]);
  time.second = static_cast<int>(fields[2]);
  return time;
}

int CurrentYearUtc() {
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const std::int64_t unix_days =
      std::chrono::floor<std::chrono::duration<std::int64_t, std::ratio<86400>>>(since_epoch)
          .count();
  return DateTime::FromSeconds((unix_days + kZeroDayToUnixEpoch) * DateTime::kSecondsPerDay)
      .ToCivil()
      .year;
}

}  // namespace

std::optional<DateTime> ParseDateText(std::string_view text, int current_year) {
  const std::optional<Scan> scan = ScanText(Trim(text));
  if (!scan) return std::nullopt;
  const std::optional<Layout> layout = FindLayout(*scan);
  if (!layout) return std::nullopt;
  const std::optional<CivilTime> time = ResolveTime(*scan, *layout);
  if (!time) return std::nullopt;
  const std::optional<YearMonthDay> date = ResolveDate(*scan, *layout, current_year);
  if (!date || date->year > DateTime::kMaxYear) return std::nullopt;
  CivilTime civil = *time;
  civil.year = static_cast<int>(date->year);
  civil.month = static_cast<int>(date->month);
  civil.day = static_cast<int>(date->day);
  return DateTime::FromCivil(civil);
}

std::optional<DateTime> ParseDateText(std::string_view text) {
  return ParseDateText(text, CurrentYearUtc());
}

DateTime ConvertToDate(std::string_view text) {
  const std::optional<DateTime> date = ParseDateText(text);
  if (!date) RaiseProgramError(kErrTypeMismatch);
  return *date;
}

}  // namespace kestrova

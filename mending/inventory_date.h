// The conversion of the date and time written on the first line of an inventory into a DateTime.
// It reads the notations that the platform's own text-to-date conversion reads under US English,
// so that the server's copy and the local copy of the inventory are read alike on every host and
// their dates can be compared to the second.
#ifndef KESTROVA_MENDING_INVENTORY_DATE_H_
#define KESTROVA_MENDING_INVENTORY_DATE_H_

#include <optional>
#include <string_view>

#include "base/date_time.h"

namespace kestrova {

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

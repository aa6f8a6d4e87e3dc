// The inventory date conversion on Windows: the service's notation (US English, as the portable
// conversion reads it) first on every locale, and the platform's own text-to-date conversion
// (VarDateFromStr), which reads the text the way the user's regional settings write dates, for a
// text that US English cannot read.
#ifndef KESTROVA_PLATFORM_WIN32_VARIANT_DATE_H_
#define KESTROVA_PLATFORM_WIN32_VARIANT_DATE_H_

#include <windows.h>

#include <string_view>

#include "base/date_time.h"

namespace kestrova::win32 {

// Converts the text of a date line (UTF-8) with VarDateFromStr in the user's locale
// (LOCALE_USER_DEFAULT), to the whole second. Raises kestrova::Failure 13 "Type mismatch" (source
// FPKestrova) when the platform reads no date in the text, the text holds a NUL, or the date lies
// outside the years DateTime holds.
DateTime ConvertToDateWithPlatform(std::string_view text);

// As above, in the given locale instead of the user's.
DateTime ConvertToDateWithPlatform(std::string_view text, LCID locale);

// Converts an inventory's date line as the service writes it: as ParseDateText reads it (US
// English, so "3/12/2026" is 12 March on a British or German Windows too, and both copies of the
// inventory compare alike on every host), and only when that reads no date, with the platform's
// conversion in fallback_locale. Raises Failure 13 as ConvertToDateWithPlatform does.
DateTime ConvertInventoryDate(std::string_view text, LCID fallback_locale = LOCALE_USER_DEFAULT);

// An automation date (days since 30 December 1899; before it, the fraction still counts forward
// from midnight, so -1.25 is 29 December 1899 06:00) as a DateTime, rounded to the nearest second.
DateTime DateTimeFromAutomationDate(double date);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_VARIANT_DATE_H_

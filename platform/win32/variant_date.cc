#include "platform/win32/variant_date.h"

#include <oleauto.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "base/failure.h"
#include "mending/inventory_date.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {

DateTime ConvertToDateWithPlatform(std::string_view text) {
  return ConvertToDateWithPlatform(text, LOCALE_USER_DEFAULT);
}

DateTime ConvertToDateWithPlatform(std::string_view text, LCID locale) {
  // The platform reads up to the first NUL; the rest of such a text would go unread.
  if (text.find('\0') != std::string_view::npos) RaiseProgramError(kErrTypeMismatch);
  std::wstring wide = WideFromUtf8(text);
  DATE date = 0;
  if (FAILED(VarDateFromStr(wide.data(), locale, 0, &date))) RaiseProgramError(kErrTypeMismatch);
  const DateTime converted = DateTimeFromAutomationDate(date);
  const int year = converted.ToCivil().year;
  if (year < DateTime::kMinYear || year > DateTime::kMaxYear) RaiseProgramError(kErrTypeMismatch);
  return converted;
}

DateTime ConvertInventoryDate(std::string_view text, LCID fallback_locale) {
  if (const std::optional<DateTime> date = ParseDateText(text)) return *date;
  return ConvertToDateWithPlatform(text, fallback_locale);
}

DateTime DateTimeFromAutomationDate(double date) {
  const double whole_days = std::trunc(date);
  const auto days = static_cast<std::int64_t>(whole_days);
  // The time of day is the fraction's magnitude on both sides of the zero day.
  auto second_of_day = static_cast<std::int64_t>(
      std::llround(std::fabs(date - whole_days) * DateTime::kSecondsPerDay));
  std::int64_t day_start = days * DateTime::kSecondsPerDay;
  if (second_of_day >= DateTime::kSecondsPerDay) {  // rounded up into the next day
    second_of_day -= DateTime::kSecondsPerDay;
    day_start += date < 0 ? -DateTime::kSecondsPerDay : DateTime::kSecondsPerDay;
  }
  return DateTime::FromSeconds(day_start + second_of_day);
}

}  // namespace kestrova::win32

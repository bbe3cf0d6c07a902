#include "operation/DateFields.h"

namespace {

// Days since 1970-01-01, by the Julian day number; truncating divisions, as the module's
// firmware computes it.
int64_t daysSinceEpoch(const DateFields& f) {
  const int64_t a = (14 - f.month) / 12;
  const int64_t y = f.year + 4800 - a;
  const int64_t m = f.month + 12 * a - 3;
  return f.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045 - 2440588;
}

int64_t secondsSinceEpoch(const DateFields& f) {
  return daysSinceEpoch(f) * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

}  // namespace

DateFields secondsToDateFields(uint32_t seconds) {
  DateFields f;
  f.hour = uint8_t(seconds / 3600 % 24);
  f.minute = uint8_t(seconds / 60 % 60);
  f.second = uint8_t(seconds % 60);
  // Civil date from a day count (eras of 400 years, March-based years).
  const int64_t z = int64_t(seconds / 86400) + 719468;
  const int64_t era = z / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  f.day = uint8_t(dayOfYear - (153 * mp + 2) / 5 + 1);
  f.month = uint8_t(mp < 10 ? mp + 3 : mp - 9);
  f.year = uint16_t(yearOfEra + era * 400 + (f.month <= 2 ? 1 : 0));
  return f;
}

uint32_t dateFieldsToSeconds(const DateFields& f) { return uint32_t(secondsSinceEpoch(f)); }

bool dateFieldsFit(const DateFields& f) {
  const int64_t s = secondsSinceEpoch(f);
  return s >= 0 && s <= int64_t(UINT32_MAX);
}

QString formatDate(const DateFields& f) {
  return QString::asprintf("%02d.%02d.%04d", f.day, f.month, f.year);
}

QString formatTime(const DateFields& f) {
  return QString::asprintf("%02d:%02d:%02d", f.hour, f.minute, f.second);
}

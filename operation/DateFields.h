#pragma once

#include <QString>
#include <cstdint>

// A calendar date and time as the module's clock and log stamps carry them: seconds since
// 1970-01-01 00:00:00 in the module's local time, no time zone, no leap seconds.
struct DateFields {
  uint16_t year = 1970;
  uint8_t month = 1;
  uint8_t day = 1;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  bool operator==(const DateFields&) const = default;
};

// Proleptic Gregorian calendar, valid for the whole unsigned 32-bit range (up to
// 2106-02-07 06:28:15).
DateFields secondsToDateFields(uint32_t seconds);

// The inverse through the Julian day number. A day beyond the month's length counts on into the
// next month (30 February is 1 or 2 March). The count is taken modulo 2^32, as the module's
// two clock registers hold it; dateFieldsFit() tells whether it fits.
uint32_t dateFieldsToSeconds(const DateFields& f);
bool dateFieldsFit(const DateFields& f);

// "DD.MM.YYYY" and "HH:MM:SS".
QString formatDate(const DateFields& f);
QString formatTime(const DateFields& f);

// Oracle's date formatting as the statements use it, for engines that keep
// dates as text 'YYYY-MM-DD HH:MM:SS' (local time). Formats are built from
// the elements yyyy, mm, dd, HH24, MI and SS (case-insensitive).
#pragma once

#include <string>

struct OraDateTime {
  int year, month, day, hour, minute, second;
};

// Reads a stored date text: 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM' or
// 'YYYY-MM-DD HH:MM:SS' (a 'T' may stand for the blank, fractional seconds
// are ignored). False when the text is none of these.
bool Ora_ReadStored(const char* text, OraDateTime* out);

// The stored form 'YYYY-MM-DD HH:MM:SS'.
std::string Ora_Stored(const OraDateTime& dt);

// TO_CHAR(date, fmt). False for a format element it does not know.
bool Ora_ToChar(const OraDateTime& dt, const char* fmt, std::string* out);

// TO_DATE(text, fmt): 0 with *out set, 1 for an empty or all-blank text
// (NULL), or a negative Oracle error number (-1830 text does not match the
// format, -1847/-1843/-1850/-1851/-1852 a field out of range, -1821 unknown
// format element).
int Ora_ToDate(const char* text, const char* fmt, OraDateTime* out);

// The date moved by whole days (time of day kept).
OraDateTime Ora_AddDays(const OraDateTime& dt, long days);

// Days in a month of the Gregorian calendar.
int Ora_DaysInMonth(int year, int month);

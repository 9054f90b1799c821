// Timestamps and time arithmetic on the program's digit texts.
//
// Inputs that are not of the documented forms never make these functions
// read or write beyond a text field or loop without end:
//  - Zeit_Differenz gives 0 for a timestamp that is not 14 digits with a
//    month of 1 to 12, so a broken event adds no time to any counter;
//  - Zeit_Zerlegen leaves both outputs empty for a timestamp that is not
//    14 digits;
//  - Uhrzeit_Sekunden stops at the end of a short text (missing fields
//    count 0);
//  - Min_Uhrzeit gives the empty text for minutes that would not make a
//    six-digit HHMM00 text (below 0 or from 6000 up);
//  - Tag_ImJahr counts a month of 0 or below as January and, for months
//    above 12, the whole year plus 31 days per further month without a loop;
//    results beyond 32 bits are held at the 32-bit limits.
#include "util/Zeit.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "util/Clock.h"

namespace {

int32_t Saturate32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of s, but at most max (never reads beyond the terminator).
std::size_t BoundedLength(const char* s, std::size_t max) {
  std::size_t n = 0;
  if (s == nullptr) return 0;
  while (n < max && s[n] != '\0') ++n;
  return n;
}

// Decimal value of the leading digits of s[0..n); no digits gives 0.
int LeadingNumber(const char* s, std::size_t n) {
  int v = 0;
  for (std::size_t i = 0; i < n && IsDigit(s[i]); ++i) v = v * 10 + (s[i] - '0');
  return v;
}

// True when the first 14 characters of ts are digits.
bool HasFourteenDigits(const char* ts) {
  if (BoundedLength(ts, 14) < 14) return false;
  for (std::size_t i = 0; i < 14; ++i) {
    if (!IsDigit(ts[i])) return false;
  }
  return true;
}

bool IsTimestamp(const char* ts) {
  if (!HasFourteenDigits(ts)) return false;
  const int month = LeadingNumber(ts + 4, 2);
  return month >= 1 && month <= 12;
}

int64_t TagImJahr64(int day, int month, int year) {
  int64_t sum = day;
  if (month <= 1) return sum;
  const int last = month > 13 ? 12 : month - 1;
  for (int k = last; k >= 1; --k) sum += Tage_ImMonat(k, year);
  if (month > 13) sum += 31 * (static_cast<int64_t>(month) - 13);
  return sum;
}

// Day number: 365 per year, the leap days before the year, the day of the year.
int64_t TagNummer(int day, int month, int year) {
  const int64_t y = year;
  const int64_t q4 = (y - 1) / 4;
  const int64_t q100 = (y - 1) / 100;
  const int64_t leap = static_cast<int64_t>(static_cast<double>(q4) - 0.75 * static_cast<double>(q100));
  return 365 * y + leap + TagImJahr64(day, month, year);
}

int64_t TageZwischen64(int d1, int m1, int y1, int d2, int m2, int y2) {
  const int64_t diff = TagNummer(d2, m2, y2) - TagNummer(d1, m1, y1);
  return diff < 0 ? -diff : diff;
}

}  // namespace

int Get_Zeitstempel(char (&a)[40], char (&b)[9], int kind) {
  std::tm now{};
  Clock_LocalNow(&now);
  std::memset(a, 0, 4);
  std::memset(b, 0, 4);
  if (kind == 3) {
    if (std::strftime(a, sizeof a, "20%y%m%d", &now) == 0) a[0] = '\0';
    if (std::strftime(b, sizeof b, "%H%M%S", &now) == 0) b[0] = '\0';
  } else if (kind == 4) {
    if (std::strftime(a, sizeof a, "20%y%m%d%H%M%S", &now) == 0) a[0] = '\0';
  }
  return 0;
}

void Min_Uhrzeit(int minutes, char (&out)[7]) {
  out[0] = '\0';
  // Only 0 to 5999 minutes make six characters HHMM00.
  if (minutes < 0 || minutes >= 6000) return;
  std::snprintf(out, sizeof out, "%02d%02d00", minutes / 60, minutes % 60);
  if (std::strcmp(out, "240000") == 0) std::snprintf(out, sizeof out, "%s", "235959");
}

void Zeit_Zerlegen(const char* timestamp, char (&datum)[11], char (&uhrzeit)[9]) {
  datum[0] = '\0';
  uhrzeit[0] = '\0';
  if (!HasFourteenDigits(timestamp)) return;
  const char* t = timestamp;
  const char d[11] = {t[6], t[7], '.', t[4], t[5], '.', t[0], t[1], t[2], t[3], '\0'};
  const char u[9] = {t[8], t[9], ':', t[10], t[11], ':', t[12], t[13], '\0'};
  std::memcpy(datum, d, sizeof d);
  std::memcpy(uhrzeit, u, sizeof u);
}

int32_t Uhrzeit_Sekunden(const char* hhmmss) {
  const std::size_t len = BoundedLength(hhmmss, 8);
  auto field = [&](std::size_t pos) {
    if (pos >= len) return 0;
    return LeadingNumber(hhmmss + pos, len - pos < 2 ? len - pos : 2);
  };
  return field(0) * 3600 + field(3) * 60 + field(6);
}

int64_t Datum_Sekunden(int day, int month, int year) {
  if (year < 100) year += year < 70 ? 2000 : 1900;
  return TageZwischen64(1, 1, 1970, day, month, year) * 86400;
}

int32_t Zeit_Differenz(const char* a, const char* b) {
  if (!IsTimestamp(a) || !IsTimestamp(b)) return 0;
  auto seconds = [](const char* ts) {
    char datum[11];
    char uhrzeit[9];
    Zeit_Zerlegen(ts, datum, uhrzeit);
    const int day = LeadingNumber(datum, 2);
    const int month = LeadingNumber(datum + 3, 2);
    const int year = LeadingNumber(datum + 6, 4);
    return Datum_Sekunden(day, month, year) + Uhrzeit_Sekunden(uhrzeit);
  };
  return Saturate32(seconds(a) - seconds(b));
}

int32_t Tage_Zwischen(int d1, int m1, int y1, int d2, int m2, int y2) {
  return Saturate32(TageZwischen64(d1, m1, y1, d2, m2, y2));
}

int32_t Tag_ImJahr(int day, int month, int year) { return Saturate32(TagImJahr64(day, month, year)); }

int32_t Tage_ImMonat(int month, int year) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    default:  // 1, 3, 5, 7, 8, 10, 12, and any month outside 1 to 12
      return 31;
  }
}

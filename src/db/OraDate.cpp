#include "db/OraDate.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

enum Elem { E_YYYY, E_MM, E_DD, E_HH24, E_MI, E_SS, E_LIT, E_BAD };

// Next element of a format at fmt[i]; advances i.
Elem NextElem(const char* fmt, std::size_t& i, char* lit) {
  auto is = [&](const char* w) {
    std::size_t n = std::strlen(w);
    for (std::size_t k = 0; k < n; ++k) {
      if (fmt[i + k] == '\0' ||
          std::tolower(static_cast<unsigned char>(fmt[i + k])) != w[k])
        return false;
    }
    i += n;
    return true;
  };
  if (is("yyyy")) return E_YYYY;
  if (is("hh24")) return E_HH24;
  if (is("mm")) return E_MM;
  if (is("dd")) return E_DD;
  if (is("mi")) return E_MI;
  if (is("ss")) return E_SS;
  char c = fmt[i];
  if (c == '-' || c == '/' || c == ':' || c == '.' || c == ' ' || c == ',') {
    *lit = c;
    ++i;
    return E_LIT;
  }
  return E_BAD;
}

bool ReadDigits(const char* s, std::size_t& i, int n, int* v) {
  int x = 0;
  for (int k = 0; k < n; ++k) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    x = x * 10 + (s[i] - '0');
    ++i;
  }
  *v = x;
  return true;
}

long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int* y, int* m, int* d) {
  z += 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long yy = yoe + era * 400;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yy + (*m <= 2));
}

}  // namespace

int Ora_DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool Ora_ReadStored(const char* text, OraDateTime* out) {
  if (text == nullptr) return false;
  OraDateTime dt{0, 0, 0, 0, 0, 0};
  std::size_t i = 0;
  if (!ReadDigits(text, i, 4, &dt.year) || text[i++] != '-' || !ReadDigits(text, i, 2, &dt.month) ||
      text[i++] != '-' || !ReadDigits(text, i, 2, &dt.day))
    return false;
  if (text[i] == ' ' || text[i] == 'T') {
    ++i;
    if (!ReadDigits(text, i, 2, &dt.hour) || text[i++] != ':' || !ReadDigits(text, i, 2, &dt.minute))
      return false;
    if (text[i] == ':') {
      ++i;
      if (!ReadDigits(text, i, 2, &dt.second)) return false;
      if (text[i] == '.') {
        ++i;
        while (std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
      }
    }
  }
  if (text[i] != '\0') return false;
  if (dt.month < 1 || dt.month > 12 || dt.day < 1 || dt.day > Ora_DaysInMonth(dt.year, dt.month) ||
      dt.hour > 23 || dt.minute > 59 || dt.second > 59)
    return false;
  *out = dt;
  return true;
}

std::string Ora_Stored(const OraDateTime& dt) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour,
                dt.minute, dt.second);
  return buf;
}

bool Ora_ToChar(const OraDateTime& dt, const char* fmt, std::string* out) {
  out->clear();
  char buf[8];
  for (std::size_t i = 0; fmt[i] != '\0';) {
    char lit = 0;
    switch (NextElem(fmt, i, &lit)) {
      case E_YYYY: std::snprintf(buf, sizeof buf, "%04d", dt.year % 10000); break;
      case E_MM: std::snprintf(buf, sizeof buf, "%02d", dt.month); break;
      case E_DD: std::snprintf(buf, sizeof buf, "%02d", dt.day); break;
      case E_HH24: std::snprintf(buf, sizeof buf, "%02d", dt.hour); break;
      case E_MI: std::snprintf(buf, sizeof buf, "%02d", dt.minute); break;
      case E_SS: std::snprintf(buf, sizeof buf, "%02d", dt.second); break;
      case E_LIT: buf[0] = lit; buf[1] = '\0'; break;
      case E_BAD: return false;
    }
    *out += buf;
  }
  return true;
}

int Ora_ToDate(const char* text, const char* fmt, OraDateTime* out) {
  if (text == nullptr) return 1;
  bool blank = true;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != ' ') blank = false;
  }
  if (blank) return 1;
  OraDateTime dt{0, 1, 1, 0, 0, 0};
  std::size_t t = 0;
  for (std::size_t i = 0; fmt[i] != '\0';) {
    char lit = 0;
    Elem e = NextElem(fmt, i, &lit);
    int* field = nullptr;
    int width = 2;
    switch (e) {
      case E_YYYY: field = &dt.year; width = 4; break;
      case E_MM: field = &dt.month; break;
      case E_DD: field = &dt.day; break;
      case E_HH24: field = &dt.hour; break;
      case E_MI: field = &dt.minute; break;
      case E_SS: field = &dt.second; break;
      case E_LIT:
        if (text[t] != lit) return -1830;
        ++t;
        continue;
      case E_BAD: return -1821;
    }
    if (!ReadDigits(text, t, width, field)) return -1830;
  }
  if (text[t] != '\0') return -1830;
  if (dt.year == 0) return -1841;
  if (dt.month < 1 || dt.month > 12) return -1843;
  if (dt.day < 1 || dt.day > Ora_DaysInMonth(dt.year, dt.month)) return -1847;
  if (dt.hour > 23) return -1850;
  if (dt.minute > 59) return -1851;
  if (dt.second > 59) return -1852;
  *out = dt;
  return 0;
}

OraDateTime Ora_AddDays(const OraDateTime& dt, long days) {
  OraDateTime r = dt;
  CivilFromDays(DaysFromCivil(dt.year, dt.month, dt.day) + days, &r.year, &r.month, &r.day);
  return r;
}

// Host variables of the statement functions (DbMel, Dbstd): the small steps
// every statement function shares before it hands its values to the driver.
#pragma once

#include <cstddef>
#include <cstdio>

#include "util/Text.h"

// A text handed to a statement function is longer than the host variable of
// its column. The value is refused rather than cut: a cut key could select
// another person's or another model's rows.
constexpr int ORA_VALUE_TOO_LARGE = -12899;

// Joins a date and a time for TO_DATE(:bN,'yyyymmddHH24MISS') with "%8s%6s":
// the date right-aligned in 8 places, the time in 6; an empty or shorter part
// is filled with leading blanks, so an empty date and time give 14 blanks.
// Parts longer than their places are cut so the text never outgrows 14.
inline void Host_DatumUhr(char (&out)[15], const char* datum, const char* uhr) {
  char d[9];
  char u[7];
  Txt_Copy(d, datum);
  Txt_Copy(u, uhr);
  std::snprintf(out, sizeof out, "%8s%6s", d, u);
}

// Copies a caller's text into a host variable; false (and the host variable
// empty) when the text does not fit.
template <std::size_t N>
inline bool Host_Txt(char (&dst)[N], const char* src) {
  if (!Txt_Fits(dst, src)) {
    dst[0] = '\0';
    return false;
  }
  Txt_Copy(dst, src);
  return true;
}

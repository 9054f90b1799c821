// The calendar table KzSystem.Kzt133Bak as the operators' tool fills it, and
// the date arithmetic behind it (proleptic Gregorian calendar, no time zone).
//
// Conventions of the rows written:
//   BakDtm  the day at 00:00:00
//   BakJhr  year, BakMon month 1..12, BakTag day of the month 1..31
//   BakWch  ISO 8601 week number 1..53 (the week belongs to the year that
//           holds its Thursday, so 2005-01-01 is in week 53)
//   BakWtg  ISO weekday 1 = Monday .. 7 = Sunday
//   BakJtg  day of the year 1..366
#pragma once

#include <cstdint>

// Day number: days since 1970-01-01 (negative before).
int64_t Kal_TagNummer(int jahr, int monat, int tag);
void Kal_Datum(int64_t nummer, int* jahr, int* monat, int* tag);

// Reads a date yyyymmdd (exactly 8 digits, a real day of the years 1000 to
// 9999) into its day number; false otherwise.
bool Kal_Lesen(const char* yyyymmdd, int64_t* nummer);

// The day number as yyyymmdd.
void Kal_Text(int64_t nummer, char (&out)[9]);

struct KalTag {
  int32_t Jahr, Monat, Tag, Woche, Wochentag, Jahrestag;
};
KalTag Kal_Tag(int64_t nummer);

// Longest period one call fills: 100 years.
constexpr int64_t KAL_TAGE_MAX = 36525;

struct KalErgebnis {
  int32_t neu = 0;        // days inserted
  int32_t vorhanden = 0;  // days present with the same values
  int32_t anders = 0;     // days present with other values, left as they are
  int64_t ersterAnders = 0;
};

// Inserts the days von..bis (both included) that the calendar lacks, in one
// transaction on the session; days present are left as they are and
// compared. Returns 0 or the status of the first failing statement, after
// which nothing of the call is kept.
int Kal_Fuellen(int64_t von, int64_t bis, KalErgebnis* ergebnis);

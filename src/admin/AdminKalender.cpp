#include "admin/AdminKalender.h"

#include <cstdio>

#include "db/DbDriver.h"
#include "db/DbStatus.h"

namespace {

bool Schaltjahr(int64_t j) { return (j % 4 == 0 && j % 100 != 0) || j % 400 == 0; }

int TageImMonat(int j, int m) {
  static const int kTage[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && Schaltjahr(j) ? 29 : kTage[m - 1];
}

// Weekday of 31 December of year j, 0 = Sunday: a year has 53 ISO weeks when
// it ends on a Thursday, or when the year before ended on a Wednesday.
int64_t EndeWochentag(int64_t j) { return (j + j / 4 - j / 100 + j / 400) % 7; }
int IsoWochenImJahr(int64_t j) { return EndeWochentag(j) == 4 || EndeWochentag(j - 1) == 3 ? 53 : 52; }

const char kLesen[] =
    "select BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11  "
    "from KzSystem.Kzt133Bak where BakDtm=TO_DATE(:b12,'yyyymmdd')";
const char kEinfuegen[] =
    "insert into KzSystem.Kzt133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values "
    "(TO_DATE(:b0,'yyyymmdd'),:b1,:b2,:b3,:b4,:b5,:b6)";
const char kSavepoint[] = "savepoint Kal_Fuellen_Sp";
const char kRollback[] = "rollback  to Kal_Fuellen_Sp";

}  // namespace

// Days from civil date (H. Hinnant's algorithm): eras of 400 years.
int64_t Kal_TagNummer(int jahr, int monat, int tag) {
  const int64_t y = static_cast<int64_t>(jahr) - (monat <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (monat + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + tag - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void Kal_Datum(int64_t nummer, int* jahr, int* monat, int* tag) {
  const int64_t z = nummer + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *jahr = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  *monat = static_cast<int>(m);
  *tag = static_cast<int>(d);
}

bool Kal_Lesen(const char* yyyymmdd, int64_t* nummer) {
  if (yyyymmdd == nullptr) return false;
  int feld[8];
  for (int i = 0; i < 8; ++i) {
    const char c = yyyymmdd[i];
    if (c < '0' || c > '9') return false;
    feld[i] = c - '0';
  }
  if (yyyymmdd[8] != '\0') return false;
  const int j = feld[0] * 1000 + feld[1] * 100 + feld[2] * 10 + feld[3];
  const int m = feld[4] * 10 + feld[5];
  const int t = feld[6] * 10 + feld[7];
  if (j < 1000 || m < 1 || m > 12 || t < 1 || t > TageImMonat(j, m)) return false;
  *nummer = Kal_TagNummer(j, m, t);
  return true;
}

void Kal_Text(int64_t nummer, char (&out)[9]) {
  int j = 0, m = 0, t = 0;
  Kal_Datum(nummer, &j, &m, &t);
  // Years outside 0..9999 keep their last four digits; the field never grows.
  const unsigned jj = static_cast<unsigned>(((j % 10000) + 10000) % 10000);
  const unsigned werte[] = {jj / 1000, jj / 100 % 10, jj / 10 % 10, jj % 10, static_cast<unsigned>(m) / 10,
                            static_cast<unsigned>(m) % 10, static_cast<unsigned>(t) / 10, static_cast<unsigned>(t) % 10};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>('0' + werte[i]);
  out[8] = '\0';
}

KalTag Kal_Tag(int64_t nummer) {
  KalTag k{};
  int j = 0, m = 0, t = 0;
  Kal_Datum(nummer, &j, &m, &t);
  k.Jahr = j;
  k.Monat = m;
  k.Tag = t;
  k.Jahrestag = static_cast<int32_t>(nummer - Kal_TagNummer(j, 1, 1) + 1);
  // 1970-01-01 was a Thursday (4).
  k.Wochentag = static_cast<int32_t>(((nummer % 7) + 7 + 3) % 7 + 1);
  int32_t w = (k.Jahrestag - k.Wochentag + 10) / 7;
  if (w < 1) {
    w = IsoWochenImJahr(j - 1);
  } else if (w > IsoWochenImJahr(j)) {
    w = 1;
  }
  k.Woche = w;
  return k;
}

int Kal_Fuellen(int64_t von, int64_t bis, KalErgebnis* ergebnis) {
  *ergebnis = KalErgebnis{};
  // One transaction for the whole period: a failure keeps nothing of it.
  Db_Exec(kSavepoint, nullptr, 0);
  for (int64_t n = von; n <= bis; ++n) {
    const KalTag k = Kal_Tag(n);
    char datum[9];
    Kal_Text(n, datum);

    KalTag da{};
    const DbIn key[] = {DbInTxt("b12", datum)};
    const DbOut out[] = {DbOutInt(da.Jahr),  DbOutInt(da.Monat),     DbOutInt(da.Tag),
                         DbOutInt(da.Woche), DbOutInt(da.Wochentag), DbOutInt(da.Jahrestag)};
    int st = Db_SelectInto(kLesen, key, out);
    if (st == DB_OK) {
      if (da.Jahr == k.Jahr && da.Monat == k.Monat && da.Tag == k.Tag && da.Woche == k.Woche &&
          da.Wochentag == k.Wochentag && da.Jahrestag == k.Jahrestag) {
        ++ergebnis->vorhanden;
      } else {
        if (ergebnis->anders == 0) ergebnis->ersterAnders = n;
        ++ergebnis->anders;
      }
      continue;
    }
    if (st == DB_NOTFOUND) {
      const DbIn in[] = {DbInTxt("b0", datum),      DbInInt("b1", k.Jahr),      DbInInt("b2", k.Monat),
                         DbInInt("b3", k.Tag),      DbInInt("b4", k.Woche),     DbInInt("b5", k.Wochentag),
                         DbInInt("b6", k.Jahrestag)};
      st = Db_Exec(kEinfuegen, in, static_cast<int>(sizeof in / sizeof in[0]));
      if (st == DB_OK) {
        ++ergebnis->neu;
        continue;
      }
    }
    Db_Exec(kRollback, nullptr, 0);
    *ergebnis = KalErgebnis{};
    return st;
  }
  const int st = Db_Commit();
  if (st != DB_OK) {
    Db_Exec(kRollback, nullptr, 0);
    *ergebnis = KalErgebnis{};
  }
  return st;
}

// welfrast-admin calendar SERVICE FROM TO: fills the calendar table.

#include <cstdio>
#include <memory>

#include "admin/AdminArgs.h"
#include "admin/AdminKalender.h"
#include "admin/Commands.h"
#include "db/DbDriver.h"

namespace {

const char kCmd[] = "calendar";

void CalendarUsage() {
  std::printf(
      "usage: welfrast-admin calendar SERVICE FROM TO\n\n"
      "Adds the days FROM to TO (both yyyymmdd, both included, at most 100 years)\n"
      "to the calendar table Kzt133Bak. Days that are present are left as they are,\n"
      "so running it again over the same days changes nothing.\n\n"
      "Each day gets BakDtm (the day at 00:00:00), BakJhr (year), BakMon (month),\n"
      "BakTag (day of the month), BakWch (ISO 8601 week 1..53), BakWtg (ISO weekday,\n"
      "1 = Monday .. 7 = Sunday) and BakJtg (day of the year 1..366).\n\n"
      "The batch needs every day it evaluates in the calendar, and the day before and\n"
      "after: a usage-time row of 27 October needs 26 to 28 October.\n"
      "SERVICE is sqlite:PATH, postgresql://... or pgservice:NAME (login from\n"
      "WELFRAST_LOGIN and WELFRAST_PASSWORD); the database must exist (welfrast-admin init).\n");
}

void Iso(int64_t n, char (&out)[11]) {
  char d[9];
  Kal_Text(n, d);
  std::snprintf(out, sizeof out, "%.4s-%.2s-%.2s", d, d + 4, d + 6);
}

}  // namespace

int Admin_Calendar(int argc, char** argv) {
  const char* pos[3] = {};
  int count = 0;
  switch (Admin_ParseArgs(kCmd, argc, argv, nullptr, 0, pos, 3, &count)) {
    case AdminParse::Help: CalendarUsage(); return 0;
    case AdminParse::Error: return 2;
    case AdminParse::Ok: break;
  }
  if (count < 3) return Admin_UsageError(kCmd, "expected SERVICE FROM TO");
  int64_t von = 0;
  int64_t bis = 0;
  if (!Kal_Lesen(pos[1], &von)) return Admin_UsageError(kCmd, "FROM is not a date yyyymmdd: '%.20s'", pos[1]);
  if (!Kal_Lesen(pos[2], &bis)) return Admin_UsageError(kCmd, "TO is not a date yyyymmdd: '%.20s'", pos[2]);
  if (von > bis) return Admin_UsageError(kCmd, "FROM lies after TO");
  if (bis - von + 1 > KAL_TAGE_MAX) {
    return Admin_UsageError(kCmd, "%lld days asked for, at most %lld (100 years) at a time",
                            static_cast<long long>(bis - von + 1), static_cast<long long>(KAL_TAGE_MAX));
  }

  std::unique_ptr<DbDriver> db(Admin_OpenExisting(kCmd, pos[0]));
  if (db == nullptr) return 1;
  KalErgebnis r;
  const int st = Kal_Fuellen(von, bis, &r);
  Db_Install(nullptr);
  if (st != 0) return Admin_Fail(kCmd, "filling the calendar failed: %s (status %d)", Admin_StatusText(st), st);

  char a[11];
  char b[11];
  Iso(von, a);
  Iso(bis, b);
  std::printf("calendar %s to %s: %lld days, %d added, %d present", a, b, static_cast<long long>(bis - von + 1),
              r.neu, r.vorhanden + r.anders);
  if (r.anders > 0) {
    char c[11];
    Iso(r.ersterAnders, c);
    std::printf(" (%d of them with other values, left as they are; the first is %s)", r.anders, c);
  }
  std::printf("\n");
  return 0;
}

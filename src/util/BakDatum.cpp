// Dates are moved through the calendar table, one row per day, not by
// arithmetic.

#include "db/Dbstd.h"
#include "db/Records.h"
#include "util/Text.h"
#include "util/Zeit.h"

int Bak_DatumVersatz(int days, const char* datum, char (&out)[9]) {
  BakSatz bak{};
  Txt_Copy(bak.BakDtm, datum);
  bak.BakOff = days;
  int status = Bak_Versatz_Read(bak);
  Txt_Copy(out, status == 0 ? bak.BakDtm : datum);
  return status;
}

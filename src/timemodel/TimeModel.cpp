// Time-model dispatcher: walks the calendar days a usage-time row touches and
// builds the time-model events of every day on which the person has a
// working-time model.
#include "timemodel/TimeModel.h"

#include <cstdio>

#include "db/DbMel.h"
#include "log/Log.h"
#include "run/Protokoll.h"
#include "timemodel/TimeModelDay.h"
#include "util/Text.h"
#include "util/Zeit.h"

void Pzm_Zeitpunkt(char (&out)[15], const char* datum, const char* uhrzeit) {
  // Both parts come from fields of at most 8 and 6 characters; the precision
  // keeps the text inside the timestamp even if a caller passes more.
  std::snprintf(out, sizeof out, "%8.8s%6.6s", datum, uhrzeit);
}

void Pzm_EreignisVorbereiten(MltSatz& mlt, const char* runKey, const ZtgSatz& ztg) {
  mlt = {};
  Txt_Copy(mlt.MltErf, PZM_MLTERF);
  Txt_Copy(mlt.MltDat, runKey);
  Txt_Copy(mlt.MltJwo, ztg.ZtgVon);  // the year: first four characters
  Txt_Copy(mlt.MltPnr, ztg.ZtgPnr);
  Txt_Copy(mlt.MltArg, ztg.ZtgAzt);
  Txt_Copy(mlt.MltEmo, ztg.ZtgAgr);
  Txt_Copy(mlt.MltTtp, ztg.ZtgTtp);
  mlt.MltWoc = ztg.BakWch;
  mlt.MltWtg = ztg.BakWtg;
  mlt.MltJtg = ztg.BakJtg;
}

int Azv_Tag_Ermitteln(ZtgSatz& ztg) {
  int result = 1;
  int st = Ztg_AzvTag_Open(ztg.ZtgPnr, ztg.ZtgVon);
  if (st == 0) {
    if (Ztg_AzvTag_Read(ztg) != 0) {
      // No model valid on the day: record the finding, skip the day.
      ErrSatz err{};
      Txt_Copy(err.ErrPnr, ztg.ZtgPnr);
      std::snprintf(err.ErrEdt, sizeof err.ErrEdt, "%8s%6s", ztg.ZtgVon, "000001");
      err.ErrFnr = 7004;
      Write_Protokoll(err);
      result = 0;
    }
    Ztg_AzvTag_Close();
  } else {
    // Without an open cursor no model was read for this day; the record still
    // holds the previous day's model (or nothing). The day is skipped. This is
    // a database failure, not a finding about the person, so it goes to the
    // message log and not into the run protocol.
    Log_Fmsg("Azv_Tag_Ermitteln", "Ztg_AzvTag_Open", st);
    result = 0;
  }

  // Day-specific times replace the model's wherever a row exists.
  GazSatz gaz{};
  Txt_Copy(gaz.GazPnr, ztg.ZtgPnr);
  Txt_Copy(gaz.GazDtm, ztg.ZtgVon);
  if (Gaz_PKeyReadk(gaz) == 0) {
    ztg.AzvNov = gaz.GazNov;
    ztg.AzvNob = gaz.GazNob;
    ztg.AzvMav = gaz.GazMav;
    ztg.AzvMab = gaz.GazMab;
  }
  return result;
}

void Mlt_PA_Tag_PZM(const char* runKey, const ZtgSatz& ztg) {
  // A failed lookup leaves the counter at 0; the inserts it then refuses
  // are logged by the builders.
  int lfn = 0;
  Mlt_MaxLfn(runKey, PZM_MLTERF, lfn);
  Mlt_PA_Daten_PZM(runKey, ztg, lfn);
  Mlt_PA_Pausen_PZM(runKey, ztg, lfn);
}

void Mlt_ZeitDaten_PZM(const char* runKey, NzaSatz nza) {
  char von[9];
  if (Bak_DatumVersatz(-1, nza.NzaDtmDat, von) != 0) Txt_Copy(von, nza.NzaDtmDat);
  char bis[9];
  Txt_Copy(bis, nza.NzaEdtDat);

  ZtgSatz ztg{};
  Txt_Copy(ztg.ZtgPnr, nza.NzaPnr);  // time-model personnel numbers hold 8

  Bak_Zeitraum_Open(von, bis);
  BakSatz bak{};
  while (Bak_Zeitraum_Read(bak) == 0) {
    Txt_Copy(ztg.ZtgVon, bak.BakDtm);
    if (Azv_Tag_Ermitteln(ztg) == 1) Mlt_PA_Tag_PZM(runKey, ztg);
  }
  Bak_Zeitraum_Close();
}

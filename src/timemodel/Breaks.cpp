// Break events of one day under a personnel time model, and the removal of
// repeated event codes from the timeline of the run key.
#include <cstring>

#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "log/Log.h"
#include "timemodel/TimeModelDay.h"
#include "util/Text.h"
#include "util/Zeit.h"

namespace {

constexpr const char* FUNKTION = "Mlt_PA_Pausen_PZM";

// Break times of a night model before its planned begin, and minute values
// past the end of the day, belong to the following day.
struct Tagesgrenzen {
  char SolBeg[15];   // the day and the planned begin
  char TagEnde[15];  // the day and "240000"
  char Heute[9];
  char Morgen[9];
};

void Schreiben(MltSatz& mlt, const Tagesgrenzen& g, const char* code, int minuten, int& lfn,
               const char* message) {
  char uhr[7];
  Min_Uhrzeit(minuten, uhr);
  char zeitpunkt[15];
  Pzm_Zeitpunkt(zeitpunkt, g.Heute, uhr);
  bool morgen = std::strcmp(zeitpunkt, g.SolBeg) < 0 || std::strcmp(zeitpunkt, g.TagEnde) >= 0;
  Txt_Copy(mlt.MltObj, code);
  Txt_Copy(mlt.MltMdtDat, morgen ? g.Morgen : g.Heute);
  Txt_Copy(mlt.MltMdtUhr, uhr);
  mlt.MltLfn = ++lfn;
  int st = Mlt_PKeyIns(mlt);
  if (st != 0) Log_Fmsg(FUNKTION, message, st);
}

void Pausen_Schreiben(const char* runKey, const ZtgSatz& ztg, int& lfn) {
  Tagesgrenzen g{};
  Txt_Copy(g.Heute, ztg.ZtgVon);
  char uhr[7];
  Min_Uhrzeit(ztg.AzvNov, uhr);
  Pzm_Zeitpunkt(g.SolBeg, ztg.ZtgVon, uhr);
  Pzm_Zeitpunkt(g.TagEnde, ztg.ZtgVon, "240000");
  if (Bak_DatumVersatz(1, ztg.ZtgVon, g.Morgen) != 0) Txt_Copy(g.Morgen, ztg.ZtgVon);

  MltSatz mlt;
  Pzm_EreignisVorbereiten(mlt, runKey, ztg);

  Pse_PKey_Open(ztg.AzvPsm);
  PseSatz pse{};
  int st = Pse_PKey_Read(pse);
  while (st == 0) {
    int von = pse.PseVon;
    int bis = pse.PseBis;
    GpsSatz gps{};
    Txt_Copy(gps.GpsPnr, ztg.ZtgPnr);
    Txt_Copy(gps.GpsDtm, ztg.ZtgVon);
    gps.GpsLfd = pse.PseLfd;
    if (Gps_PKeyReadk(gps) == 0) {
      von = gps.GpsVon;
      bis = gps.GpsBis;
    }
    Schreiben(mlt, g, "BP", von, lfn, "Mlt_PKeyIns(MSK_BP)");
    Schreiben(mlt, g, "EP", bis, lfn, "Mlt_PKeyIns(MSK_EP)");
    st = Pse_PKey_Read(pse);
  }
  Pse_PKey_Close();
  if (st != DB_OK && st != DB_NOTFOUND) Log_Fmsg(FUNKTION, "Cursor: Pse_PKey_Read()", st);
}

// Walks the whole timeline of the run key in time order and deletes every
// event whose code repeats the code of the event kept before it: of a run of
// "EP" the last one stays (overlapping breaks become one break from the
// earliest "BP" to the latest "EP"), of a run of any other code the first.
void Wiederholungen_Loeschen(const char* runKey) {
  MltSatz mlt{};
  Txt_Copy(mlt.MltErf, PZM_MLTERF);
  Txt_Copy(mlt.MltDat, runKey);
  mlt.MltLfn = 0;
  if (Mlt_PKey_Open(mlt.MltErf, mlt.MltDat) != 0) return;

  char vorCode[4];
  Txt_Copy(vorCode, "   ");  // equals no event code
  MltSatz vorher{};          // the event kept last
  while (Mlt_PKey_Read(mlt) == 0) {
    if (std::strcmp(mlt.MltObj, vorCode) == 0) {
      if (std::strcmp(mlt.MltObj, "EP") == 0) {
        // The earlier "EP" goes; the one just read is now the one kept.
        int st = Mlt_PKeyDel(vorher);
        if (st != 0) Log_Fmsg(FUNKTION, "Mlt_PKeyDel", st);
        vorher = mlt;
      } else {
        int st = Mlt_PKeyDel(mlt);
        if (st != 0) Log_Fmsg(FUNKTION, "Mlt_PKeyDel", st);
      }
    } else {
      vorher = mlt;
    }
    Txt_Copy(vorCode, mlt.MltObj);
  }
  Mlt_PKey_Close();
}

}  // namespace

void Mlt_PA_Pausen_PZM(const char* runKey, const ZtgSatz& ztg, int& lfn) {
  if (ztg.AzvPsm[0] != '\0') Pausen_Schreiben(runKey, ztg, lfn);
  Wiederholungen_Loeschen(runKey);
}

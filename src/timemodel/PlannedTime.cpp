// Attendance events of one day under a personnel time model: the planned
// working time when the day frame holds no bookings, otherwise the bookings
// with their gaps as breaks.
#include <cstring>

#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "log/Log.h"
#include "timemodel/TimeModelDay.h"
#include "util/Text.h"
#include "util/Zeit.h"

namespace {

// A date and a time of day of one event.
struct Zeitpunkt {
  char Dat[9];
  char Uhr[7];
};

constexpr const char* FUNKTION = "Mlt_PA_Datem_PZM";

// Numbered like every event of the day except the frame-end "GH".
constexpr int LFN_GEHEN = 999;

void Schreiben(MltSatz& mlt, const char* code, const char* dat, const char* uhr, int lfn,
               const char* message) {
  Txt_Copy(mlt.MltObj, code);
  Txt_Copy(mlt.MltMdtDat, dat);
  Txt_Copy(mlt.MltMdtUhr, uhr);
  mlt.MltLfn = lfn;
  int st = Mlt_PKeyIns(mlt);
  if (st != 0) Log_Fmsg(FUNKTION, message, st);
}

}  // namespace

void Mlt_PA_Daten_PZM(const char* runKey, const ZtgSatz& ztg, int& lfn) {
  TagSatz tag{};
  Txt_Copy(tag.TagPnr, ztg.ZtgPnr);
  Txt_Copy(tag.TagTag, ztg.ZtgVon);
  int st = Tag_PKeyReadk(tag);
  if (st != 0) {
    Log_Fmsg("Tag_PKeyReadk", "Mlt_PA_Daten_PZM", st);
    return;
  }

  // Planned begin on the day; planned end on the next day when the working
  // day ends after midnight.
  Zeitpunkt solBeg{};
  Zeitpunkt solEnd{};
  Txt_Copy(solBeg.Dat, ztg.ZtgVon);
  Min_Uhrzeit(ztg.AzvNov, solBeg.Uhr);
  if (ztg.AzvNob < ztg.AzvNov) {
    if (Bak_DatumVersatz(1, ztg.ZtgVon, solEnd.Dat) != 0) Txt_Copy(solEnd.Dat, ztg.ZtgVon);
  } else {
    Txt_Copy(solEnd.Dat, ztg.ZtgVon);
  }
  Min_Uhrzeit(ztg.AzvNob, solEnd.Uhr);

  MltSatz mlt;
  Pzm_EreignisVorbereiten(mlt, runKey, ztg);

  Bup_AbrTag_Open(tag);
  BupSatz bup{};
  st = Bup_AbrTag_Read(bup);
  if (st != 0) {
    // No booking inside the frame: attendance is the planned working time.
    Schreiben(mlt, "KM", solBeg.Dat, solBeg.Uhr, ++lfn, "Mlt_PKeyIns(AzvSolBeg)");
    Schreiben(mlt, "GH", solEnd.Dat, solEnd.Uhr, ++lfn, "Mlt_PKeyIns(AzvSolEnd)");
  } else {
    bool beginn = false;  // a begin-side event is written: later begins end breaks
    bool ende = false;    // a "GH" is written on the end side
    while (st == 0) {
      // Begin side; booking dates outside the planned dates move to them.
      char uhr[7];
      Min_Uhrzeit(bup.BupTvo, uhr);
      if (std::strcmp(bup.BupVon, solBeg.Dat) < 0) {
        if (!beginn) {
          Schreiben(mlt, "KM", solBeg.Dat, solBeg.Uhr, ++lfn, "Mlt_PKeyIns(1)");
          beginn = true;
        }
      } else if (std::strcmp(bup.BupVon, solEnd.Dat) > 0) {
        if (!beginn) {
          Schreiben(mlt, "KM", solEnd.Dat, solEnd.Uhr, ++lfn, "Mlt_PKeyIns(1)");
          beginn = true;
        }
      } else {
        Schreiben(mlt, beginn ? "EP" : "KM", bup.BupVon, uhr, ++lfn, "Mlt_PKeyIns(1)");
        beginn = true;
      }

      // End side; a booking ending exactly at the frame end is the departure.
      Min_Uhrzeit(bup.BupTbi, uhr);
      if (std::strcmp(bup.BupBis, solEnd.Dat) > 0) {
        if (!ende) {
          Schreiben(mlt, "GH", solEnd.Dat, solEnd.Uhr, LFN_GEHEN, "Mlt_PKeyIns(1)");
          ende = true;
        }
      } else if (std::strcmp(bup.BupBis, solBeg.Dat) < 0) {
        if (!ende) {
          Schreiben(mlt, "GH", solBeg.Dat, solBeg.Uhr, LFN_GEHEN, "Mlt_PKeyIns(1)");
          ende = true;
        }
      } else if (std::strcmp(bup.BupBis, tag.TagBis) == 0 && std::strcmp(bup.BupEnd, tag.TagEnd) == 0) {
        Schreiben(mlt, "GH", bup.BupBis, uhr, LFN_GEHEN, "Mlt_PKeyIns(1)");
        ende = true;
      } else {
        Schreiben(mlt, "BP", bup.BupBis, uhr, ++lfn, "Mlt_PKeyIns(1)");
      }

      st = Bup_AbrTag_Read(bup);
    }
  }
  Bup_AbrTag_Close();
  if (st != DB_OK && st != DB_NOTFOUND) Log_Fmsg(FUNKTION, "Bup_AbrTag_Read()", st);
}

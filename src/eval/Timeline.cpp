// Builders of a work row's temporary timeline: the row's own begin and end,
// its interruptions and the breaks of its shift model.
#include <cstring>

#include "db/DbMel.h"
#include "db/Dbstd.h"
#include "eval/Eval.h"
#include "log/Log.h"
#include "util/Text.h"
#include "util/Zeit.h"

namespace {

// Clears the event and fills the fields every builder sets: the timeline key,
// the next running number and the row's person, workplace and order position.
// MltPnr holds 8 characters; a longer personnel number is cut to 8.
void Mlt_Kopf(MltSatz& mlt, const char* runKey, int& lfn, const NzaSatz& nza) {
  mlt = {};
  Txt_Copy(mlt.MltErf, "Nza_MPA");
  Txt_Copy(mlt.MltDat, runKey);
  ++lfn;
  mlt.MltLfn = lfn;
  Txt_Copy(mlt.MltApl, nza.NzaApl);
  Txt_Copy(mlt.MltApk, nza.NzaApk);
  Txt_Copy(mlt.MltApp, nza.NzaApp);
  Txt_Copy(mlt.MltPnr, nza.NzaPnr);
}

// Log texts of a failed begin and end insert.
struct MltLogText {
  const char* FunktionBeg;
  const char* MessageBeg;
  const char* FunktionEnd;
  const char* MessageEnd;
};

// Writes the begin event (NzaBmk at NzaDtm) and the end event (NzaEmk at
// NzaEdt) of a row; a failed insert is logged and the other still written.
void Mlt_Zweiereignis(const char* runKey, const NzaSatz& nza, int& lfn, const MltLogText& txt) {
  MltSatz mlt;
  Mlt_Kopf(mlt, runKey, lfn, nza);
  Txt_Copy(mlt.MltMdtDat, nza.NzaDtmDat);
  Txt_Copy(mlt.MltMdtUhr, nza.NzaDtmUhr);
  Txt_Copy(mlt.MltObj, nza.NzaBmk);
  int st = Mlt_PKeyIns(mlt);
  if (st != 0) Log_Fmsg(txt.FunktionBeg, txt.MessageBeg, st);

  Mlt_Kopf(mlt, runKey, lfn, nza);
  Txt_Copy(mlt.MltMdtDat, nza.NzaEdtDat);
  Txt_Copy(mlt.MltMdtUhr, nza.NzaEdtUhr);
  Txt_Copy(mlt.MltObj, nza.NzaEmk);
  st = Mlt_PKeyIns(mlt);
  if (st != 0) Log_Fmsg(txt.FunktionEnd, txt.MessageEnd, st);
}

bool Gleich(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// One break event of the plan: its day is the row's begin day, or the next
// calendar day when the minute lies at or before the model's begin (a night
// model whose break falls after midnight).
int Mlt_Pausenereignis(const char* runKey, const NzaSatz& nza, int& lfn, const EmoPmsSatz& pms,
                       int minute, const char* obj) {
  MltSatz mlt;
  Mlt_Kopf(mlt, runKey, lfn, nza);
  Txt_Copy(mlt.MltMdtDat, nza.NzaDtmDat);
  if (minute <= pms.EmoBeg) {
    char folgetag[9];
    Bak_DatumVersatz(+1, nza.NzaDtmDat, folgetag);
    Txt_Copy(mlt.MltMdtDat, folgetag);
  }
  Min_Uhrzeit(minute, mlt.MltMdtUhr);
  Txt_Copy(mlt.MltObj, obj);
  return Mlt_PKeyIns(mlt);
}

}  // namespace

void Mlt_BeginnEnde(const char* runKey, NzaSatz nza, int& lfn) {
  static const MltLogText txt = {"Mlt_BeginnEnde()", "Fehler Mlt_PKeyIns(1)", "Mlt_BeginnEnde()",
                                 "Fehler Mlt_PKeyIns(2)"};
  Mlt_Zweiereignis(runKey, nza, lfn, txt);
}

void Mlt_Unterbr_Nza(const char* runKey, NzaSatz nza, int& lfn) {
  nza.NzaSa = 2;
  if (Gleich(nza.NzaDtmDat, nza.NzaEdtDat) && Gleich(nza.NzaDtmUhr, nza.NzaEdtUhr)) {
    Txt_Copy(nza.NzaDtmUhr, "000000");
    Txt_Copy(nza.NzaEdtUhr, "235959");
  }
  // A cursor that did not open shows as a failing first fetch.
  Nza_Unterbr_Open(nza);
  int st = Nza_Unterbr_Read(nza);
  while (st == 0) {
    if (Gleich(nza.NzaBmk, "PU") || Gleich(nza.NzaEmk, "PW") || Gleich(nza.NzaBmk, "UG") ||
        Gleich(nza.NzaEmk, "UW")) {
      static const MltLogText txt = {"Mlt_Unterbr_Nza(1)", "Fehler Mlt_PKeyIns", "Mlt_Unterbr_Nza(2)",
                                     "Fehler Mlt_PKeyIns"};
      Mlt_Zweiereignis(runKey, nza, lfn, txt);
    }
    st = Nza_Unterbr_Read(nza);
  }
  Nza_Unterbr_Close();
}

void Mlt_ZeitDaten_Bde(const char* runKey, NzaSatz nza, int& lfn) {
  if (Emo_Pausen_Open(nza.NzaEmo, nza.NzaTtp, nza.NzaDtmDat) != 0) return;
  EmoPmsSatz pms = {};
  while (Emo_Pausen_Read(pms) == 0) {
    int st = Mlt_Pausenereignis(runKey, nza, lfn, pms, pms.PmsBeg, "BP");
    if (st != 0) Log_Fmsg("Mlt_ZeitDaten_Bde()", "Fehler Mlt_PKeyIns(1)", st);
    st = Mlt_Pausenereignis(runKey, nza, lfn, pms, pms.PmsEnd, "EP");
    if (st != 0) Log_Fmsg("Mlt_ZeitDaten_BDE()", "Fehler Mlt_PKeyIns(2)", st);
  }
  Emo_Pausen_Close();
}

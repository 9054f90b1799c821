// The per-marker driver: walks the marker's work rows in begin order, has the
// timeline of every closed row built, swept and deleted, and writes each row
// back.
#include "db/DbMel.h"
#include "eval/Eval.h"
#include "eval/Sweep.h"
#include "log/Log.h"
#include "timemodel/TimeModel.h"
#include "util/Text.h"
#include "util/Zeit.h"

int Nza_MPA(MelSatz mel) {
  // Running number of the timeline events; it goes on across the rows of the
  // marker.
  int lfn = 0;

  char runKey[40];
  char leer[9];
  Get_Zeitstempel(runKey, leer, 4);

  NzaSatz nza = {};
  nza.NzaSa = 1;
  Txt_Copy(nza.NzaApl, mel.KeyApl);
  Txt_Copy(nza.NzaApk, mel.KeyApk);
  Txt_Copy(nza.NzaApp, mel.KeyApp);
  Txt_Copy(nza.NzaPnr, mel.KeyPnr);

  const int stOpen = Nza_PKey_Open(nza);
  if (stOpen != 0) return stOpen;

  int st = Nza_PKey_Read(nza);
  while (st == 0) {
    if (nza.NzaEnd > 0) {
      Mlt_BeginnEnde(runKey, nza, lfn);
      Mlt_Unterbr_Nza(runKey, nza, lfn);
      if (nza.NzaPzm == 1) {
        Mlt_ZeitDaten_PZM(runKey, nza);
      } else {
        Mlt_ZeitDaten_Bde(runKey, nza, lfn);
      }
      Mlt_Auswertung(runKey, nza);
      Mlt_Loeschen(runKey);
      Txt_Copy(nza.NzaErf, "Nza_MPA");
    }
    const int stUpd = Nza_PKeyUpd(nza);
    if (stUpd != 0) Log_Fmsg("Nza_MPA_Arbeitszeit", "Nza_PKeyUpd", stUpd);
    st = Nza_PKey_Read(nza);
  }
  return Nza_PKey_Close();
}

#include "run/Protokoll.h"

#include <cstdio>

#include "db/DbMel.h"
#include "log/Log.h"
#include "util/Text.h"

void Fehler_AuftragAfo(const MelSatz& mel) {
  ErrSatz err{};
  Txt_Copy(err.ErrBer, "BDE");
  Txt_Copy(err.ErrFun, "LZA");
  Txt_Copy(err.ErrApk, mel.KeyApk);
  Txt_Copy(err.ErrApp, mel.KeyApp);
  Txt_Copy(err.ErrApl, mel.KeyApl);
  std::snprintf(err.ErrEdt, sizeof err.ErrEdt, "%8s%6s", mel.KeyDat, mel.KeyUhr);
  err.ErrFnr = 7011;
  int status = Err_PKeyIns(err);
  if (status != 0) Log_Fmsg("Fehler_AuftragAfo", "Err_PKeyIns", status);
}

void Write_Protokoll(ErrSatz& err) {
  Txt_Copy(err.ErrPgm, "Nza_MPA");
  Txt_Clear(err.ErrErf);
  Txt_Copy(err.ErrBer, "BDE");
  Txt_Copy(err.ErrFun, "NZM");
  int status = Err_PKeyIns(err);
  if (status != 0) Log_Fmsg("Write_Protokoll", "Err_PKeyIns", status);
}

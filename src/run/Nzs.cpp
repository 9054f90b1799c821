#include "run/Nzs.h"

#include "db/DbDb.h"
#include "db/DbMel.h"
#include "eval/Eval.h"
#include "log/Log.h"
#include "run/Mel.h"
#include "run/Nzp.h"
#include "run/Protokoll.h"
#include "util/Text.h"
#include "util/Zeit.h"

namespace {
// The first 8 characters of the command-line argument.
char g_argument_key[9] = "";
}  // namespace

int Nzs_Ermitteln(int argc, char** argv) {
  Log_Init(7, ".\\Msg\\Welfrast.Txt");

  int status = dbConnect();
  if (status != 0) {
    Log_Fmsg("dbConnect", "Fehlerhafte Connect mit der DB ", status);
    return 0;
  }
  if (argc != 2) {
    Log_Fmsg("Nzs_Ermitteln", "Anzahl Parameter <> 6", argc);
    return 0;
  }
  Nzp_Laden();
  Txt_Copy(g_argument_key, argv[1]);
  Nzs_Verarbeiten();
  dbCommit();
  return 0;
}

void Nzs_Verarbeiten() {
  MrkSatz mrk{};
  Txt_Copy(mrk.MrkKng, "NZS");
  if (Mrk_Kng_Open(mrk) != 0) return;
  while (Mrk_Kng_Read(mrk) == 0) {
    MelSatz mel{};
    Txt_Copy(mel.KeyPnr, mrk.MrkPnr);
    Txt_Copy(mel.KeyApl, mrk.MrkApl);
    Txt_Copy(mel.KeyApk, mrk.MrkApk);
    Txt_Copy(mel.KeyApp, mrk.MrkApp);
    char datum[40];
    char uhrzeit[9];
    Get_Zeitstempel(datum, uhrzeit, 3);
    Txt_Copy(mel.KeyDat, datum);
    Txt_Copy(mel.KeyUhr, uhrzeit);
    Fehler_AuftragAfo(mel);
    Txt_Copy(mel.MelErf, g_argument_key);
    Nza_MPA(mel);
  }
  Mrk_Kng_Close();
}

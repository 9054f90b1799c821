// welfrast-admin demo DIR: a complete, runnable installation with a small
// shop's data, for a first run of the batch.

#include <cstdio>
#include <initializer_list>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "admin/AdminArgs.h"
#include "admin/AdminDb.h"
#include "admin/AdminKalender.h"
#include "admin/AdminSettings.h"
#include "admin/Commands.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"
#include "db/Schema.h"
#include "util/Clock.h"

namespace fs = std::filesystem;

namespace {

const char kCmd[] = "demo";

// The batch's working directory below DIR, four levels deep, so that
// "..\..\..\..\files\korvalis.ini" is DIR/files/korvalis.ini.
const char* const kArbeitsOrdner[] = {"site", "bde", "batch", "welfrast"};
// The settings name the database relative to the working directory: an
// absolute path could outgrow the 40 characters a settings value holds.
const char kDienstRelativ[] = "sqlite:../../../../welfrast.db";

void DemoUsage() {
  std::printf(
      "usage: welfrast-admin demo DIR\n\n"
      "Creates a complete installation in DIR (which must not exist, or be empty):\n"
      "  DIR/files/korvalis.ini             the settings file (login of the demo)\n"
      "  DIR/site/bde/batch/welfrast        the batch's working directory, with Msg/\n"
      "  DIR/welfrast.db                    a SQLite database with every table,\n"
      "                                     the calendar 24 to 31 October 2026 and a\n"
      "                                     small shop's usage-time data\n"
      "Then run the batch with one argument in the working directory and look at\n"
      "the result with welfrast-admin report sqlite:DIR/welfrast.db.\n");
}

// Every write of the demo data goes through here; the first failure is kept.
struct Schreiber {
  int status = DB_OK;
  const char* was = "";

  void Exec(const char* what, const char* sql, const DbIn* in, int nin) {
    if (status != DB_OK) return;
    const int st = Db_Exec(sql, in, nin);
    if (st != DB_OK) {
      status = st;
      was = what;
    }
  }
  template <std::size_t N>
  void Exec(const char* what, const char* sql, const DbIn (&in)[N]) {
    Exec(what, sql, in, static_cast<int>(N));
  }
};

// One usage-time row: begin and end as yyyymmddHHMMSS (an empty end for a
// row still open).
struct NzaDemo {
  int16_t sa;
  const char *apl, *apk, *app, *pnr, *dtm, *bmk, *edt, *emk;
  const char *emo, *ttp;
  int32_t pzm;
};

const NzaDemo kNza[] = {
    // Day shift of 1001 on the lathe: two closed rows and one still open.
    {1, "DREH01", "A2026-0417", "0010", "1001", "20261026100000", "AB", "20261026140000", "AE", "TAG", "T1", 0},
    {1, "DREH01", "A2026-0417", "0010", "1001", "20261027080000", "AB", "20261027160000", "AE", "TAG", "T1", 0},
    {1, "DREH01", "A2026-0417", "0010", "1001", "20261028080000", "AB", "", "", "TAG", "T1", 0},
    // Night shift of 1002 on the milling machine, breaks after midnight.
    {1, "FRAES02", "A2026-0533", "0010", "1002", "20261027220000", "AB", "20261028060000", "AE", "NACHT", "T1", 0},
    // 1003 in assembly, kept under a personnel time model.
    {1, "MONT03", "A2026-0533", "0020", "1003", "20261027070000", "AB", "20261027153000", "AE", "", "", 1},
    // 1004 on the lathe: no NZS marker asks for this row, it stays as it is.
    {1, "DREH01", "A2026-0417", "0020", "1004", "20261027060000", "AB", "20261027140000", "AE", "TAG", "T1", 0},
    // Interruptions: one reaching into the lunch break, one in the afternoon,
    // one at night (with seconds), one under the time model.
    {2, "DREH01", "A2026-0417", "0010", "1001", "20261026115000", "PU", "20261026121000", "PW", "TAG", "T1", 0},
    {2, "DREH01", "A2026-0417", "0010", "1001", "20261027140000", "PU", "20261027144500", "PW", "TAG", "T1", 0},
    {2, "FRAES02", "A2026-0533", "0010", "1002", "20261028040000", "PU", "20261028042030", "PW", "NACHT", "T1", 0},
    {2, "MONT03", "A2026-0533", "0020", "1003", "20261027140000", "PU", "20261027141000", "PW", "", "", 1},
};

const char kNzaSql[] =
    "insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBeg,NzaBbn,NzaBln,NzaBmk,NzaEdt,NzaEnd,"
    "NzaEbn,NzaEln,NzaEmk,NzaUbg,NzaRau,NzaVar,Nza00A,Nza00U,Nza00S,NzaWtg,NzaJtg,NzaTtp,NzaEmo,NzaJwo,NzaWoc,"
    "NzaPzm,NzaMaz,NzaNzr,NzaBzr,NzaUzr,NzaPzr,NzaRbz,NzaNza,NzaBzA,NzaUza,NzaPza,NzaAbz,NzaNzu,NzaBzu,NzaPzu,"
    "NzaUbz,NzaSol,NzaIst,NzaPau,NzaRf1,NzaRf2,NzaRf3,NzaFnr,NzaDat,NzaErf,NzaGum,NzaAum,NzaTnr) values (:b0,:b1,"
    ":b2,:b3,:b4,TO_DATE(:b5,'yyyymmddHH24MISS'),:b6,:b7,:b8,:b9,TO_DATE(:b10,'yyyymmddHH24MISS'),:b11,:b12,:b13,"
    ":b14,:b15,:b16,:b16,:b16,:b16,:b16,:b17,:b18,:b19,:b20,:b21,:b22,:b23,:b16,:b24,:b24,:b24,:b24,:b24,:b24,"
    ":b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b24,:b16,sysdate,:b25,:b24,:b24,:b15)";

void NzaSchreiben(Schreiber& w, const NzaDemo& r, int32_t nummer) {
  int64_t tag = 0;
  char datum[9];
  std::snprintf(datum, sizeof datum, "%.8s", r.dtm);
  Kal_Lesen(datum, &tag);
  const KalTag k = Kal_Tag(tag);
  char jahr[5];
  std::snprintf(jahr, sizeof jahr, "%.4s", r.dtm);
  const int32_t eins = 1;
  const int32_t null = 0;
  const double nullZeit = 0.0;
  const int32_t bbn = 4000 + 2 * nummer;
  const int32_t ebn = bbn + 1;
  const int32_t ende = r.edt[0] != '\0' ? 1 : 0;
  const int32_t ebnOderNull = ende != 0 ? ebn : 0;
  const DbIn in[] = {
      DbInShort("b0", r.sa),      DbInTxt("b1", r.apl),        DbInTxt("b2", r.apk),       DbInTxt("b3", r.app),
      DbInTxt("b4", r.pnr),       DbInTxt("b5", r.dtm),        DbInInt("b6", eins),        DbInInt("b7", bbn),
      DbInInt("b8", eins),        DbInTxt("b9", r.bmk),        DbInTxt("b10", r.edt),      DbInInt("b11", ende),
      DbInInt("b12", ebnOderNull), DbInInt("b13", ende),       DbInTxt("b14", r.emk),      DbInTxt("b15", ""),
      DbInInt("b16", null),       DbInInt("b17", k.Wochentag), DbInInt("b18", k.Jahrestag), DbInTxt("b19", r.ttp),
      DbInTxt("b20", r.emo),      DbInTxt("b21", jahr),        DbInInt("b22", k.Woche),    DbInInt("b23", r.pzm),
      DbInDbl("b24", nullZeit),   DbInTxt("b25", "BDE"),
  };
  w.Exec("a usage-time row", kNzaSql, in);
}

void SchichtmodelleSchreiben(Schreiber& w) {
  struct Emo {
    const char *emo, *txt;
    int32_t beg, end;
    const char *pmo, *pms;
  };
  // The day shift begins at 06:00 and breaks at 12:00; the night shift
  // begins at 22:00, so its breaks at 00:00 and 03:00 (minutes not after the
  // shift's begin) fall on the next day.
  const Emo modelle[] = {{"TAG", "Tag", 360, 840, "PMT", "PT1"}, {"NACHT", "Nacht", 1320, 360, "PMN", "PN1"}};
  for (const Emo& m : modelle) {
    const DbIn emo[] = {DbInTxt("b0", m.emo), DbInTxt("b1", "T1"),  DbInTxt("b2", m.txt),
                        DbInInt("b3", m.beg), DbInInt("b4", m.end), DbInTxt("b5", m.pmo)};
    w.Exec("a shift model", "insert into Kzt533Emo (EmoEmo,EmoTtp,EmoTxt,EmoBeg,EmoEnd,EmoPmo) values "
                            "(:b0,:b1,:b2,:b3,:b4,:b5)", emo);
    const DbIn pmz[] = {DbInTxt("b0", m.pmo), DbInTxt("b1", m.pms), DbInTxt("b2", "20260101"),
                        DbInTxt("b3", "20261231")};
    w.Exec("a break plan assignment", "insert into Kzt536Pmz (PmzPmo,PmzPms,PmzGvo,PmzGbi) values "
                                      "(:b0,:b1,TO_DATE(:b2,'yyyymmdd'),TO_DATE(:b3,'yyyymmdd'))", pmz);
  }
  struct Pms {
    const char* num;
    int32_t beg, end;
  };
  const Pms pausen[] = {{"PT1", 720, 750}, {"PN1", 0, 30}, {"PN1", 180, 195}};
  for (const Pms& p : pausen) {
    const int32_t null = 0;
    const DbIn in[] = {DbInTxt("b0", p.num), DbInInt("b1", p.beg), DbInInt("b2", p.end), DbInInt("b3", null)};
    w.Exec("a break", "insert into Kzt535Pms (PmsNum,PmsBeg,PmsEnd,PmsInt,PmsPse,PmsBzt,PmsPrz) values "
                      "(:b0,:b1,:b2,:b3,:b3,:b3,:b3)", in);
  }
}

void ZeitmodellSchreiben(Schreiber& w) {
  const int32_t null = 0;
  // 1003 works under model AZ38 (07:00 to 15:30, break model P38) on
  // 27 October; on the 26th there is no model (a finding of the run).
  {
    const DbIn in[] = {DbInTxt("b0", "1003"), DbInTxt("b1", "20261027"), DbInTxt("b2", "AZ38"),
                       DbInTxt("b3", "MONT"), DbInTxt("b4", "T1")};
    w.Exec("a working-time model day", "insert into Kzt329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgAgr,ZtgTtp) values "
                                       "(:b0,TO_DATE(:b1,'yyyymmdd'),:b2,:b3,:b4)", in);
  }
  {
    const int32_t nov = 420, nob = 930, sol = 510;
    const DbIn in[] = {DbInTxt("b0", "AZ38"), DbInTxt("b1", "20260101"), DbInTxt("b2", "P38"), DbInInt("b3", null),
                       DbInInt("b4", nov),    DbInInt("b5", nob),        DbInInt("b6", sol)};
    w.Exec("a working-time model", "insert into Kzt140Azv (AzvNum,AzvGvo,AzvPsm,AzvMav,AzvMab,AzvNov,AzvNob,"
                                   "AzvGlv,AzvGlb,AzvKev,AzvKeb,AzvSol) values (:b0,TO_DATE(:b1,'yyyymmdd'),:b2,"
                                   ":b3,:b3,:b4,:b5,:b3,:b3,:b3,:b3,:b6)", in);
  }
  // Break model: 09:30 to 09:45 and 12:00 to 12:30; 1003 takes the second
  // one a quarter of an hour later on the 27th.
  struct Pse {
    int32_t lfd, von, bis;
  };
  for (const Pse& p : {Pse{1, 570, 585}, Pse{2, 720, 750}}) {
    const DbIn in[] = {DbInTxt("b0", "P38"), DbInInt("b1", p.lfd), DbInInt("b2", p.von), DbInInt("b3", p.bis),
                       DbInInt("b4", null)};
    w.Exec("a break model entry", "insert into Kzt143Pse (PseNum,PseLfd,PseVon,PseBis,PseMin,PseMax,PseInt,"
                                  "PsePse) values (:b0,:b1,:b2,:b3,:b4,:b4,:b4,:b4)", in);
  }
  {
    const int32_t lfd = 2, von = 735, bis = 765;
    const DbIn in[] = {DbInTxt("b0", "1003"), DbInTxt("b1", "20261027"), DbInInt("b2", lfd),
                       DbInInt("b3", von),    DbInInt("b4", bis),        DbInInt("b5", null)};
    w.Exec("a personal break", "insert into Kzt323Gps (GpsPnr,GpsDtm,GpsLfd,GpsVon,GpsBis,GpsMin,GpsMax,GpsInt,"
                               "GpsPse) values (:b0,TO_DATE(:b1,'yyyymmdd'),:b2,:b3,:b4,:b5,:b5,:b5,:b5)", in);
  }
  // Day frame 06:00 to 15:45 and two bookings inside it: 06:55 to 11:00 and
  // 11:20 to 15:45, the second ending at the frame's end (the departure).
  {
    const int32_t eins = 1;
    const DbIn in[] = {DbInTxt("b0", "1003"),           DbInTxt("b1", "20261027"), DbInTxt("b2", "20261027060000"),
                       DbInTxt("b3", "20261027154500"), DbInTxt("b4", "F1"),       DbInInt("b5", eins)};
    w.Exec("a day frame", "insert into Kzt327Tag (TagPnr,TagTag,TagVon,TagUhr,TagBis,TagEnd,TagTgb,TagOne) values "
                          "(:b0,TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b2,'yyyymmddHH24MISS'),"
                          "TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b3,'yyyymmddHH24MISS'),:b4,:b5)", in);
  }
  struct Bup {
    const char *uhr, *end;
    int32_t tvo, tbi;
  };
  for (const Bup& b : {Bup{"20261027065500", "20261027110000", 415, 660},
                       Bup{"20261027112000", "20261027154500", 680, 945}}) {
    const int32_t fkt = 1;
    const DbIn in[] = {DbInTxt("b0", "1003"), DbInTxt("b1", "20261027"), DbInTxt("b2", b.uhr), DbInTxt("b3", b.end),
                       DbInInt("b4", fkt),    DbInInt("b5", b.tvo),      DbInInt("b6", b.tbi), DbInInt("b7", null)};
    w.Exec("a booking", "insert into Kzt328Bup (BupPnr,BupVon,BupUhr,BupFkt,BupBis,BupEnd,BupFfk,BupTvo,BupTbi,"
                        "BupAvo,BupAbi,BupWzv,BupWzb) values (:b0,TO_DATE(:b1,'yyyymmdd'),"
                        "TO_DATE(:b2,'yyyymmddHH24MISS'),:b4,TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b3,'yyyymmddHH24MISS'),"
                        ":b7,:b5,:b6,:b7,:b7,:b7,:b7)", in);
  }
}

void MarkerSchreiben(Schreiber& w) {
  struct Mrk {
    const char *kng, *apl, *apk, *app, *pnr;
    int32_t bnr;
    const char* mdt;
  };
  // Three NZS markers, one per evaluated marker key, among markers of other
  // kinds that the batch leaves alone.
  const Mrk marker[] = {
      {"NZS", "DREH01", "A2026-0417", "0010", "1001", 5001, "20261028090000"},
      {"NZS", "FRAES02", "A2026-0533", "0010", "1002", 5002, "20261028061000"},
      {"NZS", "MONT03", "A2026-0533", "0020", "1003", 5003, "20261027154000"},
      {"NZA", "DREH01", "A2026-0417", "0020", "1004", 5004, "20261027141000"},
      {"AUF", "MONT03", "A2026-0533", "0020", "", 5005, "20261027080000"},
  };
  for (const Mrk& m : marker) {
    const DbIn in[] = {DbInTxt("b0", m.kng), DbInTxt("b1", m.apl), DbInTxt("b2", m.apk), DbInTxt("b3", m.app),
                       DbInTxt("b4", m.pnr), DbInInt("b5", m.bnr), DbInTxt("b6", m.mdt), DbInTxt("b7", "BDE")};
    w.Exec("a marker", "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkMdt,MrkObj,MrkEsb) "
                       "values (:b0,:b1,:b2,:b3,:b4,:b5,TO_DATE(:b6,'yyyymmddHH24MISS'),:b7,:b7)", in);
  }
}

// Parameter key 5 (interruption rows get their shares) switched on from
// yesterday to tomorrow: valid on the day the demo is made.
void ParameterSchreiben(Schreiber& w) {
  std::tm jetzt{};
  Clock_LocalNow(&jetzt);
  const int64_t heute = Kal_TagNummer(jetzt.tm_year + 1900, jetzt.tm_mon + 1, jetzt.tm_mday);
  char gestern[9];
  char morgen[9];
  Kal_Text(heute - 1, gestern);
  Kal_Text(heute + 1, morgen);
  const int32_t akz = 5, aak = 1, null = 0;
  const DbIn in[] = {DbInInt("b0", akz), DbInTxt("b1", gestern), DbInTxt("b2", morgen), DbInInt("b3", aak),
                     DbInInt("b4", null), DbInTxt("b5", "")};
  w.Exec("the processing parameter", "insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak,NzpAwt,NzpKjh,NzpKmn,"
                                     "NzpKwo,NzpKtg,NzpAan,NzpVfh,NzpNfh,NzpAus,NzpMrk) values (:b0,"
                                     "TO_DATE(:b1,'yyyymmdd'),TO_DATE(:b2,'yyyymmdd'),:b3,:b4,:b4,:b4,:b4,:b4,:b4,"
                                     ":b4,:b4,:b5,:b4)", in);
}

// The demo's tables and rows, on the session; 0 or the first failure.
int DatenSchreiben(const char** was) {
  *was = "the tables";
  int st = Schema_Install();
  if (st != DB_OK) return st;
  *was = "the calendar";
  int64_t von = 0, bis = 0;
  Kal_Lesen("20261024", &von);
  Kal_Lesen("20261031", &bis);
  KalErgebnis k;
  st = Kal_Fuellen(von, bis, &k);
  if (st != DB_OK) return st;

  Schreiber w;
  Db_Exec("savepoint Demo_Daten_Sp", nullptr, 0);
  int32_t nummer = 0;
  for (const NzaDemo& r : kNza) NzaSchreiben(w, r, ++nummer);
  SchichtmodelleSchreiben(w);
  ZeitmodellSchreiben(w);
  MarkerSchreiben(w);
  ParameterSchreiben(w);
  if (w.status != DB_OK) {
    Db_Exec("rollback  to Demo_Daten_Sp", nullptr, 0);
    *was = w.was;
    return w.status;
  }
  *was = "the demo data";
  return Db_Commit();
}

}  // namespace

int Admin_Demo(int argc, char** argv) {
  const char* pos[1] = {};
  int count = 0;
  switch (Admin_ParseArgs(kCmd, argc, argv, nullptr, 0, pos, 1, &count)) {
    case AdminParse::Help: DemoUsage(); return 0;
    case AdminParse::Error: return 2;
    case AdminParse::Ok: break;
  }
  if (count != 1) return Admin_UsageError(kCmd, "expected the folder DIR");

  std::error_code ec;
  const fs::path dir(pos[0]);
  if (fs::exists(dir, ec)) {
    if (!fs::is_directory(dir, ec)) return Admin_Fail(kCmd, "%s exists and is not a folder", pos[0]);
    if (!fs::is_empty(dir, ec) || ec) return Admin_Fail(kCmd, "%s exists and is not empty", pos[0]);
  } else if (!fs::create_directory(dir, ec)) {
    return Admin_Fail(kCmd, "cannot create %s: %s", pos[0], ec.message().c_str());
  }
  const fs::path root = fs::canonical(dir, ec);
  if (ec) return Admin_Fail(kCmd, "cannot resolve %s: %s", pos[0], ec.message().c_str());

  fs::path work = root;
  for (const char* part : kArbeitsOrdner) work /= part;
  const fs::path files = root / "files";
  const fs::path ini = files / "korvalis.ini";
  const fs::path dbFile = root / "welfrast.db";
  fs::create_directories(work / "Msg", ec);
  if (!ec) fs::create_directory(files, ec);
  if (ec) return Admin_Fail(kCmd, "cannot create the folders in %s: %s", root.string().c_str(), ec.message().c_str());

  std::string text;
  std::string error;
  if (!Settings_Text("welfrast", "demo", kDienstRelativ, &text, &error) ||
      !Settings_Schreiben(ini.string().c_str(), text, false, &error)) {
    return Admin_Fail(kCmd, "%s", error.c_str());
  }

  const std::string service = "sqlite:" + dbFile.string();
  int status = 0;
  std::unique_ptr<DbDriver> db(Admin_Connect(service.c_str(), DB_OPEN_CREATE, &status));
  if (db == nullptr) {
    return Admin_Fail(kCmd, "cannot create the database: %s (status %d)", Admin_StatusText(status), status);
  }
  DbDriver* previous = Db_Install(db.get());
  const char* was = "";
  status = DatenSchreiben(&was);
  Db_Install(previous);
  if (status != DB_OK) {
    return Admin_Fail(kCmd, "writing %s failed: %s (status %d)", was, Admin_StatusText(status), status);
  }

  std::printf("demo installation in %s\n", root.string().c_str());
  std::printf("  settings file      %s\n", ini.string().c_str());
  std::printf("  database           %s\n", dbFile.string().c_str());
  std::printf("  working directory  %s\n", work.string().c_str());
  std::printf(
      "It holds 3 workplaces, 4 people, 6 work rows and 4 interruption rows of 26 to 28 October 2026,\n"
      "a day and a night shift model with break plans, a personnel time model for person 1003,\n"
      "5 markers (3 of kind NZS) and parameter key 5 switched on from yesterday to tomorrow.\n"
      "Run the batch there with one argument, then look at what it did:\n"
      "  cd '%s' && welfrast DEMO\n"
      "  welfrast-admin report 'sqlite:%s'\n",
      work.string().c_str(), dbFile.string().c_str());
  return 0;
}

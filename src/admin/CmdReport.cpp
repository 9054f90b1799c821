// welfrast-admin report SERVICE [--workplace APL] [--person PNR]: what the
// batch left in the database, as plain aligned text.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "admin/AdminArgs.h"
#include "admin/AdminKalender.h"
#include "admin/Commands.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"
#include "util/Text.h"

namespace {

const char kCmd[] = "report";

// Protocol rows closer together than this belong to one run of the batch.
constexpr int64_t kLaufPause = 60;

void ReportUsage() {
  std::printf(
      "usage: welfrast-admin report SERVICE [--workplace APL] [--person PNR]\n\n"
      "Shows what the batch left in the database:\n"
      "  - the work rows (Kzt590Nza, NzaSa 1) with begin, end and time buckets;\n"
      "  - the interruption rows (NzaSa 2) with their shares of the interrupted time;\n"
      "  - the protocol rows (Kzt554Err) of the latest run: the newest row and every\n"
      "    row before it written less than %lld seconds after its predecessor;\n"
      "  - timeline events (Kzt561Mlt) left behind, which a sound run does not leave.\n"
      "Times are shown as hours:minutes, with :seconds where there are any; the\n"
      "database holds them in the minutes.seconds form (90 seconds are 1.30).\n\n"
      "  --workplace APL   only usage-time rows of workplace APL\n"
      "  --person PNR      only usage-time rows of personnel number PNR\n"
      "The filters apply to the usage-time rows; protocol rows and timeline events\n"
      "are always shown whole.\n"
      "SERVICE is sqlite:PATH, postgresql://... or pgservice:NAME (login from\n"
      "WELFRAST_LOGIN and WELFRAST_PASSWORD); the database must exist.\n",
      static_cast<long long>(kLaufPause));
}

// Seconds of a time value in the minutes.seconds form.
int64_t Sekunden(double wert) {
  const long long hundertstel = std::llround(wert * 100.0);
  return static_cast<int64_t>((hundertstel / 100) * 60 + hundertstel % 100);
}

std::string Dauer(int64_t s) {
  const bool minus = s < 0;
  if (minus) s = -s;
  char buf[48];
  if (s % 60 != 0) {
    std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld", minus ? "-" : "", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  } else {
    std::snprintf(buf, sizeof buf, "%s%lld:%02lld", minus ? "-" : "", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60));
  }
  return buf;
}

// yyyymmddHHMMSS as "YYYY-MM-DD HH:MM:SS"; "-" for an empty text.
std::string Zeitpunkt(const char* t) {
  if (std::strlen(t) != 14) return *t == '\0' ? "-" : t;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%.4s-%.2s-%.2s %.2s:%.2s:%.2s", t, t + 4, t + 6, t + 8, t + 10, t + 12);
  return buf;
}

// Seconds since 1970 of a yyyymmddHHMMSS text; -1 for anything else.
int64_t StempelSekunden(const char* t) {
  if (std::strlen(t) != 14) return -1;
  for (int i = 0; i < 14; ++i) {
    if (t[i] < '0' || t[i] > '9') return -1;
  }
  auto zahl = [&](int at, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) v = v * 10 + (t[at + i] - '0');
    return v;
  };
  return Kal_TagNummer(zahl(0, 4), zahl(4, 2), zahl(6, 2)) * 86400 + zahl(8, 2) * 3600 + zahl(10, 2) * 60 +
         zahl(12, 2);
}

std::string Feld(const char* t) { return *t == '\0' ? "-" : t; }

// A table printed with aligned columns; numbers right-aligned.
struct Tabelle {
  std::vector<std::string> kopf;
  std::vector<bool> rechts;
  std::vector<std::vector<std::string>> zeilen;

  void Drucken() const {
    std::vector<std::size_t> breite(kopf.size());
    for (std::size_t c = 0; c < kopf.size(); ++c) breite[c] = kopf[c].size();
    for (const auto& z : zeilen) {
      for (std::size_t c = 0; c < z.size() && c < breite.size(); ++c) breite[c] = std::max(breite[c], z[c].size());
    }
    auto zeile = [&](const std::vector<std::string>& z) {
      std::string out;
      for (std::size_t c = 0; c < z.size() && c < breite.size(); ++c) {
        if (c > 0) out += "  ";
        const std::string pad(breite[c] - z[c].size(), ' ');
        out += rechts[c] ? pad + z[c] : z[c] + pad;
      }
      while (!out.empty() && out.back() == ' ') out.pop_back();
      std::printf("%s\n", out.c_str());
    };
    zeile(kopf);
    for (const auto& z : zeilen) zeile(z);
  }
};

struct Filter {
  int32_t mitApl = 0;
  char apl[64] = "";
  int32_t mitPnr = 0;
  char pnr[64] = "";
};

// One usage-time row as the report reads it.
struct Zeile {
  char Apl[64], Apk[64], App[64], Pnr[64], Dtm[32], Edt[32], Bmk[16], Emk[16], Erf[64];
  int32_t End, Pzm;
  double Nza, BzA, Pza, Nzu, Uza, Bzu, Pzu, Abz, Ubz, Uzr, Rf1;
};

const char kNzaSql[] =
    "select NzaApl ,NzaApk ,NzaApp ,NzaPnr ,TO_CHAR(NzaDtm,'yyyymmddHH24MISS') ,TO_CHAR(NzaEdt,'yyyymmddHH24MISS') "
    ",NzaEnd ,NzaPzm ,NzaBmk ,NzaEmk ,NzaNza ,NzaBzA ,NzaPza ,NzaNzu ,NzaUza ,NzaBzu ,NzaPzu ,NzaAbz ,NzaUbz "
    ",NzaUzr ,NzaRf1 ,NzaErf  from Kzt590Nza where ((NzaSa=:b0 and (:b1=0 or NzaApl=:b2)) and (:b3=0 or "
    "NzaPnr=:b4)) order by NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm";

// The report uses the batch's cursor slots one after the other; this process
// runs no batch statement.
int NzaLesen(int16_t sa, const Filter& f, std::vector<Zeile>* out) {
  const DbIn in[] = {DbInShort("b0", sa), DbInInt("b1", f.mitApl), DbInTxt("b2", f.apl), DbInInt("b3", f.mitPnr),
                     DbInTxt("b4", f.pnr)};
  int st = Db_Open(CUR_NZA_PKEY, kNzaSql, in);
  if (st != DB_OK) return st;
  Zeile z{};
  const DbOut o[] = {DbOutTxt(z.Apl), DbOutTxt(z.Apk), DbOutTxt(z.App), DbOutTxt(z.Pnr), DbOutTxt(z.Dtm),
                     DbOutTxt(z.Edt), DbOutInt(z.End), DbOutInt(z.Pzm), DbOutTxt(z.Bmk), DbOutTxt(z.Emk),
                     DbOutDbl(z.Nza), DbOutDbl(z.BzA), DbOutDbl(z.Pza), DbOutDbl(z.Nzu), DbOutDbl(z.Uza),
                     DbOutDbl(z.Bzu), DbOutDbl(z.Pzu), DbOutDbl(z.Abz), DbOutDbl(z.Ubz), DbOutDbl(z.Uzr),
                     DbOutDbl(z.Rf1), DbOutTxt(z.Erf)};
  while ((st = Db_Fetch(CUR_NZA_PKEY, o)) == DB_OK) out->push_back(z);
  Db_Close(CUR_NZA_PKEY);
  return st == DB_NOTFOUND ? DB_OK : st;
}

std::string Ende(const Zeile& z) { return z.End <= 0 ? "(open)" : Zeitpunkt(z.Edt); }

void ArbeitDrucken(const std::vector<Zeile>& rows) {
  std::printf("Work rows (Kzt590Nza, NzaSa 1)\n");
  if (rows.empty()) {
    std::printf("none\n");
    return;
  }
  Tabelle t;
  t.kopf = {"Workplace", "Order", "Pos", "Person", "Begin", "End", "Pzm", "Nza", "BzA",
            "Pza",       "Nzu",   "Uza", "Bzu",    "Pzu",   "Abz", "Ubz", "Erf"};
  t.rechts = {false, false, false, false, false, false, true, true, true,
              true,  true,  true,  true,  true,  true,  true,  false};
  int bewertet = 0;
  int offen = 0;
  for (const Zeile& z : rows) {
    if (std::strcmp(z.Erf, "Nza_MPA") == 0) ++bewertet;
    if (z.End <= 0) ++offen;
    t.zeilen.push_back({Feld(z.Apl), Feld(z.Apk), Feld(z.App), Feld(z.Pnr), Zeitpunkt(z.Dtm), Ende(z),
                        std::to_string(z.Pzm), Dauer(Sekunden(z.Nza)), Dauer(Sekunden(z.BzA)),
                        Dauer(Sekunden(z.Pza)), Dauer(Sekunden(z.Nzu)), Dauer(Sekunden(z.Uza)),
                        Dauer(Sekunden(z.Bzu)), Dauer(Sekunden(z.Pzu)), Dauer(Sekunden(z.Abz)),
                        Dauer(Sekunden(z.Ubz)), Feld(z.Erf)});
  }
  t.Drucken();
  std::printf("%zu work rows: %d evaluated (Erf Nza_MPA), %d still open\n", rows.size(), bewertet, offen);
}

void UnterbrechungDrucken(const std::vector<Zeile>& rows) {
  std::printf("Interruption rows (Kzt590Nza, NzaSa 2) and their shares of the interrupted time\n");
  if (rows.empty()) {
    std::printf("none\n");
    return;
  }
  Tabelle t;
  t.kopf = {"Workplace", "Order", "Pos", "Person", "Begin", "End", "Codes", "Uza",
            "Nzu",       "Bzu",   "Pzu", "Ubz",    "Uzr",   "Rf1", "Erf"};
  t.rechts = {false, false, false, false, false, false, false, true, true, true, true, true, true, true, false};
  for (const Zeile& z : rows) {
    t.zeilen.push_back({Feld(z.Apl), Feld(z.Apk), Feld(z.App), Feld(z.Pnr), Zeitpunkt(z.Dtm), Ende(z),
                        Feld(z.Bmk) + "/" + Feld(z.Emk), Dauer(Sekunden(z.Uza)), Dauer(Sekunden(z.Nzu)),
                        Dauer(Sekunden(z.Bzu)), Dauer(Sekunden(z.Pzu)), Dauer(Sekunden(z.Ubz)),
                        Dauer(Sekunden(z.Uzr)), Dauer(Sekunden(z.Rf1)), Feld(z.Erf)});
  }
  t.Drucken();
}

struct Protokoll {
  char Dat[32], Fun[16], Edt[32], Pnr[64], Apl[64], Apk[64], App[64];
  int32_t Fnr;
};

const char kErrSql[] =
    "select TO_CHAR(ErrDat,'yyyymmddHH24MISS') ,ErrFnr ,ErrFun ,TO_CHAR(ErrEdt,'yyyymmddHH24MISS') ,ErrPnr ,ErrApl "
    ",ErrApk ,ErrApp  from Kzt554Err order by ErrDat desc";
const char kErrAnzahl[] = "select count(*) into :b0:b1  from Kzt554Err";

// The rows of the latest run, oldest first, and the number of all rows.
int ProtokollLesen(std::vector<Protokoll>* lauf, int32_t* alle) {
  const DbOut n[] = {DbOutInt(*alle)};
  int st = Db_Exec(kErrAnzahl, nullptr, 0, n, 1);
  if (st != DB_OK) return st;
  st = Db_Open(CUR_MRK_KNG, kErrSql, nullptr, 0);
  if (st != DB_OK) return st;
  // Newest first, back to the first pause between two runs.
  Protokoll p{};
  const DbOut o[] = {DbOutTxt(p.Dat), DbOutInt(p.Fnr), DbOutTxt(p.Fun), DbOutTxt(p.Edt),
                     DbOutTxt(p.Pnr), DbOutTxt(p.Apl), DbOutTxt(p.Apk), DbOutTxt(p.App)};
  int64_t vorher = -1;
  while ((st = Db_Fetch(CUR_MRK_KNG, o)) == DB_OK) {
    const int64_t s = StempelSekunden(p.Dat);
    if (s < 0 || (vorher >= 0 && vorher - s > kLaufPause)) break;
    vorher = s;
    lauf->push_back(p);
  }
  Db_Close(CUR_MRK_KNG);
  if (st != DB_OK && st != DB_NOTFOUND) return st;
  std::sort(lauf->begin(), lauf->end(), [](const Protokoll& a, const Protokoll& b) {
    if (int c = std::strcmp(a.Dat, b.Dat)) return c < 0;
    if (a.Fnr != b.Fnr) return a.Fnr > b.Fnr;
    for (auto f : {&Protokoll::Apl, &Protokoll::Apk, &Protokoll::App, &Protokoll::Pnr}) {
      if (int c = std::strcmp(a.*f, b.*f)) return c < 0;
    }
    return std::strcmp(a.Edt, b.Edt) < 0;
  });
  return DB_OK;
}

void ProtokollDrucken(const std::vector<Protokoll>& lauf, int32_t alle) {
  if (lauf.empty()) {
    std::printf("Protocol rows (Kzt554Err) of the latest run\nnone (%d rows in the table)\n", alle);
    return;
  }
  std::printf("Protocol rows (Kzt554Err) of the latest run, %s to %s: %zu of %d rows in the table\n",
              Zeitpunkt(lauf.front().Dat).c_str(), Zeitpunkt(lauf.back().Dat).c_str(), lauf.size(), alle);
  Tabelle t;
  t.kopf = {"Written", "Fnr", "Fun", "Event", "Person", "Workplace", "Order", "Pos", "Meaning"};
  t.rechts = {false, true, false, false, false, false, false, false, false};
  for (const Protokoll& r : lauf) {
    const char* bedeutung = r.Fnr == 7011 ? "marker taken" : r.Fnr == 7004 ? "no working-time model on the day" : "-";
    t.zeilen.push_back({Zeitpunkt(r.Dat), std::to_string(r.Fnr), Feld(r.Fun), Zeitpunkt(r.Edt), Feld(r.Pnr),
                        Feld(r.Apl), Feld(r.Apk), Feld(r.App), bedeutung});
  }
  t.Drucken();
}

const char kMltSql[] =
    "select MltErf ,MltDat ,MltLfn ,MltObj ,TO_CHAR(MltMdt,'yyyymmddHH24MISS') ,MltPnr ,MltApl ,MltApk ,MltApp  "
    "from Kzt561Mlt order by MltErf,MltDat,MltMdt,MltLfn";

int ZeitstrahlLesen(Tabelle* tab) {
  Tabelle& t = *tab;
  int st = Db_Open(CUR_MLT_PKEY, kMltSql, nullptr, 0);
  if (st != DB_OK) return st;
  char erf[64], dat[64], obj[16], mdt[32], pnr[64], apl[64], apk[64], app[64];
  int32_t lfn = 0;
  const DbOut o[] = {DbOutTxt(erf), DbOutTxt(dat), DbOutInt(lfn), DbOutTxt(obj), DbOutTxt(mdt),
                     DbOutTxt(pnr), DbOutTxt(apl), DbOutTxt(apk), DbOutTxt(app)};
  t.kopf = {"Erf", "Run key", "Lfn", "Code", "At", "Person", "Workplace", "Order", "Pos"};
  t.rechts = {false, false, true, false, false, false, false, false, false};
  while ((st = Db_Fetch(CUR_MLT_PKEY, o)) == DB_OK) {
    t.zeilen.push_back({Feld(erf), Feld(dat), std::to_string(lfn), Feld(obj), Zeitpunkt(mdt), Feld(pnr), Feld(apl),
                        Feld(apk), Feld(app)});
  }
  Db_Close(CUR_MLT_PKEY);
  return st == DB_NOTFOUND ? DB_OK : st;
}

void ZeitstrahlDrucken(const Tabelle& t) {
  if (t.zeilen.empty()) {
    std::printf("Timeline events left behind (Kzt561Mlt): none\n");
  } else {
    std::printf("Timeline events left behind (Kzt561Mlt): %zu\n", t.zeilen.size());
    t.Drucken();
  }
}

void LegendeDrucken() {
  std::printf(
      "Buckets: Nza uninterrupted work outside breaks; Pza uninterrupted work in breaks; BzA all\n"
      "uninterrupted work (Nza + Pza); Nzu = Uza interrupted work outside breaks; Pzu interrupted\n"
      "work in breaks; Bzu all interrupted work (Nzu + Pzu); Abz and Ubz the uninterrupted and the\n"
      "interrupted work during attendance (KM to GH, personnel time model only).\n");
}

}  // namespace

int Admin_Report(int argc, char** argv) {
  const char* apl = nullptr;
  const char* pnr = nullptr;
  const AdminOption options[] = {{"--workplace", &apl, nullptr}, {"--person", &pnr, nullptr}};
  const char* pos[1] = {};
  int count = 0;
  switch (Admin_ParseArgs(kCmd, argc, argv, options, 2, pos, 1, &count)) {
    case AdminParse::Help: ReportUsage(); return 0;
    case AdminParse::Error: return 2;
    case AdminParse::Ok: break;
  }
  if (count != 1) return Admin_UsageError(kCmd, "expected SERVICE");
  Filter f;
  if (apl != nullptr) {
    if (std::strlen(apl) > 10) return Admin_UsageError(kCmd, "a workplace key has at most 10 characters");
    f.mitApl = 1;
    Txt_Copy(f.apl, apl);
  }
  if (pnr != nullptr) {
    if (std::strlen(pnr) > 10) return Admin_UsageError(kCmd, "a personnel number has at most 10 characters");
    f.mitPnr = 1;
    Txt_Copy(f.pnr, pnr);
  }

  std::unique_ptr<DbDriver> db(Admin_OpenExisting(kCmd, pos[0]));
  if (db == nullptr) return 1;
  // Everything is read before anything is printed, so a failure gives one
  // line on stderr and no half report.
  std::vector<Zeile> arbeit;
  std::vector<Zeile> unterbrechung;
  std::vector<Protokoll> lauf;
  int32_t alle = 0;
  Tabelle zeitstrahl;
  int st = NzaLesen(1, f, &arbeit);
  if (st == DB_OK) st = NzaLesen(2, f, &unterbrechung);
  if (st == DB_OK) st = ProtokollLesen(&lauf, &alle);
  if (st == DB_OK) st = ZeitstrahlLesen(&zeitstrahl);
  Db_Install(nullptr);
  if (st != DB_OK) return Admin_Fail(kCmd, "reading the database failed: %s (status %d)", Admin_StatusText(st), st);

  ArbeitDrucken(arbeit);
  std::printf("\n");
  UnterbrechungDrucken(unterbrechung);
  std::printf("\n");
  ProtokollDrucken(lauf, alle);
  std::printf("\n");
  ZeitstrahlDrucken(zeitstrahl);
  std::printf("\n");
  LegendeDrucken();
  return std::fflush(stdout) == 0 ? 0 : 1;
}

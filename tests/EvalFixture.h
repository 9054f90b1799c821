// Test support of the evaluation: a temporary SQLite database installed as
// the session, a message log in the same folder, a driver in front of the
// real one that records the timeline inserts and fails chosen statements, and
// helpers that seed usage-time rows, shift models and calendar days. With
// WELFRAST_TEST_ENGINE=postgresql the database is one of its own on the
// PostgreSQL test server instead (see EngineFixture.h).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "db/DbDriver.h"
#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "db/Records.h"
#include "db/Schema.h"
#include "eval/Sweep.h"
#include "log/Log.h"
#include "run/Nzp.h"
#include "util/Clock.h"
#include "util/Text.h"

namespace evaltest {

inline const DbIn* FindIn(const DbIn* in, int nin, const char* name) {
  for (int i = 0; i < nin; ++i) {
    if (std::strcmp(in[i].name, name) == 0) return &in[i];
  }
  return nullptr;
}

inline std::string InTxt(const DbIn* in, int nin, const char* name) {
  const DbIn* b = FindIn(in, nin, name);
  return b != nullptr && b->type == DbType::Text ? std::string(static_cast<const char*>(b->value)) : std::string();
}

inline long InNum(const DbIn* in, int nin, const char* name) {
  const DbIn* b = FindIn(in, nin, name);
  if (b == nullptr) return -999999;
  switch (b->type) {
    case DbType::Int16: return *static_cast<const int16_t*>(b->value);
    case DbType::Int32: return *static_cast<const int32_t*>(b->value);
    case DbType::Double: return static_cast<long>(*static_cast<const double*>(b->value));
    case DbType::Text: break;
  }
  return -999999;
}

inline bool StartsWith(const char* sql, const char* head) { return std::strncmp(sql, head, std::strlen(head)) == 0; }

// One attempted insert into the timeline, with the status it got.
struct MltInsert {
  std::string Erf;
  std::string Dat;
  long Lfn;
  std::string Obj;
  std::string Pnr;
  std::string Apl;
  std::string Mdt;  // the 14-character date-time text bound to TO_DATE
  int Status;
};

// Statement kinds a fault rule can pick.
enum class Op { Execute, Open, Fetch, Close };

// Sits in front of the real driver. `fault` sees every call before the real
// driver does; a non-zero result is returned instead of running the call.
class FaultDriver : public DbDriver {
 public:
  explicit FaultDriver(DbDriver* real) : real_(real) {}

  std::function<int(Op op, int cursor, const char* sql, const DbIn* in, int nin)> fault;
  std::vector<MltInsert> inserts;
  int nzaUpdates = 0;

  int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) override {
    int st = fault ? fault(Op::Execute, -1, sql, in, nin) : 0;
    if (st == 0) st = real_->Execute(sql, in, nin, out, nout);
    if (StartsWith(sql, "insert into Kzt561Mlt")) {
      inserts.push_back(MltInsert{InTxt(in, nin, "b0"), InTxt(in, nin, "b1"), InNum(in, nin, "b2"),
                                  InTxt(in, nin, "b3"), InTxt(in, nin, "b4"), InTxt(in, nin, "b5"),
                                  InTxt(in, nin, "b22"), st});
    }
    if (StartsWith(sql, "update KZT590Nza")) ++nzaUpdates;
    return st;
  }
  int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) override {
    int st = fault ? fault(Op::Open, cursor, sql, in, nin) : 0;
    return st != 0 ? st : real_->OpenCursor(cursor, sql, in, nin);
  }
  int FetchCursor(int cursor, const DbOut* out, int nout) override {
    int st = fault ? fault(Op::Fetch, cursor, "", nullptr, 0) : 0;
    return st != 0 ? st : real_->FetchCursor(cursor, out, nout);
  }
  int CloseCursor(int cursor) override {
    int st = fault ? fault(Op::Close, cursor, "", nullptr, 0) : 0;
    return st != 0 ? st : real_->CloseCursor(cursor);
  }
  int Commit() override { return real_->Commit(); }

  // Codes of the successful inserts, in the order of their running numbers.
  std::vector<std::string> Codes() const {
    std::vector<std::string> c;
    for (const MltInsert& m : inserts) {
      if (m.Status == 0) c.push_back(m.Obj);
    }
    return c;
  }

 private:
  DbDriver* real_;
};

// One message-log entry as read back from the file.
struct LogZeile {
  std::string Funktion;
  std::string Message;
  int ErrorCode;
};

inline bool operator==(const LogZeile& a, const LogZeile& b) {
  return a.Funktion == b.Funktion && a.Message == b.Message && a.ErrorCode == b.ErrorCode;
}

inline std::ostream& operator<<(std::ostream& os, const LogZeile& z) {
  return os << "{" << z.Funktion << ", " << z.Message << ", " << z.ErrorCode << "}";
}

// A clock fixed at one moment, so the run key of the driver is known.
class FixedClock : public WfClock {
 public:
  explicit FixedClock(std::time_t t) : t_(t) {}
  std::time_t Now() override { return t_; }

 private:
  std::time_t t_;
};

// Keys of the test person's work and interruption rows.
constexpr const char* kApl = "APL1";
constexpr const char* kApk = "AUFTRAG1";
constexpr const char* kApp = "0010";
constexpr const char* kPnr = "4711";
// Run key of the timelines the sweep tests build themselves.
constexpr const char* kKey = "20240105120000";

class EvalDb : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/welfrast_eval_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    logPath_ = dir_ + "/Welfrast.Txt";
    Log_Init(7, logPath_.c_str());
    int st = 0;
    SchemaEngine schema = SchemaEngine::Sqlite;
    if (EnvText("WELFRAST_TEST_ENGINE") == "postgresql") {
      // The same cases on a PostgreSQL database of their own.
      server_ = std::make_unique<PgEngine>();
      std::string why;
      if (!server_->Create(&why)) WF_ENGINE_MISSING(why);
      real_ = server_->Open(&st);
      schema = SchemaEngine::Postgres;
    } else {
      real_ = Db_OpenDriver(("sqlite:" + dir_ + "/eval.db").c_str(), "", "", &st, DB_OPEN_CREATE);
    }
    ASSERT_NE(real_, nullptr) << st;
    drv_ = new FaultDriver(real_);
    previous_ = Db_Install(drv_);
    ASSERT_EQ(Schema_Install(schema), 0);
    Nzp5Aak = 0;
    NzaSatzB = {};
    NzaSatzBOffen = 0;
  }

  void TearDown() override {
    Nzp5Aak = 0;
    Clock_Install(nullptr);
    Db_Install(previous_);
    delete drv_;
    delete real_;
    server_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Every entry written to the message log so far.
  std::vector<LogZeile> LogEntries() const {
    std::vector<LogZeile> out;
    std::ifstream f(logPath_, std::ios::binary);
    std::string line;
    LogZeile z{};
    while (std::getline(f, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      auto wert = [&](const char* label) -> const char* {
        const std::size_t n = std::strlen(label);
        return line.compare(0, n, label) == 0 ? line.c_str() + n : nullptr;
      };
      if (const char* v = wert("Message____: ")) z.Message = v;
      if (const char* v = wert("Funktion___: ")) z.Funktion = v;
      if (const char* v = wert("ErrorCode__: ")) {
        z.ErrorCode = std::atoi(v);
        out.push_back(z);
        z = LogZeile{};
      }
    }
    return out;
  }

  // A usage-time row of the test person, closed, with every time value and
  // carried-through column set to a recognisable value.
  static NzaSatz Row(int sa, const char* dtmDat, const char* dtmUhr, const char* edtDat, const char* edtUhr,
                     const char* bmk, const char* emk) {
    NzaSatz n = {};
    n.NzaSa = sa;
    Txt_Copy(n.NzaApl, kApl);
    Txt_Copy(n.NzaApk, kApk);
    Txt_Copy(n.NzaApp, kApp);
    Txt_Copy(n.NzaPnr, kPnr);
    Txt_Copy(n.NzaDtmDat, dtmDat);
    Txt_Copy(n.NzaDtmUhr, dtmUhr);
    Txt_Copy(n.NzaEdtDat, edtDat);
    Txt_Copy(n.NzaEdtUhr, edtUhr);
    Txt_Copy(n.NzaBmk, bmk);
    Txt_Copy(n.NzaEmk, emk);
    n.NzaBeg = 1;
    n.NzaBbn = 100;
    n.NzaBln = 1;
    n.NzaEnd = 1;
    n.NzaEbn = 101;
    n.NzaEln = 2;
    Txt_Copy(n.NzaUbg, "U1");
    Txt_Copy(n.NzaEmo, "EMO1");
    Txt_Copy(n.NzaTtp, "T1");
    Txt_Copy(n.NzaJwo, "0401");
    n.NzaWoc = 1;
    n.NzaPzm = 0;
    double* werte[] = {&n.NzaNzr, &n.NzaBzr, &n.NzaUzr, &n.NzaPzr, &n.NzaRbz, &n.NzaNza, &n.NzaBzA,
                       &n.NzaUza, &n.NzaPza, &n.NzaAbz, &n.NzaBzu, &n.NzaNzu, &n.NzaPzu, &n.NzaUbz,
                       &n.NzaSol, &n.NzaIst, &n.NzaPau, &n.NzaRf1};
    for (double* w : werte) *w = 9.99;
    n.NzaRf2 = 3.21;
    n.NzaRf3 = 4.32;
    n.NzaGum = 5.43;
    n.NzaAum = 6.54;
    n.NzaFnr = 77;
    Txt_Copy(n.NzaTnr, "TNR");
    Txt_Copy(n.NzaErf, "ALT");
    return n;
  }

  static std::string DatumUhr(const char* dat, const char* uhr) {
    char t[15];
    std::snprintf(t, sizeof t, "%8.8s%6.6s", dat, uhr);
    return t;
  }

  void InsertNza(const NzaSatz& n) {
    const std::string dtm = DatumUhr(n.NzaDtmDat, n.NzaDtmUhr);
    const std::string edt = DatumUhr(n.NzaEdtDat, n.NzaEdtUhr);
    const int16_t sa = static_cast<int16_t>(n.NzaSa);
    const DbIn in[] = {
        DbInShort("b0", sa), DbInTxt("b1", n.NzaApl), DbInTxt("b2", n.NzaApk), DbInTxt("b3", n.NzaApp),
        DbInTxt("b4", n.NzaPnr), DbInTxt("b5", dtm.c_str()), DbInInt("b6", n.NzaBeg), DbInInt("b7", n.NzaBbn),
        DbInInt("b8", n.NzaBln), DbInTxt("b9", n.NzaBmk), DbInTxt("b10", edt.c_str()), DbInInt("b11", n.NzaEnd),
        DbInInt("b12", n.NzaEbn), DbInInt("b13", n.NzaEln), DbInTxt("b14", n.NzaEmk), DbInTxt("b15", n.NzaUbg),
        DbInInt("b16", n.NzaRau), DbInInt("b17", n.NzaVar), DbInInt("b18", n.Nza00A), DbInInt("b19", n.Nza00U),
        DbInInt("b20", n.Nza00S), DbInInt("b21", n.NzaWtg), DbInInt("b22", n.NzaJtg), DbInTxt("b23", n.NzaTtp),
        DbInTxt("b24", n.NzaEmo), DbInTxt("b25", n.NzaJwo), DbInInt("b26", n.NzaWoc), DbInInt("b27", n.NzaPzm),
        DbInInt("b28", n.NzaMaz), DbInDbl("b29", n.NzaNzr), DbInDbl("b30", n.NzaBzr), DbInDbl("b31", n.NzaUzr),
        DbInDbl("b32", n.NzaPzr), DbInDbl("b33", n.NzaRbz), DbInDbl("b34", n.NzaNza), DbInDbl("b35", n.NzaBzA),
        DbInDbl("b36", n.NzaUza), DbInDbl("b37", n.NzaPza), DbInDbl("b38", n.NzaAbz), DbInDbl("b39", n.NzaNzu),
        DbInDbl("b40", n.NzaBzu), DbInDbl("b41", n.NzaPzu), DbInDbl("b42", n.NzaUbz), DbInDbl("b43", n.NzaSol),
        DbInDbl("b44", n.NzaIst), DbInDbl("b45", n.NzaPau), DbInDbl("b46", n.NzaRf1), DbInDbl("b47", n.NzaRf2),
        DbInDbl("b48", n.NzaRf3), DbInInt("b49", n.NzaFnr), DbInTxt("b50", n.NzaErf), DbInDbl("b51", n.NzaGum),
        DbInDbl("b52", n.NzaAum), DbInTxt("b53", n.NzaTnr)};
    ASSERT_EQ(Db_Exec("insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaBeg,NzaBbn,NzaBln,"
                      "NzaBmk,NzaEdt,NzaEnd,NzaEbn,NzaEln,NzaEmk,NzaUbg,NzaRau,NzaVar,Nza00A,Nza00U,Nza00S,"
                      "NzaWtg,NzaJtg,NzaTtp,NzaEmo,NzaJwo,NzaWoc,NzaPzm,NzaMaz,NzaNzr,NzaBzr,NzaUzr,NzaPzr,"
                      "NzaRbz,NzaNza,NzaBza,NzaUza,NzaPza,NzaAbz,NzaNzu,NzaBzu,NzaPzu,NzaUbz,NzaSol,NzaIst,"
                      "NzaPau,NzaRf1,NzaRf2,NzaRf3,NzaFnr,NzaDat,NzaErf,NzaGum,NzaAum,NzaTnr) values (:b0,:b1,"
                      ":b2,:b3,:b4,TO_DATE(:b5,'yyyymmddHH24MISS'),:b6,:b7,:b8,:b9,"
                      "TO_DATE(:b10,'yyyymmddHH24MISS'),:b11,:b12,:b13,:b14,:b15,:b16,:b17,:b18,:b19,:b20,"
                      ":b21,:b22,:b23,:b24,:b25,:b26,:b27,:b28,:b29,:b30,:b31,:b32,:b33,:b34,:b35,:b36,:b37,"
                      ":b38,:b39,:b40,:b41,:b42,:b43,:b44,:b45,:b46,:b47,:b48,:b49,sysdate,:b50,:b51,:b52,"
                      ":b53)",
                      in, static_cast<int>(sizeof in / sizeof in[0])),
              0);
    ASSERT_EQ(Db_Commit(), 0);
  }

  // Reads a row back by its key; the status must be 0.
  NzaSatz ReadNza(const NzaSatz& key) {
    NzaSatz n = key;
    EXPECT_EQ(Nza_PKeyReadk(n), 0) << "row " << key.NzaSa << " " << key.NzaDtmDat << key.NzaDtmUhr;
    return n;
  }

  // Model `emo` of type `ttp` beginning at minute `emoBeg`, with a break plan
  // valid from `gvo` to `gbi` (yyyymmdd) holding the breaks given as pairs of
  // minutes.
  void InsertModel(const char* emo, const char* ttp, int emoBeg, const char* pmo, const char* pms, const char* gvo,
                   const char* gbi, const std::vector<std::pair<int, int>>& pausen) {
    const int32_t beg = emoBeg;
    const int32_t end = emoBeg + 480;
    {
      const DbIn in[] = {DbInTxt("b0", emo), DbInTxt("b1", ttp), DbInTxt("b2", "Modell"), DbInInt("b3", beg),
                         DbInInt("b4", end), DbInTxt("b5", pmo)};
      ASSERT_EQ(Db_Exec("insert into Kzt533Emo (EmoEmo,EmoTtp,EmoTxt,EmoBeg,EmoEnd,EmoPmo) values "
                        "(:b0,:b1,:b2,:b3,:b4,:b5)",
                        in, 6),
                0);
    }
    {
      const DbIn in[] = {DbInTxt("b0", pmo), DbInTxt("b1", pms), DbInTxt("b2", gvo), DbInTxt("b3", gbi)};
      ASSERT_EQ(Db_Exec("insert into Kzt536Pmz (PmzPmo,PmzPms,PmzGvo,PmzGbi) values "
                        "(:b0,:b1,TO_DATE(:b2,'yyyymmdd'),TO_DATE(:b3,'yyyymmdd'))",
                        in, 4),
                0);
    }
    for (const auto& p : pausen) {
      const int32_t von = p.first;
      const int32_t bis = p.second;
      const int32_t null = 0;
      const DbIn in[] = {DbInTxt("b0", pms), DbInInt("b1", von),  DbInInt("b2", bis), DbInInt("b3", null),
                         DbInInt("b4", null), DbInInt("b5", null), DbInInt("b6", null)};
      ASSERT_EQ(Db_Exec("insert into Kzt535Pms (PmsNum,PmsBeg,PmsEnd,PmsInt,PmsPse,PmsBzt,PmsPrz) values "
                        "(:b0,:b1,:b2,:b3,:b4,:b5,:b6)",
                        in, 7),
                0);
    }
    ASSERT_EQ(Db_Commit(), 0);
  }

  // Calendar days from `von` for `tage` days.
  void InsertKalender(int jahr, int monat, int tag, int tage) {
    std::tm t{};
    t.tm_year = jahr - 1900;
    t.tm_mon = monat - 1;
    t.tm_mday = tag;
    t.tm_hour = 12;
    for (int i = 0; i < tage; ++i) {
      std::tm d = t;
      d.tm_mday += i;
      std::mktime(&d);
      char dtm[32];
      std::snprintf(dtm, sizeof dtm, "%04d%02d%02d", d.tm_year + 1900, d.tm_mon + 1, d.tm_mday);
      const int32_t j = d.tm_year + 1900, m = d.tm_mon + 1, dd = d.tm_mday, w = 1, wt = d.tm_wday,
                    jt = d.tm_yday + 1;
      const DbIn in[] = {DbInTxt("b0", dtm), DbInInt("b1", j),  DbInInt("b2", m), DbInInt("b3", dd),
                         DbInInt("b4", w),   DbInInt("b5", wt), DbInInt("b6", jt)};
      ASSERT_EQ(Db_Exec("insert into KzSystem.Kzt133Bak (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) "
                        "values (TO_DATE(:b0,'yyyymmdd'),:b1,:b2,:b3,:b4,:b5,:b6)",
                        in, 7),
                0);
    }
    ASSERT_EQ(Db_Commit(), 0);
  }

  // One timeline event of the test person in the timeline ("Nza_MPA", key).
  static MltSatz Ev(const char* obj, const char* dat, const char* uhr, int lfn, const char* key = kKey) {
    MltSatz m = {};
    Txt_Copy(m.MltErf, "Nza_MPA");
    Txt_Copy(m.MltDat, key);
    m.MltLfn = lfn;
    Txt_Copy(m.MltObj, obj);
    Txt_Copy(m.MltPnr, kPnr);
    Txt_Copy(m.MltApl, kApl);
    Txt_Copy(m.MltApk, kApk);
    Txt_Copy(m.MltApp, kApp);
    Txt_Copy(m.MltMdtDat, dat);
    Txt_Copy(m.MltMdtUhr, uhr);
    return m;
  }

  // Number of events left in a timeline.
  int TimelineCount(const char* key) {
    int n = 0;
    if (Mlt_PKey_Open("Nza_MPA", key) != 0) return -1;
    MltSatz m = {};
    while (Mlt_PKey_Read(m) == 0) ++n;
    Mlt_PKey_Close();
    return n;
  }

  std::string dir_;
  std::string logPath_;
  DbDriver* real_ = nullptr;
  FaultDriver* drv_ = nullptr;
  DbDriver* previous_ = nullptr;
  std::unique_ptr<PgEngine> server_;
};

}  // namespace evaltest

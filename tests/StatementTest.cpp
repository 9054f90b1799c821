// The statement functions against real rows of a fresh database, on every
// engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DbFixture.h"
#include "EngineFixture.h"
#include "db/DbHost.h"
#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "db/Dbstd.h"
#include "db/Schema.h"
#include "util/Text.h"

namespace {

// Passes everything on to the real driver and records what the statement
// functions send; can make one kind of call fail.
class SpyDriver : public DbDriver {
 public:
  explicit SpyDriver(DbDriver* real) : real_(real) {}

  int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) override {
    calls.push_back(sql);
    for (int i = 0; i < nin; ++i) {
      if (in[i].type == DbType::Text) texts[in[i].name] = static_cast<const char*>(in[i].value);
    }
    if (!failPrefix.empty() && std::strncmp(sql, failPrefix.c_str(), failPrefix.size()) == 0) return failStatus;
    return real_->Execute(sql, in, nin, out, nout);
  }
  int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) override {
    calls.push_back("open");
    if (failOpen != 0) return failOpen;
    return real_->OpenCursor(cursor, sql, in, nin);
  }
  int FetchCursor(int cursor, const DbOut* out, int nout) override {
    calls.push_back("fetch");
    if (failFetch != 0) return failFetch;
    return real_->FetchCursor(cursor, out, nout);
  }
  int CloseCursor(int cursor) override {
    calls.push_back("close");
    return real_->CloseCursor(cursor);
  }
  int Commit() override {
    calls.push_back("commit");
    return real_->Commit();
  }

  std::vector<std::string> calls;
  std::map<std::string, std::string> texts;  // last text bound per name
  std::string failPrefix;
  int failStatus = ORA_RESOURCE_BUSY;
  int failOpen = 0;
  int failFetch = 0;

 private:
  DbDriver* real_;
};

std::string Join(const SqlRows& rows, const char* separator) {
  std::string out;
  for (const std::vector<std::string>& r : rows) {
    if (!out.empty()) out += separator;
    out += r.empty() ? "" : r[0];
  }
  return out;
}

class StatementTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    int n = 0;
    const char* const* s = Schema_Statements(engine_->IsPg() ? SchemaEngine::Postgres : SchemaEngine::Sqlite, &n);
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < n; ++i) engine_->Exec(s[i]);
  }

  void Sql(const std::string& sql) { engine_->Exec(sql); }
  std::string Value(const std::string& sql) { return engine_->Value(sql); }
  // The first column of every row, joined.
  std::string Column(const std::string& sql, const char* separator = ",") {
    return Join(engine_->Rows(sql), separator);
  }

  // Puts a spy in front of the real driver for the rest of the test.
  SpyDriver& Spy() {
    spy_ = std::make_unique<SpyDriver>(driver_);
    Db_Install(spy_.get());
    return *spy_;
  }

  // A key-only usage-time row, as another program leaves it.
  void NzaRow(int sa, const char* pnr, const char* dtm, const char* edt = nullptr, int bbn = 0) {
    Sql(std::string("insert into Kzt590Nza (NzaSa,NzaApl,NzaApk,NzaApp,NzaPnr,NzaDtm,NzaEdt,NzaBbn) values (") +
        std::to_string(sa) + ",'APL1','AUFTRAG1','P1','" + pnr + "','" + dtm + "'," +
        (edt != nullptr ? "'" + std::string(edt) + "'" : "NULL") + "," + std::to_string(bbn) + ")");
  }

  void MltRow(const char* erf, const char* dat, int lfn, const char* mdt, const char* obj = "AB") {
    Sql(std::string("insert into Kzt561Mlt (MltErf,MltDat,MltLfn,MltObj,MltMdt) values ('") + erf + "','" + dat +
        "'," + std::to_string(lfn) + ",'" + obj + "','" + mdt + "')");
  }

  std::unique_ptr<SpyDriver> spy_;
};

NzaSatz NzaKey(int sa, const char* pnr, const char* dat, const char* uhr) {
  NzaSatz n = {};
  n.NzaSa = sa;
  Txt_Copy(n.NzaApl, "APL1");
  Txt_Copy(n.NzaApk, "AUFTRAG1");
  Txt_Copy(n.NzaApp, "P1");
  Txt_Copy(n.NzaPnr, pnr);
  Txt_Copy(n.NzaDtmDat, dat);
  Txt_Copy(n.NzaDtmUhr, uhr);
  return n;
}

// Every number of the row, in declared order, so that a swapped binding
// (NzaBzu/NzaNzu, NzaErf/NzaGum, ...) shows.
#define NZA_INTS(X)                                                                                          \
  X(NzaBeg) X(NzaBbn) X(NzaBln) X(NzaEnd) X(NzaEbn) X(NzaEln) X(NzaRau) X(NzaVar) X(Nza00A) X(Nza00U)     \
  X(Nza00S) X(NzaWtg) X(NzaJtg) X(NzaWoc) X(NzaPzm) X(NzaMaz) X(NzaFnr)
#define NZA_DOUBLES(X)                                                                                       \
  X(NzaGum) X(NzaAum) X(NzaNzr) X(NzaBzr) X(NzaUzr) X(NzaPzr) X(NzaRbz) X(NzaNza) X(NzaBzA) X(NzaUza)     \
  X(NzaPza) X(NzaAbz) X(NzaBzu) X(NzaNzu) X(NzaPzu) X(NzaUbz) X(NzaSol) X(NzaIst) X(NzaPau) X(NzaRf1)     \
  X(NzaRf2) X(NzaRf3)
#define NZA_TEXTS(X)                                                                                         \
  X(NzaApl) X(NzaApk) X(NzaApp) X(NzaPnr) X(NzaDtmDat) X(NzaDtmUhr) X(NzaBmk) X(NzaEdtDat) X(NzaEdtUhr)  \
  X(NzaEmk) X(NzaUbg) X(NzaEmo) X(NzaTtp) X(NzaJwo) X(NzaTnr) X(NzaErf)

NzaSatz NzaFull() {
  NzaSatz n = NzaKey(1, "PERS000001", "20041026", "080000");
  int i = 1;
#define SET_INT(f) n.f = 100 + i++;
  NZA_INTS(SET_INT)
#undef SET_INT
  // Values a decimal column would not carry exactly.
  const double d[] = {1.30,   -1.30,  0.45,   60.0,  405.0, 0.1 + 0.2, 1e-7, 123456.78, 7.07, 8.08, 9.09,
                      10.10, 11.11, 12.12, 13.13, 14.14, 15.15, 16.16, 17.17, 18.18, 19.19, 20.20};
  int k = 0;
#define SET_DBL(f) n.f = d[k++];
  NZA_DOUBLES(SET_DBL)
#undef SET_DBL
  Txt_Copy(n.NzaBmk, "AB");
  Txt_Copy(n.NzaEdtDat, "20041027");
  Txt_Copy(n.NzaEdtUhr, "061530");
  Txt_Copy(n.NzaEmk, "AE");
  Txt_Copy(n.NzaUbg, "UBG12");
  Txt_Copy(n.NzaEmo, "SCHICHT001");
  Txt_Copy(n.NzaTtp, "TT1");
  Txt_Copy(n.NzaJwo, "0443");
  Txt_Copy(n.NzaTnr, "TNR-12345678901234567");
  Txt_Copy(n.NzaErf, "Nza_MPA");
  return n;
}

void ExpectSameNza(const NzaSatz& a, const NzaSatz& b) {
  EXPECT_EQ(a.NzaSa, b.NzaSa);
#define CMP_INT(f) EXPECT_EQ(a.f, b.f) << #f;
  NZA_INTS(CMP_INT)
#undef CMP_INT
#define CMP_DBL(f) EXPECT_EQ(a.f, b.f) << #f;  // exact: doubles must round-trip bit for bit
  NZA_DOUBLES(CMP_DBL)
#undef CMP_DBL
#define CMP_TXT(f) EXPECT_STREQ(a.f, b.f) << #f;
  NZA_TEXTS(CMP_TXT)
#undef CMP_TXT
}

// ---- usage-time rows ------------------------------------------------------

TEST_P(StatementTest, NzaRowRoundTripsThroughUpdateAndRead) {
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00");
  const NzaSatz written = NzaFull();
  ASSERT_EQ(Nza_PKeyUpd(written), 0);

  EXPECT_EQ(Value("select NzaDtm||'|'||NzaEdt from Kzt590Nza"), "2004-10-26 08:00:00|2004-10-27 06:15:30");
  EXPECT_NE(Value("select NzaDat from Kzt590Nza"), "<null>");
  EXPECT_EQ(Value("select NzaNzu||'|'||NzaBzu from Kzt590Nza"), "12.12|11.11");  // by column, not by position

  NzaSatz read = NzaKey(1, "PERS000001", "20041026", "080000");
  ASSERT_EQ(Nza_PKeyReadk(read), 0);
  ExpectSameNza(read, written);
  EXPECT_EQ(Db_LetzteBnr(), written.NzaBbn);
}

TEST_P(StatementTest, FailedNzaReadsKeepKeysAndTextsAndClearEveryNumber) {
  // NzaFull's own key (08:00) has no row.
  NzaRow(1, "PERS000001", "2004-10-26 07:00:00");
  NzaRow(2, "PERS000001", "2004-10-26 09:00:00", "2004-10-26 09:30:00");
  struct Case {
    const char* name;
    std::function<int(NzaSatz&)> read;
  };
  const Case cases[] = {
      {"Nza_PKeyReadk of a missing row",
       [](NzaSatz& n) { return Nza_PKeyReadk(n); }},
      {"Nza_PKey_Read after the last row",
       [](NzaSatz& n) {
         EXPECT_EQ(Nza_PKey_Open(n), 0);
         EXPECT_EQ(Nza_PKey_Read(n), 0);
         n = NzaFull();
         const int st = Nza_PKey_Read(n);
         Nza_PKey_Close();
         return st;
       }},
      {"Nza_Unterbr_Read after the last row",
       [](NzaSatz& n) {
         NzaSatz w = n;
         w.NzaSa = 2;
         Txt_Copy(w.NzaDtmUhr, "000000");
         Txt_Copy(w.NzaEdtDat, "20041026");
         Txt_Copy(w.NzaEdtUhr, "235959");
         EXPECT_EQ(Nza_Unterbr_Open(w), 0);
         EXPECT_EQ(Nza_Unterbr_Read(n), 0);
         EXPECT_EQ(n.NzaSa, 2);
         n = NzaFull();
         const int st = Nza_Unterbr_Read(n);
         Nza_Unterbr_Close();
         return st;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NzaSatz n = NzaFull();
    const NzaSatz before = n;
    EXPECT_EQ(c.read(n), DB_NOTFOUND);
    EXPECT_EQ(n.NzaSa, before.NzaSa);
#define TXT_KEPT(f) EXPECT_STREQ(n.f, before.f) << #f;
    NZA_TEXTS(TXT_KEPT)
#undef TXT_KEPT
#define INT_ZERO(f) EXPECT_EQ(n.f, 0) << #f;
    NZA_INTS(INT_ZERO)
#undef INT_ZERO
#define DBL_ZERO(f) EXPECT_EQ(n.f, 0.0) << #f;
    NZA_DOUBLES(DBL_ZERO)
#undef DBL_ZERO
  }
}

TEST_P(StatementTest, NzaCursorDeliversTheRowsOfOneKeyInBeginOrder) {
  NzaRow(1, "PERS000001", "2004-10-26 13:00:00", nullptr, 3);
  NzaRow(1, "PERS000001", "2004-10-25 22:00:00", nullptr, 1);
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00", nullptr, 2);
  NzaRow(2, "PERS000001", "2004-10-26 10:00:00", nullptr, 9);  // interruption row
  NzaRow(1, "PERS000002", "2004-10-26 07:00:00", nullptr, 9);  // another person
  NzaSatz n = NzaKey(1, "PERS000001", "", "");
  ASSERT_EQ(Nza_PKey_Open(n), 0);
  std::vector<std::string> got;
  while (Nza_PKey_Read(n) == 0) {
    got.push_back(std::string(n.NzaDtmDat) + n.NzaDtmUhr + "/" + std::to_string(n.NzaBbn));
    EXPECT_STREQ(n.NzaEdtDat, "");  // open row: NULL end reads as empty
  }
  EXPECT_EQ(Nza_PKey_Close(), 0);
  EXPECT_EQ(got, (std::vector<std::string>{"20041025220000/1", "20041026080000/2", "20041026130000/3"}));
}

TEST_P(StatementTest, InterruptionCursorTakesRowsThatBeginInsideTheWindow) {
  NzaRow(2, "PERS000001", "2004-10-26 07:59:59", "2004-10-26 09:00:00", 1);  // began before: not taken
  NzaRow(2, "PERS000001", "2004-10-26 08:00:00", "2004-10-26 08:10:00", 2);  // at the begin
  NzaRow(2, "PERS000001", "2004-10-26 16:00:00", "2004-10-26 17:00:00", 3);  // at the end, lasts beyond
  NzaRow(2, "PERS000001", "2004-10-26 16:00:01", "2004-10-26 17:00:00", 4);
  NzaSatz w = NzaKey(2, "PERS000001", "20041026", "080000");
  Txt_Copy(w.NzaEdtDat, "20041026");
  Txt_Copy(w.NzaEdtUhr, "160000");
  ASSERT_EQ(Nza_Unterbr_Open(w), 0);
  NzaSatz n = {};
  std::vector<int> got;
  while (Nza_Unterbr_Read(n) == 0) got.push_back(n.NzaBbn);
  Nza_Unterbr_Close();
  EXPECT_EQ(got, (std::vector<int>{2, 3}));
  EXPECT_EQ(Db_LetzteBnr(), 3);
}

TEST_P(StatementTest, EmptyEndIsWrittenAsNullAndReadBackEmpty) {
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00", "2004-10-26 16:00:00");
  SpyDriver& spy = Spy();
  NzaSatz n = NzaFull();
  Txt_Clear(n.NzaEdtDat);
  Txt_Clear(n.NzaEdtUhr);
  ASSERT_EQ(Nza_PKeyUpd(n), 0);
  EXPECT_EQ(spy.texts["b10"], std::string(14, ' '));
  EXPECT_EQ(Value("select NzaEdt from Kzt590Nza"), "<null>");
  NzaSatz r = NzaKey(1, "PERS000001", "20041026", "080000");
  ASSERT_EQ(Nza_PKeyReadk(r), 0);
  EXPECT_STREQ(r.NzaEdtDat, "");
  EXPECT_STREQ(r.NzaEdtUhr, "");
}

TEST_P(StatementTest, UpdateOfAMissingRowIsRolledBack) {
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00");
  SpyDriver& spy = Spy();
  NzaSatz n = NzaFull();
  Txt_Copy(n.NzaDtmUhr, "080001");
  EXPECT_EQ(Nza_PKeyUpd(n), DB_NOTFOUND);
  ASSERT_EQ(spy.calls.size(), 3u);
  EXPECT_EQ(spy.calls[0], "savepoint Nza_PKeyUpd_Sp");
  EXPECT_EQ(spy.calls[2], "rollback  to Nza_PKeyUpd_Sp");
  EXPECT_EQ(Value("select count(*) from Kzt590Nza where NzaBeg is null"), "1");
}

// Every single-row write: its own savepoint, commit on success, rollback to
// its savepoint and no commit on failure.
TEST_P(StatementTest, EveryWriteUsesItsOwnSavepoint) {
  struct Case {
    const char* name;
    const char* prefix;  // start of the write's statement text
    std::function<int()> write;
  };
  const Case cases[] = {
      {"Err_PKeyIns", "insert into Kzt554Err", [] { return Err_PKeyIns(ErrSatz{}); }},
      {"Nza_PKeyUpd", "update KZT590Nza", [] { return Nza_PKeyUpd(NzaFull()); }},
      {"Mlt_PKeyIns", "insert into Kzt561Mlt",
       [] {
         MltSatz m = {};
         Txt_Copy(m.MltErf, "Nza_MPA");
         Txt_Copy(m.MltDat, "20041026120000");
         m.MltLfn = 1;
         return Mlt_PKeyIns(m);
       }},
      {"Mlt_PKeyDel", "delete  from Kzt561Mlt",
       [] {
         MltSatz m = {};
         Txt_Copy(m.MltErf, "Nza_MPA");
         Txt_Copy(m.MltDat, "20041026120000");
         m.MltLfn = 1;
         return Mlt_PKeyDel(m);
       }},
  };
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00");
  SpyDriver& spy = Spy();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string sp = std::string("savepoint ") + c.name + "_Sp";
    const std::string rb = std::string("rollback  to ") + c.name + "_Sp";
    spy.calls.clear();
    spy.failPrefix.clear();
    EXPECT_EQ(c.write(), 0);
    ASSERT_EQ(spy.calls.size(), 3u);
    EXPECT_EQ(spy.calls[0], sp);
    EXPECT_EQ(spy.calls[1].rfind(c.prefix, 0), 0u);
    EXPECT_EQ(spy.calls[2], "commit");

    spy.calls.clear();
    spy.failPrefix = c.prefix;
    EXPECT_EQ(c.write(), ORA_RESOURCE_BUSY);
    ASSERT_EQ(spy.calls.size(), 3u);
    EXPECT_EQ(spy.calls[0], sp);
    EXPECT_EQ(spy.calls[2], rb);
  }
}

// ---- timeline -------------------------------------------------------------

MltSatz Event(const char* dat, int lfn, const char* mdtDat, const char* mdtUhr, const char* obj) {
  MltSatz m = {};
  Txt_Copy(m.MltErf, "Nza_MPA");
  Txt_Copy(m.MltDat, dat);
  m.MltLfn = lfn;
  Txt_Copy(m.MltObj, obj);
  Txt_Copy(m.MltMdtDat, mdtDat);
  Txt_Copy(m.MltMdtUhr, mdtUhr);
  return m;
}

TEST_P(StatementTest, TimelineEventsComeBackByTimeThenNumberWithAllFields) {
  const char* run = "20041026120000";
  MltSatz full = Event(run, 4, "20041026", "080000", "AB");
  Txt_Copy(full.MltPnr, "PERS0001");
  Txt_Copy(full.MltApl, "APL1");
  Txt_Copy(full.MltApk, "AUFTRAG1");
  Txt_Copy(full.MltApp, "P1");
  Txt_Copy(full.Mlt00E, "E");
  Txt_Copy(full.Mlt00R, "R");
  Txt_Copy(full.Mlt00A, "A");
  Txt_Copy(full.Mlt00U, "U");
  Txt_Copy(full.Mlt00S, "S");
  Txt_Copy(full.MltBkg, "B");
  Txt_Copy(full.MltPbe, "P");
  Txt_Copy(full.MltArg, "AZM1");
  Txt_Copy(full.MltEmo, "AGR1");
  Txt_Copy(full.MltTtp, "TT1");
  full.MltWoc = 44;
  full.MltWtg = 2;
  full.MltJtg = 300;
  Txt_Copy(full.MltJwo, "0444");
  Txt_Copy(full.MltUbg, "UBG1");
  ASSERT_EQ(Mlt_PKeyIns(Event(run, 5, "20041026", "120000", "BP")), 0);
  ASSERT_EQ(Mlt_PKeyIns(Event(run, 3, "20041026", "120000", "PU")), 0);
  ASSERT_EQ(Mlt_PKeyIns(full), 0);
  ASSERT_EQ(Mlt_PKeyIns(Event(run, 1, "20041026", "160000", "")), 0);
  ASSERT_EQ(Mlt_PKeyIns(Event("20041026120001", 2, "20041026", "090000", "AB")), 0);  // another run

  ASSERT_EQ(Mlt_PKey_Open("Nza_MPA", run), 0);
  MltSatz m = {};
  ASSERT_EQ(Mlt_PKey_Read(m), 0);
  EXPECT_STREQ(m.MltErf, "Nza_MPA");
  EXPECT_STREQ(m.MltDat, run);
  EXPECT_EQ(m.MltLfn, 4);
  EXPECT_STREQ(m.MltObj, "AB");
  EXPECT_STREQ(m.MltPnr, "PERS0001");
  EXPECT_STREQ(m.MltApl, "APL1");
  EXPECT_STREQ(m.MltApk, "AUFTRAG1");
  EXPECT_STREQ(m.MltApp, "P1");
  EXPECT_STREQ((std::string(m.Mlt00E) + m.Mlt00R + m.Mlt00A + m.Mlt00U + m.Mlt00S + m.MltBkg + m.MltPbe).c_str(),
               "ERAUSBP");
  EXPECT_STREQ(m.MltArg, "AZM1");
  EXPECT_STREQ(m.MltEmo, "AGR1");
  EXPECT_STREQ(m.MltTtp, "TT1");
  EXPECT_EQ(m.MltWoc, 44);
  EXPECT_EQ(m.MltWtg, 2);
  EXPECT_EQ(m.MltJtg, 300);
  EXPECT_STREQ(m.MltJwo, "0444");
  EXPECT_STREQ(m.MltMdtDat, "20041026");
  EXPECT_STREQ(m.MltMdtUhr, "080000");
  EXPECT_STREQ(m.MltUbg, "UBG1");
  std::vector<std::string> order;
  while (Mlt_PKey_Read(m) == 0) order.push_back(std::string(m.MltMdtUhr) + "/" + std::to_string(m.MltLfn));
  EXPECT_EQ(order, (std::vector<std::string>{"120000/3", "120000/5", "160000/1"}));
  EXPECT_EQ(m.MltLfn, 1);  // 1403 leaves the last event read
  EXPECT_STREQ(m.MltObj, "");
  EXPECT_EQ(Mlt_PKey_Close(), 0);
  EXPECT_EQ(Value("select MltMdt||'|'||Mlt00S||Mlt00U from Kzt561Mlt where MltLfn=4"), "2004-10-26 08:00:00|SU");
}

TEST_P(StatementTest, DuplicateEventNumberFailsAndEarlierEventsStay) {
  const char* run = "20041026120000";
  ASSERT_EQ(Mlt_PKeyIns(Event(run, 1, "20041026", "080000", "AB")), 0);
  ASSERT_EQ(Mlt_PKeyIns(Event(run, 2, "20041026", "160000", "AE")), 0);
  EXPECT_EQ(Mlt_PKeyIns(Event(run, 2, "20041026", "120000", "BP")), ORA_DUP_KEY);
  EXPECT_EQ(Column("select MltObj from Kzt561Mlt order by MltLfn"), "AB,AE");
  // The failed insert left no transaction behind: a later write goes through.
  EXPECT_EQ(Mlt_PKeyIns(Event(run, 3, "20041026", "120000", "BP")), 0);
  EXPECT_EQ(Value("select count(*) from Kzt561Mlt"), "3");
}

TEST_P(StatementTest, MaxLfnKeepsTheCounterOnAnEmptyTimeline) {
  const char* run = "20041026120000";
  int lfn = 42;
  EXPECT_EQ(Mlt_MaxLfn(run, "Nza_MPA", lfn), 0);
  EXPECT_EQ(lfn, 42);

  MltRow("Nza_MPA", run, 1, "2004-10-26 08:00:00");
  MltRow("Nza_MPA", run, 999, "2004-10-26 09:00:00");
  MltRow("Nza_MPA", run, 2, "2004-10-26 10:00:00");
  MltRow("Nza_MPA", "20041026120001", 5000, "2004-10-26 10:00:00");
  MltRow("Anderer", run, 6000, "2004-10-26 10:00:00");
  EXPECT_EQ(Mlt_MaxLfn(run, "Nza_MPA", lfn), 0);
  EXPECT_EQ(lfn, 999);

  // A real maximum of 0 is not mistaken for an empty timeline.
  MltRow("Nza_MPA", "20041026130000", 0, "2004-10-26 10:00:00");
  EXPECT_EQ(Mlt_MaxLfn("20041026130000", "Nza_MPA", lfn), 0);
  EXPECT_EQ(lfn, 0);
}

TEST_P(StatementTest, LoeschenEmptiesOnlyItsOwnTimeline) {
  const char* run = "20041026120000";
  for (int i = 1; i <= 4; ++i) MltRow("Nza_MPA", run, i, "2004-10-26 08:00:00");
  MltRow("Nza_MPA", "20041026120001", 1, "2004-10-26 08:00:00");
  MltRow("Anderer", run, 1, "2004-10-26 08:00:00");
  EXPECT_EQ(Mlt_Loeschen(run), 0);
  EXPECT_EQ(Column("select MltErf||'/'||MltDat k from Kzt561Mlt order by k"),
            "Anderer/20041026120000,Nza_MPA/20041026120001");
  EXPECT_EQ(Mlt_Loeschen(run), 0);  // empty timeline: open, no row, close
}

TEST_P(StatementTest, LoeschenStopsAtAFailedOpenAndGoesOnPastFailedDeletes) {
  const char* run = "20041026120000";
  MltRow("Nza_MPA", run, 1, "2004-10-26 08:00:00");
  MltRow("Nza_MPA", run, 2, "2004-10-26 09:00:00");
  SpyDriver& spy = Spy();
  spy.failOpen = ORA_NO_TABLE;
  EXPECT_EQ(Mlt_Loeschen(run), ORA_NO_TABLE);
  EXPECT_EQ(spy.calls, (std::vector<std::string>{"open"}));

  spy.failOpen = 0;
  spy.failPrefix = "delete";
  spy.calls.clear();
  EXPECT_EQ(Mlt_Loeschen(run), 0);
  EXPECT_EQ(std::count(spy.calls.begin(), spy.calls.end(), "delete  from Kzt561Mlt  where ((MltErf=:b0 and "
                                                              "MltDat=:b1) and MltLfn=:b2)"),
            2);
  EXPECT_EQ(spy.calls.back(), "close");
  EXPECT_EQ(Value("select count(*) from Kzt561Mlt"), "2");
}

// ---- marker queue and run protocol ----------------------------------------

TEST_P(StatementTest, MarkerCursorTakesOneKindInQueueOrder) {
  Sql("insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkMdt,MrkObj,MrkEsb) values "
      "('NZS','APL2','K1','P1','PERS0001',21,'2004-10-26 07:00:00','OB1','ESB1'),"
      "('NZS','APL1','K2','P1','',12,'2004-10-26 06:00:00','',''),"
      "('NZS','APL1','K1','P2','',13,'2004-10-26 05:00:00','',''),"
      "('NZS','APL1','K1','P1','',11,'2004-10-26 09:00:00','',''),"
      "('NZS','APL1','K1','P1','',10,'2004-10-26 08:00:00','',''),"
      "('ABC','APL0','K0','P0','',99,'2004-10-26 01:00:00','','')");
  MrkSatz m = {};
  Txt_Copy(m.MrkKng, "NZS");
  ASSERT_EQ(Mrk_Kng_Open(m), 0);
  std::vector<int> bnr;
  MrkSatz last = {};
  while (Mrk_Kng_Read(m) == 0) {
    bnr.push_back(m.MrkBnr);
    EXPECT_STREQ(m.MrkKng, "NZS");
    EXPECT_EQ(Db_LetzteBnr(), m.MrkBnr);
    last = m;
  }
  EXPECT_EQ(Mrk_Kng_Close(), 0);
  EXPECT_EQ(bnr, (std::vector<int>{10, 11, 13, 12, 21}));
  EXPECT_STREQ(last.MrkApl, "APL2");
  EXPECT_STREQ(last.MrkApk, "K1");
  EXPECT_STREQ(last.MrkApp, "P1");
  EXPECT_STREQ(last.MrkPnr, "PERS0001");
  EXPECT_STREQ(last.MrkMdt, "20041026070000");
  EXPECT_STREQ(last.MrkObj, "OB1");
  EXPECT_STREQ(last.MrkEsb, "ESB1");
}

TEST_P(StatementTest, ProtocolRowCarriesItsFieldsTheClockAndTheLastNumber) {
  Sql("insert into Kzt563Mrk (MrkKng,MrkBnr,MrkMdt) values ('NZS',4711,'2004-10-26 07:00:00')");
  MrkSatz m = {};
  Txt_Copy(m.MrkKng, "NZS");
  ASSERT_EQ(Mrk_Kng_Open(m), 0);
  ASSERT_EQ(Mrk_Kng_Read(m), 0);
  Mrk_Kng_Close();

  ErrSatz e = {};
  Txt_Copy(e.ErrBer, "BDE");
  Txt_Copy(e.ErrFun, "LZA");
  Txt_Copy(e.ErrEdt, "20041026081530");
  Txt_Copy(e.ErrPnr, "PERS0001");
  Txt_Copy(e.ErrApk, "AUFTRAG1");
  Txt_Copy(e.ErrApp, "P1");
  Txt_Copy(e.ErrApl, "APL1");
  e.ErrFnr = 7011;
  Txt_Copy(e.ErrPgm, "Nza_MPA");
  Txt_Copy(e.ErrObj, "OBJ");
  Txt_Copy(e.ErrErf, "ERF");
  ASSERT_EQ(Err_PKeyIns(e), 0);
  EXPECT_EQ(Value("select ErrErf||'|'||ErrEdt||'|'||ErrBer||'|'||ErrPnr||'|'||ErrApl||'|'||ErrApk||'|'||ErrApp||'|'||"
                  "ErrFnr||'|'||ErrBnr||'|'||ErrPgm||'|'||ErrFun||'|'||ErrObj from Kzt554Err"),
            "ERF|2004-10-26 08:15:30|BDE|PERS0001|APL1|AUFTRAG1|P1|7011|4711|Nza_MPA|LZA|OBJ");
  const std::string dat = Value("select ErrDat from Kzt554Err");
  EXPECT_EQ(dat.size(), 19u) << dat;  // the database clock, 'YYYY-MM-DD HH:MM:SS'

  // A usage-time row fetched afterwards supplies the number of the next row.
  NzaRow(1, "PERS000001", "2004-10-26 08:00:00", nullptr, 815);
  NzaSatz n = NzaKey(1, "PERS000001", "20041026", "080000");
  ASSERT_EQ(Nza_PKeyReadk(n), 0);
  ASSERT_EQ(Err_PKeyIns(e), 0);
  EXPECT_EQ(Column("select ErrBnr from Kzt554Err order by ErrBnr"), "815,4711");
}

// ---- processing parameters, calendar, shift models ------------------------

TEST_P(StatementTest, ParameterRowIsValidOnlyStrictlyAroundToday) {
  const std::string y = "'" + TableDay(-1) + "'";
  const std::string t = "'" + TableDay(0) + "'";
  const std::string m = "'" + TableDay(1) + "'";
  struct Case {
    const char* name;
    std::string rows;  // (NzpAkz, NzpGvn, NzpGbi, NzpAak)
    int status;
  };
  const Case cases[] = {
      {"yesterday to tomorrow", "(5," + y + "," + m + ",1)", 0},
      {"starts today", "(5," + t + "," + m + ",1)", DB_NOTFOUND},
      {"ends today 00:00", "(5," + y + "," + t + ",1)", DB_NOTFOUND},
      {"another key only", "(6," + y + "," + m + ",1)", DB_NOTFOUND},
      {"two valid rows",
       "(5," + y + "," + m + ",1),(5,'" + TableDay(-2) + "'," + m + ",1)",
       ORA_TOO_MANY_ROWS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt591Nzp");
    Sql("insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak) values " + c.rows);
    Sql("update Kzt591Nzp set NzpAwt=2,NzpKjh=3,NzpKmn=4,NzpKwo=5,NzpKtg=6,NzpAan=7,NzpVfh=8,NzpNfh=9,"
        "NzpAus='AUS',NzpMrk=10");
    NzpSatz n = {};
    n.NzpAkz = 5;
    Txt_Copy(n.NzpAus, "VORHER");
    EXPECT_EQ(Nzp_PKeyReadk(n), c.status);
    if (c.status == 0) {
      EXPECT_EQ(n.NzpAak, 1);
      EXPECT_EQ(std::string(n.NzpGvn).size(), 8u);
      EXPECT_EQ(n.NzpAwt * 1000 + n.NzpKjh * 100 + n.NzpKmn * 10 + n.NzpKwo, 2345);
      EXPECT_EQ(n.NzpKtg * 1000 + n.NzpAan * 100 + n.NzpVfh * 10 + n.NzpNfh, 6789);
      EXPECT_STREQ(n.NzpAus, "AUS");
      EXPECT_EQ(n.NzpMrk, 10);
    } else {
      EXPECT_EQ(n.NzpAak, 0);
      EXPECT_STREQ(n.NzpAus, "VORHER");
      EXPECT_STREQ(n.NzpGvn, "");
    }
  }
}

TEST_P(StatementTest, CalendarShiftMovesThroughTheTable) {
  Sql("insert into Kzt133Bak values ('2004-02-28 00:00:00',2004,2,28,9,6,59),"
      "('2004-02-29 00:00:00',2004,2,29,9,7,60),('2004-03-01 00:00:00',2004,3,1,10,1,61)");
  BakSatz b = {};
  Txt_Copy(b.BakDtm, "20040228");
  b.BakOff = 1;
  ASSERT_EQ(Bak_Versatz_Read(b), 0);
  EXPECT_STREQ(b.BakDtm, "20040229");
  EXPECT_EQ(b.BakJhr * 10000 + b.BakMon * 100 + b.BakTag, 20040229);
  EXPECT_EQ(b.BakWch, 9);
  EXPECT_EQ(b.BakWtg, 7);
  EXPECT_EQ(b.BakJtg, 60);

  Txt_Copy(b.BakDtm, "20040301");
  b.BakOff = -1;
  ASSERT_EQ(Bak_Versatz_Read(b), 0);
  EXPECT_STREQ(b.BakDtm, "20040229");

  BakSatz miss = {};
  Txt_Copy(miss.BakDtm, "20040301");
  miss.BakOff = 1;
  miss.BakJtg = 77;
  EXPECT_EQ(Bak_Versatz_Read(miss), DB_NOTFOUND);
  EXPECT_STREQ(miss.BakDtm, "20040301");
  EXPECT_EQ(miss.BakJtg, 77);

  ASSERT_EQ(Bak_Zeitraum_Open("20040229", "20040310"), 0);
  std::vector<std::string> days;
  while (Bak_Zeitraum_Read(b) == 0) days.push_back(b.BakDtm);
  Bak_Zeitraum_Close();
  EXPECT_EQ(days, (std::vector<std::string>{"20040229", "20040301"}));
}

TEST_P(StatementTest, BreakPlanOfTheModelValidOnTheDayInModelOrder) {
  Sql("insert into Kzt533Emo values ('SCHICHT1','T1','Spaet',840,1320,'PM2'),('SCHICHT1','T1','Frueh',360,840,'PM1'),"
      "('SCHICHT1','T2','Andere',0,480,'PM1')");
  Sql("insert into Kzt536Pmz values ('PM1','PS1','2004-01-01 00:00:00','2004-06-30 00:00:00'),"
      "('PM1','PS9','2004-07-01 00:00:00','2004-12-31 00:00:00'),"
      "('PM2','PS2','2004-06-30 00:00:00','2004-06-30 00:00:00')");
  Sql("insert into Kzt535Pms values ('PS1',720,750,1,2,3,4),('PS2',1080,1095,0,0,0,0),('PS9',600,615,0,0,0,0)");
  struct Case {
    const char* datum;
    std::vector<std::string> want;  // EmoTxt/PmsNum/PmsBeg
  };
  const Case cases[] = {
      {"20040630", {"Frueh/PS1/720", "Spaet/PS2/1080"}},  // both validity ends included
      {"20040701", {"Frueh/PS9/600"}},
      {"20031231", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.datum);
    ASSERT_EQ(Emo_Pausen_Open("SCHICHT1", "T1", c.datum), 0);
    EmoPmsSatz r = {};
    std::vector<std::string> got;
    while (Emo_Pausen_Read(r) == 0) {
      got.push_back(std::string(r.EmoTxt) + "/" + r.PmsNum + "/" + std::to_string(r.PmsBeg));
      EXPECT_STREQ(r.EmoEmo, "SCHICHT1");
      EXPECT_STREQ(r.EmoTtp, "T1");
      if (std::strcmp(r.PmsNum, "PS1") == 0) {
        EXPECT_EQ(r.EmoBeg, 360);
        EXPECT_EQ(r.EmoEnd, 840);
        EXPECT_EQ(r.PmsEnd, 750);
        EXPECT_EQ(r.PmsInt * 1000 + r.PmsPse * 100 + r.PmsBzt * 10 + r.PmsPrz, 1234);
      }
    }
    EXPECT_EQ(Emo_Pausen_Close(), 0);
    EXPECT_EQ(got, c.want);
  }
}

// ---- personnel time model -------------------------------------------------

TEST_P(StatementTest, WorkingTimeModelVersionByValidityStart) {
  Sql("insert into Kzt133Bak values ('2004-02-15 00:00:00',2004,2,15,7,7,46),"
      "('2004-05-15 00:00:00',2004,5,15,20,6,136),('2004-06-15 00:00:00',2004,6,15,25,2,167)");
  Sql("insert into Kzt329Ztg values ('PERS0001','2004-02-15 00:00:00','AZ1','AGR1','TT1'),"
      "('PERS0001','2004-05-15 00:00:00','AZ1','AGR1','TT1'),('PERS0001','2004-06-15 00:00:00','AZ1','AGR1','TT1')");
  Sql("insert into Kzt140Azv values ('AZ1','2004-03-01 00:00:00','PS1',1,2,360,840,3,4,5,6,480),"
      "('AZ1','2004-06-01 00:00:00','PS2',11,12,420,900,13,14,15,16,510)");
  struct Case {
    const char* datum;
    int status;
    int nov;
  };
  const Case cases[] = {{"20040215", DB_NOTFOUND, 0}, {"20040515", 0, 360}, {"20040615", 0, 420}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.datum);
    ASSERT_EQ(Ztg_AzvTag_Open("PERS0001", c.datum), 0);
    ZtgSatz z = {};
    EXPECT_EQ(Ztg_AzvTag_Read(z), c.status);
    Ztg_AzvTag_Close();
    EXPECT_EQ(z.AzvNov, c.nov);
    if (c.status != 0) continue;
    EXPECT_STREQ(z.ZtgPnr, "PERS0001");
    EXPECT_STREQ(z.ZtgVon, c.datum);
    EXPECT_STREQ(z.ZtgAzt, "AZ1");
    EXPECT_STREQ(z.ZtgAgr, "AGR1");
    EXPECT_STREQ(z.ZtgTtp, "TT1");
    EXPECT_EQ(z.AzvNob, c.nov == 360 ? 840 : 900);
    EXPECT_STREQ(z.AzvPsm, c.nov == 360 ? "PS1" : "PS2");
    EXPECT_EQ(z.AzvSol, c.nov == 360 ? 480 : 510);
    EXPECT_EQ(z.AzvMav * 1000 + z.AzvMab * 100 + z.AzvGlv * 10 + z.AzvKeb, c.nov == 360 ? 1236 : 12346);
  }
  ZtgSatz z = {};
  ASSERT_EQ(Ztg_AzvTag_Open("PERS0001", "20040615"), 0);
  ASSERT_EQ(Ztg_AzvTag_Read(z), 0);
  EXPECT_EQ(z.BakWch * 10000 + z.BakWtg * 1000 + z.BakJtg, 252167);
  EXPECT_EQ(Ztg_AzvTag_Read(z), 0);  // the older version follows
  EXPECT_EQ(z.AzvNov, 360);
  Ztg_AzvTag_Close();
}

TEST_P(StatementTest, BookingsWhollyInsideTheDayFrame) {
  Sql("insert into Kzt327Tag values ('PERS0001','2004-10-26 00:00:00','2004-10-26 00:00:00',"
      "'2004-10-26 06:00:00','2004-10-27 00:00:00','2004-10-27 06:00:00','TGB1',3)");
  Sql("insert into Kzt328Bup (BupPnr,BupVon,BupUhr,BupBis,BupEnd,BupTvo,BupTbi) values "
      "('PERS0001','2004-10-26 00:00:00','2004-10-26 13:00:00','2004-10-26 00:00:00','2004-10-26 16:00:00',780,960),"
      "('PERS0001','2004-10-26 00:00:00','2004-10-26 06:00:00','2004-10-26 00:00:00','2004-10-26 12:00:00',360,720),"
      "('PERS0001','2004-10-26 00:00:00','2004-10-26 05:59:59','2004-10-26 00:00:00','2004-10-26 07:00:00',359,420),"
      "('PERS0001','2004-10-27 00:00:00','2004-10-27 05:00:00','2004-10-27 00:00:00','2004-10-27 06:00:00',300,360),"
      "('PERS0001','2004-10-27 00:00:00','2004-10-27 05:30:00','2004-10-27 00:00:00','2004-10-27 06:00:01',330,361),"
      "('PERS0002','2004-10-26 00:00:00','2004-10-26 08:00:00','2004-10-26 00:00:00','2004-10-26 09:00:00',480,540)");
  TagSatz t = {};
  Txt_Copy(t.TagPnr, "PERS0001");
  Txt_Copy(t.TagTag, "20041026");
  ASSERT_EQ(Tag_PKeyReadk(t), 0);
  EXPECT_STREQ(t.TagVon, "20041026");
  EXPECT_STREQ(t.TagUhr, "060000");
  EXPECT_STREQ(t.TagBis, "20041027");
  EXPECT_STREQ(t.TagEnd, "060000");
  EXPECT_STREQ(t.TagTgb, "TGB1");
  EXPECT_EQ(t.TagOne, 3);
  EXPECT_STREQ(t.TagTag, "20041026");

  ASSERT_EQ(Bup_AbrTag_Open(t), 0);
  BupSatz b = {};
  std::vector<std::string> got;
  while (Bup_AbrTag_Read(b) == 0) {
    got.push_back(std::string(b.BupVon) + b.BupUhr + "-" + b.BupBis + b.BupEnd + "/" + std::to_string(b.BupTvo) +
                  "/" + std::to_string(b.BupTbi));
  }
  Bup_AbrTag_Close();
  EXPECT_EQ(got, (std::vector<std::string>{"20041026060000-20041026120000/360/720",
                                           "20041026130000-20041026160000/780/960",
                                           "20041027050000-20041027060000/300/360"}));

  TagSatz none = {};
  Txt_Copy(none.TagPnr, "PERS0001");
  Txt_Copy(none.TagTag, "20041027");
  Txt_Copy(none.TagTgb, "ALT");
  EXPECT_EQ(Tag_PKeyReadk(none), DB_NOTFOUND);
  EXPECT_STREQ(none.TagTgb, "ALT");
}

TEST_P(StatementTest, DayTimesBreakEntriesAndPersonalBreaks) {
  Sql("insert into Kzt322Gaz values ('PERS0001','2004-10-26 00:00:00',1,2,3,4,5,6,7,8,9)");
  Sql("insert into Kzt143Pse values ('PS1',2,900,915,1,2,3,4),('PS1',1,720,750,0,0,0,0),('PS2',1,0,1,0,0,0,0)");
  Sql("insert into Kzt323Gps values ('PERS0001','2004-10-26 00:00:00',1,730,760,1,2,3,4),"
      "('PERS0001','2004-10-26 00:00:00',2,910,925,0,0,0,0)");

  GazSatz g = {};
  Txt_Copy(g.GazPnr, "PERS0001");
  Txt_Copy(g.GazDtm, "20041026");
  ASSERT_EQ(Gaz_PKeyReadk(g), 0);
  EXPECT_EQ(g.GazMav * 100000000 + g.GazMab * 10000000 + g.GazNov * 1000000 + g.GazNob * 100000 +
                g.GazKev * 10000 + g.GazGlv * 1000 + g.GazGlb * 100 + g.GazKeb * 10 + g.GazSol,
            123456789);
  GazSatz gm = {};
  Txt_Copy(gm.GazPnr, "PERS0001");
  Txt_Copy(gm.GazDtm, "20041027");
  gm.GazNov = 55;
  EXPECT_EQ(Gaz_PKeyReadk(gm), DB_NOTFOUND);
  EXPECT_EQ(gm.GazNov, 55);

  ASSERT_EQ(Pse_PKey_Open("PS1"), 0);
  PseSatz p = {};
  std::vector<std::string> got;
  while (Pse_PKey_Read(p) == 0) got.push_back(std::to_string(p.PseLfd) + ":" + std::to_string(p.PseVon) + "-" +
                                               std::to_string(p.PseBis));
  Pse_PKey_Close();
  EXPECT_EQ(got, (std::vector<std::string>{"1:720-750", "2:900-915"}));
  EXPECT_EQ(p.PseMin * 1000 + p.PseMax * 100 + p.PseInt * 10 + p.PsePse, 1234);  // last entry read

  GpsSatz s = {};
  Txt_Copy(s.GpsPnr, "PERS0001");
  Txt_Copy(s.GpsDtm, "20041026");
  s.GpsLfd = 2;
  ASSERT_EQ(Gps_PKeyReadk(s), 0);
  EXPECT_EQ(s.GpsVon, 910);
  EXPECT_EQ(s.GpsBis, 925);
  s.GpsLfd = 1;
  ASSERT_EQ(Gps_PKeyReadk(s), 0);
  EXPECT_EQ(s.GpsVon, 730);
  EXPECT_EQ(s.GpsMin * 1000 + s.GpsMax * 100 + s.GpsInt * 10 + s.GpsPse, 1234);
  s.GpsLfd = 3;
  EXPECT_EQ(Gps_PKeyReadk(s), DB_NOTFOUND);
  EXPECT_EQ(s.GpsVon, 730);
}

// A personnel number longer than the time-model tables hold is refused, not
// cut to another person's number.
TEST_P(StatementTest, TooLongKeyIsRefusedNotCut) {
  Sql("insert into Kzt133Bak values ('2004-05-15 00:00:00',2004,5,15,20,6,136)");
  Sql("insert into Kzt329Ztg values ('PERS0001','2004-05-15 00:00:00','AZ1','','')");
  Sql("insert into Kzt140Azv (AzvNum,AzvGvo,AzvNov) values ('AZ1','2004-03-01 00:00:00',360)");
  EXPECT_EQ(Ztg_AzvTag_Open("PERS000199", "20040515"), ORA_VALUE_TOO_LARGE);
  ASSERT_EQ(Ztg_AzvTag_Open("PERS0001", "20040515"), 0);
  ZtgSatz z = {};
  EXPECT_EQ(Ztg_AzvTag_Read(z), 0);
  Ztg_AzvTag_Close();
  EXPECT_EQ(Mlt_PKey_Open("Nza_MPA", "200410261200001"), ORA_VALUE_TOO_LARGE);
}

TEST(HostDatumUhr, JoinsDateAndTimeRightAligned) {
  char out[15];
  Host_DatumUhr(out, "20041026", "080000");
  EXPECT_STREQ(out, "20041026080000");
  Host_DatumUhr(out, "20041026", "");
  EXPECT_STREQ(out, "20041026      ");
  Host_DatumUhr(out, "", "");
  EXPECT_STREQ(out, "              ");
  Host_DatumUhr(out, "2004102699", "0800001");  // overlong parts are cut, never overrun
  EXPECT_STREQ(out, "20041026080000");
}

TEST_P(StatementTest, SchemaRunsTwiceOnOneDatabase) {
  // SetUp has run the definitions once already.
  int n = 0;
  const char* const* s = Schema_Statements(engine_->IsPg() ? SchemaEngine::Postgres : SchemaEngine::Sqlite, &n);
  ASSERT_NE(s, nullptr);
  for (int i = 0; i < n; ++i) engine_->Exec(s[i]);
  EXPECT_EQ(Value(engine_->IsPg() ? "select count(*) from information_schema.tables where table_schema in "
                                    "('public','kzsystem')"
                                  : "select count(*) from sqlite_master where type='table'"),
            "16");
}

INSTANTIATE_TEST_SUITE_P(Engines, StatementTest, AllEngines(), EngineName);

}  // namespace

// Time-model events of rows kept under a personnel time model, against a real
// SQLite database: the days walked, the model read per day, the attendance
// events from planned times and bookings, the break events and the removal of
// repeated codes, on every engine. Every case reads the timeline back and
// compares the events (code, date, time, MltLfn) in time order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "db/DbDriver.h"
#include "db/DbMel.h"
#include "db/DbStatus.h"
#include "db/Records.h"
#include "db/Schema.h"
#include "DbFixture.h"
#include "EngineFixture.h"
#include "log/Log.h"
#include "timemodel/TimeModel.h"
#include "timemodel/TimeModelDay.h"
#include "util/Text.h"

namespace {

constexpr const char* kRun = "20041027120000";
constexpr const char* kPnr = "P1";
// The calendar table as the other program's connection names it on every
// engine.
constexpr const char* kBakTable = "Kzt133Bak";

// ---------------------------------------------------------------------------
// Events as read back from the timeline.

struct Ev {
  std::string code;
  std::string dat;
  std::string uhr;
  int lfn;
  bool operator==(const Ev&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Ev& e) {
  return os << e.code << " " << e.dat << " " << e.uhr << " #" << e.lfn;
}

using Evs = std::vector<Ev>;

std::vector<Ev> Timeline(const char* key = kRun) {
  std::vector<Ev> out;
  EXPECT_EQ(Mlt_PKey_Open("Nza_MPA", key), DB_OK);
  MltSatz m{};
  while (Mlt_PKey_Read(m) == DB_OK) out.push_back({m.MltObj, m.MltMdtDat, m.MltMdtUhr, m.MltLfn});
  Mlt_PKey_Close();
  return out;
}

// One event written the way the other timeline writers of a row write theirs.
void PutEvent(const Ev& e, const char* key = kRun) {
  MltSatz m{};
  Txt_Copy(m.MltErf, "Nza_MPA");
  Txt_Copy(m.MltDat, key);
  m.MltLfn = e.lfn;
  Txt_Copy(m.MltObj, e.code.c_str());
  Txt_Copy(m.MltPnr, kPnr);
  Txt_Copy(m.MltMdtDat, e.dat.c_str());
  Txt_Copy(m.MltMdtUhr, e.uhr.c_str());
  ASSERT_EQ(Mlt_PKeyIns(m), DB_OK) << e;
}

// ---------------------------------------------------------------------------
// Message-log entries.

struct LogEv {
  std::string funktion;
  std::string message;
  int code;
  bool operator==(const LogEv&) const = default;
};

std::ostream& operator<<(std::ostream& os, const LogEv& e) {
  return os << "{" << e.funktion << ", " << e.message << ", " << e.code << "}";
}

std::string Field(const std::string& entry, const std::string& label) {
  std::size_t p = entry.find(label);
  if (p == std::string::npos) return "?";
  p += label.size();
  std::size_t e = entry.find("\r\n", p);
  return entry.substr(p, e == std::string::npos ? std::string::npos : e - p);
}

// ---------------------------------------------------------------------------
// A driver in front of the real one that fails one chosen statement.

struct Fault {
  enum Op { Exec, Open, Fetch } op;
  int cursor;           // -1: any
  const char* sqlPart;  // empty: any
  int skip;             // matching calls let through before the fault
  int status;
};

class FaultDriver : public DbDriver {
 public:
  FaultDriver(DbDriver* real, const Fault& fault) : real_(real), fault_(fault) {}

  int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) override {
    if (int st = Hit(Fault::Exec, -1, sql)) return st;
    return real_->Execute(sql, in, nin, out, nout);
  }
  int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) override {
    if (int st = Hit(Fault::Open, cursor, sql)) return st;
    return real_->OpenCursor(cursor, sql, in, nin);
  }
  int FetchCursor(int cursor, const DbOut* out, int nout) override {
    if (int st = Hit(Fault::Fetch, cursor, nullptr)) return st;
    return real_->FetchCursor(cursor, out, nout);
  }
  int CloseCursor(int cursor) override { return real_->CloseCursor(cursor); }
  int Commit() override { return real_->Commit(); }

 private:
  int Hit(Fault::Op op, int cursor, const char* sql) {
    const Fault& f = fault_;
    if (f.op != op) return 0;
    if (f.cursor >= 0 && f.cursor != cursor) return 0;
    if (*f.sqlPart != '\0' && (sql == nullptr || std::strstr(sql, f.sqlPart) == nullptr)) return 0;
    if (skipped_ < f.skip) {
      ++skipped_;
      return 0;
    }
    return f.status;
  }
  DbDriver* real_;
  Fault fault_;
  int skipped_ = 0;
};

// ---------------------------------------------------------------------------
// Dates as the tables hold them.

std::string DbDate(const std::string& yyyymmdd, const std::string& hhmmss = "000000") {
  return yyyymmdd.substr(0, 4) + "-" + yyyymmdd.substr(4, 2) + "-" + yyyymmdd.substr(6, 2) + " " +
         hhmmss.substr(0, 2) + ":" + hhmmss.substr(2, 2) + ":" + hhmmss.substr(4, 2);
}

// Days since 1970-01-01 of a civil date.
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long yy = yoe + era * 400;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// ---------------------------------------------------------------------------

class TimeModelTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    int n = 0;
    const char* const* ddl = Schema_Statements(engine_->IsPg() ? SchemaEngine::Postgres : SchemaEngine::Sqlite, &n);
    ASSERT_NE(ddl, nullptr);
    for (int i = 0; i < n; ++i) engine_->Exec(ddl[i]);
    logPath_ = dir_.path() + "/Welfrast.Txt";
    std::string winForm = logPath_;
    for (char& c : winForm) {
      if (c == '/') c = '\\';
    }
    Log_Init(7, winForm.c_str());
    Calendar("20040101", "20041231");
  }

  void TearDown() override {
    Log_Init(0, nullptr);
    EngineTest::TearDown();
  }

  void Sql(const std::string& sql, std::initializer_list<SqlArg> args = {}) {
    engine_->Exec(sql, std::vector<SqlArg>(args));
  }

  // Calendar rows for every day from `von` to `bis`.
  void Calendar(const std::string& von, const std::string& bis) {
    Sql("begin");
    long a = DaysFromCivil(std::stoi(von.substr(0, 4)), std::stoi(von.substr(4, 2)), std::stoi(von.substr(6, 2)));
    long b = DaysFromCivil(std::stoi(bis.substr(0, 4)), std::stoi(bis.substr(4, 2)), std::stoi(bis.substr(6, 2)));
    for (long z = a; z <= b; ++z) {
      int y, m, d;
      CivilFromDays(z, y, m, d);
      char dtm[9];
      std::snprintf(dtm, sizeof dtm, "%04d%02d%02d", y, m, d);
      int wtg = static_cast<int>(((z + 3) % 7 + 7) % 7) + 1;  // Monday 1
      int jtg = static_cast<int>(z - DaysFromCivil(y, 1, 1)) + 1;
      int wch = (jtg - 1) / 7 + 1;
      Sql(std::string("insert into ") + kBakTable +
              " (BakDtm,BakJhr,BakMon,BakTag,BakWch,BakWtg,BakJtg) values (?,?,?,?,?,?,?)",
          {DbDate(dtm), y, m, d, wch, wtg, jtg});
    }
    Sql("commit");
  }
  void DropCalendarDay(const std::string& day) {
    Sql(std::string("delete from ") + kBakTable + " where BakDtm=?", {DbDate(day)});
  }

  void Model(const std::string& num, const std::string& gvo, int nov, int nob, const std::string& psm = "",
             int mav = 0, int mab = 0) {
    Sql("insert into Kzt140Azv (AzvNum,AzvGvo,AzvPsm,AzvMav,AzvMab,AzvNov,AzvNob,AzvGlv,AzvGlb,AzvKev,AzvKeb,AzvSol)"
        " values (?,?,?,?,?,?,?,0,0,0,0,0)",
        {num, DbDate(gvo), psm, mav, mab, nov, nob});
  }
  void Ztg(const std::string& day, const std::string& azt, const std::string& pnr = kPnr,
           const std::string& agr = "", const std::string& ttp = "") {
    Sql("insert into Kzt329Ztg (ZtgPnr,ZtgVon,ZtgAzt,ZtgAgr,ZtgTtp) values (?,?,?,?,?)",
        {pnr, DbDate(day), azt, agr, ttp});
  }
  void Gaz(const std::string& day, int nov, int nob, int mav = 0, int mab = 0) {
    Sql("insert into Kzt322Gaz (GazPnr,GazDtm,GazMav,GazMab,GazNov,GazNob,GazKev,GazGlv,GazGlb,GazKeb,GazSol)"
        " values (?,?,?,?,?,?,0,0,0,0,0)",
        {std::string(kPnr), DbDate(day), mav, mab, nov, nob});
  }
  // Day frame of `day` from (vonDat, vonUhr) to (bisDat, bisUhr).
  void Frame(const std::string& day, const std::string& vonDat, const std::string& vonUhr, const std::string& bisDat,
             const std::string& bisUhr) {
    Sql("insert into Kzt327Tag (TagPnr,TagTag,TagVon,TagUhr,TagBis,TagEnd,TagTgb,TagOne) values (?,?,?,?,?,?,'',0)",
        {std::string(kPnr), DbDate(day), DbDate(vonDat), DbDate(vonDat, vonUhr), DbDate(bisDat),
         DbDate(bisDat, bisUhr)});
  }
  // A booking; the minute columns follow the times unless given.
  void Booking(const std::string& vonDat, const std::string& vonUhr, const std::string& bisDat,
               const std::string& bisUhr, int tvo = -1, int tbi = -1) {
    auto minutes = [](const std::string& hhmmss) {
      return std::stoi(hhmmss.substr(0, 2)) * 60 + std::stoi(hhmmss.substr(2, 2));
    };
    if (tvo < 0) tvo = minutes(vonUhr);
    if (tbi < 0) tbi = minutes(bisUhr);
    Sql("insert into Kzt328Bup (BupPnr,BupVon,BupUhr,BupFkt,BupBis,BupEnd,BupFfk,BupTvo,BupTbi,BupAvo,BupAbi,BupWzv,"
        "BupWzb) values (?,?,?,0,?,?,0,?,?,0,0,0,0)",
        {std::string(kPnr), DbDate(vonDat), DbDate(vonDat, vonUhr), DbDate(bisDat), DbDate(bisDat, bisUhr), tvo, tbi});
  }
  void Pause(const std::string& num, int lfd, int von, int bis) {
    Sql("insert into Kzt143Pse (PseNum,PseLfd,PseVon,PseBis,PseMin,PseMax,PseInt,PsePse) values (?,?,?,?,0,0,0,0)",
        {num, lfd, von, bis});
  }
  void PauseOverride(const std::string& day, int lfd, int von, int bis) {
    Sql("insert into Kzt323Gps (GpsPnr,GpsDtm,GpsLfd,GpsVon,GpsBis,GpsMin,GpsMax,GpsInt,GpsPse)"
        " values (?,?,?,?,?,0,0,0,0)",
        {std::string(kPnr), DbDate(day), lfd, von, bis});
  }

  struct ErrRow {
    std::string pnr, edt, ber, fun, pgm, erf;
    int fnr;
  };
  std::vector<ErrRow> Protocol() {
    std::vector<ErrRow> out;
    auto text = [](const std::string& v) { return v == "<null>" ? std::string() : v; };
    for (const std::vector<std::string>& c :
         engine_->Rows("select ErrPnr,ErrEdt,ErrBer,ErrFun,ErrPgm,ErrErf,ErrFnr from Kzt554Err order by ErrEdt")) {
      out.push_back({text(c[0]), text(c[1]), text(c[2]), text(c[3]), text(c[4]), text(c[5]), std::atoi(c[6].c_str())});
    }
    return out;
  }
  std::vector<std::string> ProtocolDays() {
    std::vector<std::string> out;
    for (const ErrRow& r : Protocol()) out.push_back(r.edt);
    return out;
  }

  std::vector<LogEv> LogEntries() {
    std::ifstream f(logPath_, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string all = ss.str();
    std::vector<LogEv> out;
    std::size_t p = all.find('\xFE');
    while (p != std::string::npos) {
      std::size_t q = all.find('\xFE', p + 1);
      std::string entry = all.substr(p, q == std::string::npos ? std::string::npos : q - p);
      out.push_back({Field(entry, "Funktion___: "), Field(entry, "Message____: "),
                     std::atoi(Field(entry, "ErrorCode__: ").c_str())});
      p = q;
    }
    return out;
  }

  // The day record as Azv_Tag_Ermitteln leaves it for a model.
  static ZtgSatz Day(const char* day, int nov, int nob, const char* psm = "") {
    ZtgSatz z{};
    Txt_Copy(z.ZtgPnr, kPnr);
    Txt_Copy(z.ZtgVon, day);
    Txt_Copy(z.ZtgAzt, "M1");
    Txt_Copy(z.AzvPsm, psm);
    z.AzvNov = nov;
    z.AzvNob = nob;
    return z;
  }

  static NzaSatz Row(const char* vonDat, const char* bisDat, const char* pnr = kPnr) {
    NzaSatz n{};
    n.NzaSa = 1;
    Txt_Copy(n.NzaPnr, pnr);
    Txt_Copy(n.NzaDtmDat, vonDat);
    Txt_Copy(n.NzaDtmUhr, "080000");
    Txt_Copy(n.NzaEdtDat, bisDat);
    Txt_Copy(n.NzaEdtUhr, "160000");
    n.NzaPzm = 1;
    return n;
  }

  TempDir dir_;
  std::string logPath_;
};

// ===========================================================================
// Azv_Tag_Ermitteln: the model version valid on the day, the day-specific
// times, and the protocol row of a day without a model.

TEST_P(TimeModelTest, DayModelIsTheNewestVersionValidOnTheDayWithDaySpecificTimes) {
  Model("M1", "20040301", 420, 960, "PS1", 1, 2);
  Model("M1", "20040601", 480, 1020, "PS2", 3, 4);
  for (const char* d : {"20040215", "20040515", "20040615", "20040616"}) Ztg(d, "M1");
  Gaz("20040616", 360, 840, 7, 8);
  Gaz("20040215", 100, 200, 9, 9);  // a day without a model stays skipped

  struct Case {
    const char* day;
    int result;
    int nov, nob, mav, mab;
    const char* psm;
  };
  const Case cases[] = {
      {"20040515", 1, 420, 960, 1, 2, "PS1"},
      {"20040615", 1, 480, 1020, 3, 4, "PS2"},
      {"20040616", 1, 360, 840, 7, 8, "PS2"},
      {"20040215", 0, 0, 0, 0, 0, ""},
      {"20040617", 0, 0, 0, 0, 0, ""},  // no Ztg row at all
  };
  std::vector<std::string> expectProtocol;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.day);
    ZtgSatz z{};
    Txt_Copy(z.ZtgPnr, kPnr);
    Txt_Copy(z.ZtgVon, c.day);
    EXPECT_EQ(Azv_Tag_Ermitteln(z), c.result);
    if (c.result == 1) {
      EXPECT_STREQ(z.ZtgAzt, "M1");
      EXPECT_STREQ(z.AzvPsm, c.psm);
      EXPECT_EQ(z.AzvNov, c.nov);
      EXPECT_EQ(z.AzvNob, c.nob);
      EXPECT_EQ(z.AzvMav, c.mav);
      EXPECT_EQ(z.AzvMab, c.mab);
    } else {
      expectProtocol.push_back(DbDate(c.day, "000001"));
    }
  }
  std::sort(expectProtocol.begin(), expectProtocol.end());
  EXPECT_EQ(ProtocolDays(), expectProtocol);
  EXPECT_TRUE(LogEntries().empty());
}

// ===========================================================================
// Mlt_ZeitDaten_PZM: the days walked.

TEST_P(TimeModelTest, WalksFromTheDayBeforeTheBeginToTheEndDate) {
  struct Case {
    const char* name;
    const char* von;
    const char* bis;
    const char* missingDay;  // calendar day removed, or ""
    std::vector<std::string> days;
  };
  const Case cases[] = {
      {"within one date", "20041027", "20041027", "", {"20041026", "20041027"}},
      {"across midnight", "20041027", "20041028", "", {"20041026", "20041027", "20041028"}},
      {"calendar without the day before", "20041027", "20041028", "20041026", {"20041027", "20041028"}},
      {"first day of the calendar", "20040101", "20040101", "", {"20040101"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt554Err");
    if (*c.missingDay) DropCalendarDay(c.missingDay);
    Mlt_ZeitDaten_PZM(kRun, Row(c.von, c.bis));
    std::vector<std::string> want;
    for (const std::string& d : c.days) want.push_back(DbDate(d, "000001"));
    EXPECT_EQ(ProtocolDays(), want);  // no model anywhere: one row per day visited
    EXPECT_TRUE(Timeline().empty());
    if (*c.missingDay) Calendar(c.missingDay, c.missingDay);
  }
}

TEST_P(TimeModelTest, DayWithoutModelWritesProtocolRowAndNoEvents) {
  Model("M1", "20040101", 420, 960);
  Ztg("20041027", "M1", "P1234567", "AG1", "TT");
  Sql("insert into Kzt327Tag (TagPnr,TagTag,TagVon,TagUhr,TagBis,TagEnd,TagTgb,TagOne) values (?,?,?,?,?,?,'',0)",
      {std::string("P1234567"), DbDate("20041027"), DbDate("20041027"), DbDate("20041027", "060000"),
       DbDate("20041027"), DbDate("20041027", "200000")});

  // A personnel number of 10 characters is carried with its first 8.
  Mlt_ZeitDaten_PZM(kRun, Row("20041027", "20041027", "P123456789"));

  std::vector<ErrRow> p = Protocol();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].edt, "2004-10-26 00:00:01");
  EXPECT_EQ(p[0].pnr, "P1234567");
  EXPECT_EQ(p[0].fnr, 7004);
  EXPECT_EQ(p[0].pgm, "Nza_MPA");
  EXPECT_EQ(p[0].ber, "BDE");
  EXPECT_EQ(p[0].fun, "NZM");
  EXPECT_EQ(p[0].erf, "");

  EXPECT_EQ(Timeline(), (Evs{{"KM", "20041027", "070000", 1}, {"GH", "20041027", "160000", 2}}));

  // The events carry the day's model and calendar attributes.
  ASSERT_EQ(Mlt_PKey_Open("Nza_MPA", kRun), DB_OK);
  MltSatz m{};
  ASSERT_EQ(Mlt_PKey_Read(m), DB_OK);
  Mlt_PKey_Close();
  EXPECT_STREQ(m.MltPnr, "P1234567");
  EXPECT_STREQ(m.MltArg, "M1");
  EXPECT_STREQ(m.MltEmo, "AG1");
  EXPECT_STREQ(m.MltTtp, "TT");
  EXPECT_STREQ(m.MltJwo, "2004");
  EXPECT_EQ(m.MltWtg, 3);  // a Wednesday
  EXPECT_EQ(m.MltJtg, 301);
  EXPECT_EQ(m.MltWoc, 43);
  EXPECT_STREQ(m.MltApl, "");
  EXPECT_STREQ(m.MltUbg, "");
  EXPECT_STREQ(m.Mlt00E, "");
}

TEST_P(TimeModelTest, DaySpecificTimesMoveThePlannedAttendance) {
  Model("M1", "20040101", 420, 960);
  Ztg("20041027", "M1");
  Gaz("20041027", 360, 840);
  Frame("20041027", "20041027", "000000", "20041027", "235900");
  Mlt_ZeitDaten_PZM(kRun, Row("20041027", "20041027"));
  EXPECT_EQ(Timeline(), (Evs{{"KM", "20041027", "060000", 1}, {"GH", "20041027", "140000", 2}}));
}

// A failed open of the model cursor reads no model: the day must not be built
// from the previous day's record.
TEST_P(TimeModelTest, FailedModelCursorSkipsTheDayWithoutProtocolRow) {
  Model("M1", "20040101", 420, 960);
  Ztg("20041026", "M1");
  Ztg("20041027", "M1");
  Frame("20041026", "20041026", "000000", "20041026", "235900");
  Frame("20041027", "20041027", "000000", "20041027", "235900");

  FaultDriver f(driver_, {Fault::Open, CUR_ZTG_AZVTAG, "", 1, ORA_IO});
  Db_Install(&f);
  Mlt_ZeitDaten_PZM(kRun, Row("20041027", "20041027"));
  Db_Install(driver_);

  EXPECT_EQ(Timeline(), (Evs{{"KM", "20041026", "070000", 1}, {"GH", "20041026", "160000", 2}}));
  EXPECT_TRUE(Protocol().empty());
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Azv_Tag_Ermitteln", "Ztg_AzvTag_Open", ORA_IO}}));
}

// ===========================================================================
// The day counter continues from the timeline.

TEST_P(TimeModelTest, DayCounterContinuesFromTheTimeline) {
  Model("M1", "20040101", 420, 960);
  Ztg("20041026", "M1");
  Ztg("20041027", "M1");
  // Begin/end and interruption events of the row.
  PutEvent({"AB", "20041027", "080000", 1});
  PutEvent({"PU", "20041027", "100000", 2});
  PutEvent({"PW", "20041027", "101500", 3});
  PutEvent({"AE", "20041027", "160000", 4});
  // The 26th ends at its frame end ("GH" 999); the 27th has no bookings.
  Frame("20041026", "20041026", "060000", "20041026", "160000");
  Booking("20041026", "070000", "20041026", "160000");
  Frame("20041027", "20041027", "000000", "20041027", "235900");

  Mlt_ZeitDaten_PZM(kRun, Row("20041027", "20041027"));
  EXPECT_EQ(Timeline(), (Evs{
                            {"KM", "20041026", "070000", 5},
                            {"GH", "20041026", "160000", 999},
                            {"KM", "20041027", "070000", 1000},
                            {"AB", "20041027", "080000", 1},
                            {"PU", "20041027", "100000", 2},
                            {"PW", "20041027", "101500", 3},
                            {"AE", "20041027", "160000", 4},
                            {"GH", "20041027", "160000", 1001},
                        }));
  EXPECT_TRUE(LogEntries().empty());
}

// Two days of one row that both end at their frame end: the second "GH" 999
// is refused by the timeline's key and logged; the day's other events stay.
TEST_P(TimeModelTest, SecondFrameEndDepartureOfARowIsRefusedAndLogged) {
  Model("M1", "20040101", 420, 960);
  Ztg("20041026", "M1");
  Ztg("20041027", "M1");
  Frame("20041026", "20041026", "060000", "20041026", "160000");
  Booking("20041026", "070000", "20041026", "160000");
  Frame("20041027", "20041027", "060000", "20041027", "160000");
  Booking("20041027", "080000", "20041027", "120000");
  Booking("20041027", "123000", "20041027", "160000");

  Mlt_ZeitDaten_PZM(kRun, Row("20041027", "20041027"));
  EXPECT_EQ(Timeline(), (Evs{
                            {"KM", "20041026", "070000", 1},
                            {"GH", "20041026", "160000", 999},
                            {"KM", "20041027", "080000", 1000},
                            {"BP", "20041027", "120000", 1001},
                            {"EP", "20041027", "123000", 1002},
                        }));
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Mlt_PA_Datem_PZM", "Mlt_PKeyIns(1)", ORA_DUP_KEY}}));
}

TEST_P(TimeModelTest, FailedCounterLookupStartsAtZero) {
  ZtgSatz z = Day("20041027", 420, 960);
  Frame("20041027", "20041027", "000000", "20041027", "235900");
  FaultDriver f(driver_, {Fault::Exec, -1, "max(MLTLFN)", 0, ORA_IO});
  Db_Install(&f);
  Mlt_PA_Tag_PZM(kRun, z);
  Db_Install(driver_);
  EXPECT_EQ(Timeline(), (Evs{{"KM", "20041027", "070000", 1}, {"GH", "20041027", "160000", 2}}));
  EXPECT_TRUE(LogEntries().empty());
}

// ===========================================================================
// Mlt_PA_Daten_PZM: attendance from planned times and bookings.

struct Bu {
  const char* vonDat;
  const char* vonUhr;
  const char* bisDat;
  const char* bisUhr;
  int tvo = -1;
  int tbi = -1;
};

struct DatenCase {
  const char* name;
  const char* day;
  int nov, nob;
  const char* frVonDat;
  const char* frVonUhr;
  const char* frBisDat;
  const char* frBisUhr;
  std::vector<Bu> bookings;
  int counter;
  Evs want;
  int counterAfter;
};

TEST_P(TimeModelTest, AttendanceFromPlannedTimesAndBookings) {
  const char* D = "20040315";
  const char* Dm = "20040314";
  const char* Dp = "20040316";
  const DatenCase cases[] = {
      {"no bookings, day model", D, 420, 960, D, "000000", D, "235900", {}, 4,
       {{"KM", D, "070000", 5}, {"GH", D, "160000", 6}}, 6},
      {"no bookings, night model", D, 1320, 360, D, "120000", Dp, "120000", {}, 0,
       {{"KM", D, "220000", 1}, {"GH", Dp, "060000", 2}}, 2},
      {"planned end 1440", D, 420, 1440, D, "000000", D, "235900", {}, 0,
       {{"KM", D, "070000", 1}, {"GH", D, "235959", 2}}, 2},
      {"planned end equal to the begin", D, 480, 480, D, "000000", D, "235900", {}, 0,
       {{"KM", D, "080000", 1}, {"GH", D, "080000", 2}}, 2},
      {"bookings overlapping the frame are not selected", D, 420, 960, D, "060000", D, "160000",
       {{D, "050000", D, "070000"}, {D, "150000", D, "170000"}}, 0,
       {{"KM", D, "070000", 1}, {"GH", D, "160000", 2}}, 2},
      {"gap between bookings, the second ends at the frame end", D, 420, 960, D, "060000", D, "160000",
       {{D, "123000", D, "160000"}, {D, "070000", D, "120000"}}, 4,
       {{"KM", D, "070000", 5}, {"BP", D, "120000", 6}, {"EP", D, "123000", 7}, {"GH", D, "160000", 999}}, 7},
      {"frame ends later: no departure", D, 420, 960, D, "060000", D, "220000",
       {{D, "070000", D, "120000"}, {D, "123000", D, "160000"}}, 4,
       {{"KM", D, "070000", 5}, {"BP", D, "120000", 6}, {"EP", D, "123000", 7}, {"BP", D, "160000", 8}}, 8},
      {"event times come from the minute columns", D, 420, 960, D, "060000", D, "220000",
       {{D, "070000", D, "120000", 425, 718}}, 0,
       {{"KM", D, "070500", 1}, {"BP", D, "115800", 2}}, 2},
      {"booking from the day before", D, 360, 840, Dm, "200000", D, "200000",
       {{Dm, "220000", D, "053000"}}, 0,
       {{"BP", D, "053000", 2}, {"KM", D, "060000", 1}}, 2},
      {"booking from the day before ending at the frame end", D, 360, 840, Dm, "200000", D, "053000",
       {{Dm, "220000", D, "053000"}}, 0,
       {{"GH", D, "053000", 999}, {"KM", D, "060000", 1}}, 1},
      {"two bookings beginning the day before", D, 360, 840, Dm, "200000", D, "200000",
       {{Dm, "220000", Dm, "230000"}, {Dm, "233000", D, "053000"}}, 0,
       {{"BP", D, "053000", 2}, {"KM", D, "060000", 1}, {"GH", D, "060000", 999}}, 2},
      {"booking after the planned end date", D, 1320, 360, D, "200000", "20040317", "120000",
       {{D, "210000", Dp, "050000"}, {"20040317", "010000", "20040317", "030000"}}, 0,
       {{"KM", D, "210000", 1}, {"BP", Dp, "050000", 2}, {"GH", Dp, "060000", 999}}, 2},
  };
  for (const DatenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt327Tag");
    Sql("delete from Kzt328Bup");
    Sql("delete from Kzt561Mlt");
    Frame(c.day, c.frVonDat, c.frVonUhr, c.frBisDat, c.frBisUhr);
    for (const Bu& b : c.bookings) Booking(b.vonDat, b.vonUhr, b.bisDat, b.bisUhr, b.tvo, b.tbi);
    ZtgSatz z = Day(c.day, c.nov, c.nob);
    int lfn = c.counter;
    Mlt_PA_Daten_PZM(kRun, z, lfn);
    EXPECT_EQ(Timeline(), c.want);
    EXPECT_EQ(lfn, c.counterAfter);
  }
  EXPECT_TRUE(LogEntries().empty());
}

TEST_P(TimeModelTest, AttendanceWithoutDayFrameWritesNothingButBreaksStillCome) {
  Model("M1", "20040101", 420, 960, "PS1");
  Ztg("20041027", "M1");
  Pause("PS1", 1, 720, 750);
  ZtgSatz z{};
  Txt_Copy(z.ZtgPnr, kPnr);
  Txt_Copy(z.ZtgVon, "20041027");
  ASSERT_EQ(Azv_Tag_Ermitteln(z), 1);
  Mlt_PA_Tag_PZM(kRun, z);
  EXPECT_EQ(Timeline(), (Evs{{"BP", "20041027", "120000", 1}, {"EP", "20041027", "123000", 2}}));
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Tag_PKeyReadk", "Mlt_PA_Daten_PZM", DB_NOTFOUND}}));
}

TEST_P(TimeModelTest, RefusedAttendanceInsertsAreLoggedAndTheRestGoesOn) {
  const char* D = "20041027";
  struct Case {
    const char* name;
    std::vector<Bu> bookings;
    std::vector<int> taken;  // MltLfn already in the timeline
    Evs want;                // events written by the call (taken ones left out)
    std::vector<LogEv> log;
  };
  const Case cases[] = {
      {"planned begin", {}, {1}, {{"GH", D, "160000", 2}},
       {{"Mlt_PA_Datem_PZM", "Mlt_PKeyIns(AzvSolBeg)", ORA_DUP_KEY}}},
      {"planned end", {}, {2}, {{"KM", D, "070000", 1}},
       {{"Mlt_PA_Datem_PZM", "Mlt_PKeyIns(AzvSolEnd)", ORA_DUP_KEY}}},
      {"booking events", {{D, "070000", D, "120000"}, {D, "123000", D, "200000"}}, {2, 3},
       {{"KM", D, "070000", 1}, {"GH", D, "200000", 999}},
       {{"Mlt_PA_Datem_PZM", "Mlt_PKeyIns(1)", ORA_DUP_KEY}, {"Mlt_PA_Datem_PZM", "Mlt_PKeyIns(1)", ORA_DUP_KEY}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt327Tag");
    Sql("delete from Kzt328Bup");
    Sql("delete from Kzt561Mlt");
    std::remove(logPath_.c_str());
    Frame(D, D, "060000", D, "200000");
    for (const Bu& b : c.bookings) Booking(b.vonDat, b.vonUhr, b.bisDat, b.bisUhr);
    for (int n : c.taken) PutEvent({"XX", "20041001", "000000", n});
    int lfn = 0;
    Mlt_PA_Daten_PZM(kRun, Day(D, 420, 960), lfn);
    Evs got;
    for (const Ev& e : Timeline())
      if (e.code != "XX") got.push_back(e);
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(LogEntries(), c.log);
  }
}

TEST_P(TimeModelTest, FailedBookingReadKeepsWhatWasWrittenAndIsLogged) {
  const char* D = "20041027";
  Frame(D, D, "060000", D, "200000");
  Booking(D, "070000", D, "120000");
  Booking(D, "123000", D, "160000");
  struct Case {
    const char* name;
    Fault fault;
    Evs want;
  };
  const Case cases[] = {
      {"first read", {Fault::Fetch, CUR_BUP_ABRTAG, "", 0, ORA_IO},
       {{"KM", D, "070000", 1}, {"GH", D, "160000", 2}}},
      {"cursor not opened", {Fault::Open, CUR_BUP_ABRTAG, "", 0, ORA_IO},
       {{"KM", D, "070000", 1}, {"GH", D, "160000", 2}}},
      {"second read", {Fault::Fetch, CUR_BUP_ABRTAG, "", 1, ORA_IO},
       {{"KM", D, "070000", 1}, {"BP", D, "120000", 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt561Mlt");
    std::remove(logPath_.c_str());
    FaultDriver f(driver_, c.fault);
    Db_Install(&f);
    int lfn = 0;
    Mlt_PA_Daten_PZM(kRun, Day(D, 420, 960), lfn);
    Db_Install(driver_);
    EXPECT_EQ(Timeline(), c.want);
    // A read on the cursor that did not open reports the cursor as not open.
    int status = c.fault.op == Fault::Open ? ORA_INVALID_CURSOR : ORA_IO;
    EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Mlt_PA_Datem_PZM", "Bup_AbrTag_Read()", status}}));
  }
}

// ===========================================================================
// Mlt_PA_Pausen_PZM: break events of the break model.

struct PausenCase {
  const char* name;
  int nov, nob;
  std::vector<std::vector<int>> entries;    // {lfd, von, bis}
  std::vector<std::vector<int>> overrides;  // {lfd, von, bis} on the day
  int counter;
  Evs want;
};

TEST_P(TimeModelTest, BreakEventsOfTheBreakModel) {
  const char* D = "20041027";
  const char* Dp = "20041028";
  const PausenCase cases[] = {
      {"day model", 420, 960, {{1, 720, 750}, {2, 900, 915}}, {}, 6,
       {{"BP", D, "120000", 7}, {"EP", D, "123000", 8}, {"BP", D, "150000", 9}, {"EP", D, "151500", 10}}},
      {"personal override of entry 2", 420, 960, {{1, 720, 750}, {2, 900, 915}}, {{2, 930, 945}}, 6,
       {{"BP", D, "120000", 7}, {"EP", D, "123000", 8}, {"BP", D, "153000", 9}, {"EP", D, "154500", 10}}},
      {"night model after midnight", 1320, 360, {{1, 0, 30}}, {}, 0,
       {{"BP", Dp, "000000", 1}, {"EP", Dp, "003000", 2}}},
      {"night model up to 1440", 1320, 360, {{1, 1410, 1440}}, {}, 0,
       {{"BP", D, "233000", 1}, {"EP", D, "235959", 2}}},
      {"night model across midnight", 1320, 360, {{1, 1425, 15}}, {}, 0,
       {{"BP", D, "234500", 1}, {"EP", Dp, "001500", 2}}},
      {"day model, break before the planned begin", 420, 960, {{1, 360, 390}}, {}, 0,
       {{"BP", Dp, "060000", 1}, {"EP", Dp, "063000", 2}}},
      {"break model without entries", 420, 960, {}, {}, 3, {}},
  };
  for (const PausenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt143Pse");
    Sql("delete from Kzt323Gps");
    Sql("delete from Kzt561Mlt");
    for (const auto& e : c.entries) Pause("PS1", e[0], e[1], e[2]);
    for (const auto& o : c.overrides) PauseOverride(D, o[0], o[1], o[2]);
    Pause("PS9", 1, 600, 610);  // another break model
    int lfn = c.counter;
    Mlt_PA_Pausen_PZM(kRun, Day(D, c.nov, c.nob, "PS1"), lfn);
    EXPECT_EQ(Timeline(), c.want);
    EXPECT_EQ(lfn, c.counter + static_cast<int>(c.want.size()));
  }
  EXPECT_TRUE(LogEntries().empty());
}

TEST_P(TimeModelTest, BreakOnALastCalendarDayStaysOnThatDay) {
  const char* D = "20041231";  // the calendar ends here
  Pause("PS1", 1, 0, 30);
  int lfn = 0;
  Mlt_PA_Pausen_PZM(kRun, Day(D, 1320, 360, "PS1"), lfn);
  EXPECT_EQ(Timeline(), (Evs{{"BP", D, "000000", 1}, {"EP", D, "003000", 2}}));
}

TEST_P(TimeModelTest, RefusedBreakInsertsAndFailedBreakCursorAreLogged) {
  const char* D = "20041027";
  Pause("PS1", 1, 720, 750);
  Pause("PS1", 2, 900, 915);
  PutEvent({"XX", "20041001", "000000", 1});  // takes the number of the first "BP"
  PutEvent({"YY", "20041001", "000001", 4});  // and of the second "EP"
  int lfn = 0;
  Mlt_PA_Pausen_PZM(kRun, Day(D, 420, 960, "PS1"), lfn);
  EXPECT_EQ(Timeline(), (Evs{{"XX", "20041001", "000000", 1},
                             {"YY", "20041001", "000001", 4},
                             {"EP", D, "123000", 2},
                             {"BP", D, "150000", 3}}));
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Mlt_PA_Pausen_PZM", "Mlt_PKeyIns(MSK_BP)", ORA_DUP_KEY},
                                              {"Mlt_PA_Pausen_PZM", "Mlt_PKeyIns(MSK_EP)", ORA_DUP_KEY}}));

  Sql("delete from Kzt561Mlt");
  std::remove(logPath_.c_str());
  FaultDriver f(driver_, {Fault::Fetch, CUR_PSE_PKEY, "", 1, ORA_IO});
  Db_Install(&f);
  lfn = 0;
  Mlt_PA_Pausen_PZM(kRun, Day(D, 420, 960, "PS1"), lfn);
  Db_Install(driver_);
  EXPECT_EQ(Timeline(), (Evs{{"BP", D, "120000", 1}, {"EP", D, "123000", 2}}));
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Mlt_PA_Pausen_PZM", "Cursor: Pse_PKey_Read()", ORA_IO}}));
}

// ===========================================================================
// Removal of repeated codes over the whole timeline of the run key.

TEST_P(TimeModelTest, RepeatedCodesAreRemoved) {
  const char* D = "20041027";
  struct Case {
    const char* name;
    Evs before;
    Evs after;
  };
  const Case cases[] = {
      {"a later KM goes",
       {{"KM", D, "070000", 1}, {"AB", D, "080000", 2}, {"KM", D, "073000", 3}},
       {{"KM", D, "070000", 1}, {"AB", D, "080000", 2}}},
      {"of two EP the later stays",
       {{"BP", D, "114500", 1}, {"BP", D, "120000", 2}, {"EP", D, "121500", 3}, {"EP", D, "123000", 4}},
       {{"BP", D, "114500", 1}, {"EP", D, "123000", 4}}},
      {"of three EP the last stays",
       {{"BP", D, "100000", 1}, {"EP", D, "103000", 2}, {"EP", D, "110000", 3}, {"EP", D, "113000", 4},
        {"GH", D, "160000", 5}},
       {{"BP", D, "100000", 1}, {"EP", D, "113000", 4}, {"GH", D, "160000", 5}}},
      {"of three KM the first stays",
       {{"KM", D, "070000", 3}, {"KM", D, "071000", 1}, {"KM", D, "072000", 2}},
       {{"KM", D, "070000", 3}}},
      {"codes with others between are kept",
       {{"BP", D, "100000", 1}, {"EP", D, "101500", 2}, {"BP", D, "120000", 3}, {"EP", D, "123000", 4}},
       {{"BP", D, "100000", 1}, {"EP", D, "101500", 2}, {"BP", D, "120000", 3}, {"EP", D, "123000", 4}}},
      {"same instant: the sequence number decides",
       {{"EP", D, "120000", 7}, {"EP", D, "120000", 6}},
       {{"EP", D, "120000", 7}}},
      {"other run keys are not touched", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sql("delete from Kzt561Mlt");
    for (const Ev& e : c.before) PutEvent(e);
    PutEvent({"KM", D, "070000", 1}, "20041027115959");
    PutEvent({"KM", D, "080000", 2}, "20041027115959");
    int lfn = 0;
    Mlt_PA_Pausen_PZM(kRun, Day(D, 420, 960, ""), lfn);  // no break model: cleanup only
    EXPECT_EQ(Timeline(), c.after);
    EXPECT_EQ(Timeline("20041027115959").size(), 2u);
    EXPECT_EQ(lfn, 0);
  }
  EXPECT_TRUE(LogEntries().empty());
}

TEST_P(TimeModelTest, BookingGapAndModelBreakMergeIntoOneBreak) {
  const char* D = "20041027";
  Model("M1", "20040101", 420, 960, "PS1");
  Ztg(D, "M1");
  Frame(D, D, "060000", D, "160000");
  Booking(D, "070000", D, "120000");
  Booking(D, "123000", D, "160000");
  Pause("PS1", 1, 705, 735);
  Mlt_ZeitDaten_PZM(kRun, Row(D, D));  // the 26th has no model
  // Before the cleanup: KM 07:00 (1), BP 11:45 (4), BP 12:00 (2), EP 12:15 (5),
  // EP 12:30 (3), GH 16:00 (999).
  EXPECT_EQ(Timeline(), (Evs{{"KM", D, "070000", 1},
                             {"BP", D, "114500", 4},
                             {"EP", D, "123000", 3},
                             {"GH", D, "160000", 999}}));
  EXPECT_EQ(ProtocolDays(), (std::vector<std::string>{"2004-10-26 00:00:01"}));
  EXPECT_TRUE(LogEntries().empty());
}

TEST_P(TimeModelTest, FailedDeleteOfARepeatedCodeIsLoggedAndTheCleanupGoesOn) {
  const char* D = "20041027";
  PutEvent({"KM", D, "070000", 1});
  PutEvent({"KM", D, "073000", 2});
  PutEvent({"AB", D, "080000", 3});
  PutEvent({"AB", D, "090000", 4});
  FaultDriver f(driver_, {Fault::Exec, -1, "delete  from Kzt561Mlt", 0, ORA_RESOURCE_BUSY});
  Db_Install(&f);
  int lfn = 0;
  Mlt_PA_Pausen_PZM(kRun, Day(D, 420, 960, ""), lfn);
  Db_Install(driver_);
  EXPECT_EQ(Timeline().size(), 4u);
  EXPECT_EQ(LogEntries(), (std::vector<LogEv>{{"Mlt_PA_Pausen_PZM", "Mlt_PKeyDel", ORA_RESOURCE_BUSY},
                                              {"Mlt_PA_Pausen_PZM", "Mlt_PKeyDel", ORA_RESOURCE_BUSY}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, TimeModelTest, AllEngines(), EngineName);

}  // namespace

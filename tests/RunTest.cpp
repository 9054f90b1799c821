// End-to-end runs of the batch: start-up order, argument check, marker loop
// and run protocol, on every engine.

#include <gtest/gtest.h>

#include <ctime>

#include "EngineFixture.h"
#include "RunFixture.h"
#include "db/DbDriver.h"
#include "db/Schema.h"
#include "log/Log.h"
#include "run/Nzp.h"
#include "run/Protokoll.h"
#include "util/Text.h"

namespace {

// The clock as the tables hold date-times.
std::string Stamp() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

class RunTest : public RunTreeTest {
 protected:
  void Marker(const char* kng, const char* apl, const char* apk, const char* app, const char* pnr, int bnr,
              const char* mdt) {
    char sql[512];
    std::snprintf(sql, sizeof sql,
                  "insert into Kzt563Mrk (MrkKng,MrkApl,MrkApk,MrkApp,MrkPnr,MrkBnr,MrkObj,MrkMdt,MrkEsb) "
                  "values ('%s','%s','%s','%s','%s',%d,'OBJ','%s','E')",
                  kng, apl, apk, app, pnr, bnr, mdt);
    tree_.Sql(sql);
  }
};

TEST_P(RunTest, AWrongArgumentCountIsLoggedAndWritesNothing) {
  Marker("NZS", "APL1", "K1", "P1", "N1", 1, "2004-10-26 08:00:00");
  struct Case {
    std::vector<std::string> args;
    int errorCode;
  } cases[] = {{{}, 1}, {{"A", "B"}, 3}};
  for (const Case& c : cases) {
    std::remove(tree_.logPath().c_str());
    EXPECT_EQ(tree_.Batch(c.args), 0);
    std::vector<LogLine> log = tree_.Log();
    ASSERT_EQ(log.size(), 1u) << tree_.BatchOutput();
    EXPECT_EQ(log[0].msgArt, "FMSG ");
    EXPECT_EQ(log[0].funktion, "Nzs_Ermitteln");
    EXPECT_EQ(log[0].message, "Anzahl Parameter <> 6");
    EXPECT_EQ(log[0].errorCode, c.errorCode);
    EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err"), "0");
  }
  EXPECT_EQ(tree_.Value("select count(*) from Kzt563Mrk"), "1");
}

TEST_P(RunTest, AFailedConnectGivesOnlyTheConnectEntry) {
  std::remove((tree_.root() + "/files/korvalis.ini").c_str());
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"RUN"}}) {
    std::remove(tree_.logPath().c_str());
    EXPECT_EQ(tree_.Batch(args), 0);
    std::vector<LogLine> log = tree_.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].funktion, "dbConnect");
    EXPECT_EQ(log[0].message, "Fehlerhafte Connect mit der DB ");
    EXPECT_LT(log[0].errorCode, 0);
  }
  // A settings file naming a database that does not exist: the batch does
  // not create one. On SQLite a login of its own (the file takes none), on
  // PostgreSQL the real one, so that the database is what is missing.
  const std::string pass = tree_.IsPg() ? tree_.Password() : "secret-password";
  tree_.WriteIni(tree_.IsPg() ? tree_.Login() : "u", pass, tree_.MissingService());
  std::remove(tree_.logPath().c_str());
  EXPECT_EQ(tree_.Batch({"RUN"}), 0);
  std::vector<LogLine> log = tree_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].funktion, "dbConnect");
  EXPECT_LT(log[0].errorCode, 0);
  EXPECT_FALSE(tree_.MissingDatabaseCreated());
  // Neither the log nor the screen shows the login.
  std::string all = ReadFile(tree_.logPath()) + tree_.BatchOutput();
  EXPECT_EQ(all.find(pass), std::string::npos);
  EXPECT_EQ(all.find("nowhere"), std::string::npos);
}

// The connect string LOGIN/PASS@NET8 holds at most 100 characters; a longer
// one is refused rather than cut into another login. On PostgreSQL a role of
// its own with a login that fills its setting and a service of a long name,
// so that 100 characters reach a server that takes them.
TEST_P(RunTest, AConnectStringOfMoreThan100CharactersIsRefused) {
  Marker("NZS", "APL1", "K1", "P1", "N1", 1, "2004-10-26 08:00:00");
  std::string service = tree_.service();
  std::string login(40, 'u');
  if (tree_.IsPg()) {
    service = tree_.AddService(std::string(30, 's'));
    login = "wf_u" + std::to_string(getpid());
    login.resize(40, 'u');
  }
  ASSERT_LE(login.size() + 2 + service.size(), 100u);
  const std::string password(100 - 2 - login.size() - service.size(), 'p');
  if (tree_.IsPg()) {
    tree_.Sql("create role " + login + " login password '" + password + "'");
    tree_.Sql("grant usage on schema kzsystem to " + login + "; grant all on all tables in schema public, kzsystem to " +
              login);
  }
  struct Case {
    std::size_t length;
    const char* rows;  // protocol rows after the run
  } cases[] = {{100, "1"}, {101, "1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    tree_.WriteIni(login, std::string(c.length - 2 - login.size() - service.size(), 'p'), service);
    std::remove(tree_.logPath().c_str());
    EXPECT_EQ(tree_.Batch({"RUN"}), 0);
    std::vector<LogLine> log = tree_.Log();
    if (c.length <= 100) {
      EXPECT_TRUE(log.empty()) << ReadFile(tree_.logPath());
    } else {
      ASSERT_EQ(log.size(), 1u);
      EXPECT_EQ(log[0].funktion, "dbConnect");
      EXPECT_LT(log[0].errorCode, 0);
    }
    EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err"), c.rows);
  }
  if (tree_.IsPg()) tree_.Sql("drop owned by " + login + "; drop role " + login);
}

TEST_P(RunTest, EveryNzsMarkerGetsOneProtocolRowPerRun) {
  Marker("NZS", "APL2", "K1", "P1", "N9", 71, "2004-10-26 09:00:00");
  Marker("XYZ", "APL0", "K0", "P0", "N0", 70, "2004-10-26 07:00:00");
  Marker("NZS", "APL1", "K2", "P1", "N8", 72, "2004-10-26 10:00:00");
  Marker("NZS", "APL1", "K1", "P1", "N7", 73, "2004-10-26 11:00:00");
  Marker("NZA", "APL1", "K1", "P1", "N7", 74, "2004-10-26 11:00:00");

  std::string before = Stamp();
  EXPECT_EQ(tree_.Batch({"NACHTLAUF12"}), 0);
  std::string after = Stamp();
  EXPECT_EQ(tree_.Log().size(), 0u) << ReadFile(tree_.logPath());

  // Markers are taken in the order of workplace, order, position, time.
  SqlRows got = tree_.Rows(std::string("select ErrErf, ErrEdt, ErrBer, ErrPnr, ErrApl, ErrApk, ErrApp, ErrFnr, "
                                       "ErrBnr, ErrPgm, ErrFun, ErrDat, ErrObj from Kzt554Err order by ") +
                           tree_.InsertOrder());
  const char* keys[][4] = {{"APL1", "K1", "P1", "73"}, {"APL1", "K2", "P1", "72"}, {"APL2", "K1", "P1", "71"}};
  int rows = 0;
  for (const std::vector<std::string>& row : got) {
    ASSERT_LT(rows, 3);
    auto col = [&](int i) { return row[static_cast<std::size_t>(i)]; };
    std::string edt = col(1);
    EXPECT_GE(edt, before);
    EXPECT_LE(edt, after);
    EXPECT_EQ(col(2), "BDE");
    EXPECT_EQ(col(10), "LZA");
    EXPECT_EQ(col(7), "7011");
    EXPECT_EQ(col(4), keys[rows][0]);
    EXPECT_EQ(col(5), keys[rows][1]);
    EXPECT_EQ(col(6), keys[rows][2]);
    EXPECT_EQ(col(8), keys[rows][3]);  // the marker's booking number
    for (int empty : {0, 3, 9, 12}) EXPECT_TRUE(col(empty).empty() || col(empty) == "<null>") << empty;
    EXPECT_NE(col(11), "<null>");
    ++rows;
  }
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(tree_.Value("select count(*) from Kzt563Mrk"), "5");

  EXPECT_EQ(tree_.Batch({"NACHTLAUF12"}), 0);
  EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err where ErrFnr=7011"), "6");
  EXPECT_EQ(tree_.Value("select count(*) from Kzt563Mrk"), "5");
}

TEST_P(RunTest, AnEmptyQueueWritesNothing) {
  Marker("XYZ", "APL0", "K0", "P0", "N0", 70, "2004-10-26 07:00:00");
  EXPECT_EQ(tree_.Batch({"RUN"}), 0);
  EXPECT_EQ(tree_.Value("select count(*) from Kzt554Err"), "0");
  EXPECT_EQ(tree_.Log().size(), 0u);
}

TEST_P(RunTest, AFailedProtocolInsertIsLoggedOncePerMarker) {
  Marker("NZS", "APL1", "K1", "P1", "N1", 1, "2004-10-26 08:00:00");
  Marker("NZS", "APL2", "K1", "P1", "N1", 2, "2004-10-26 08:00:00");
  tree_.Sql("drop table Kzt554Err");
  EXPECT_EQ(tree_.Batch({"RUN"}), 0);
  std::vector<LogLine> log = tree_.Log();
  ASSERT_EQ(log.size(), 2u);
  for (const LogLine& l : log) {
    EXPECT_EQ(l.funktion, "Fehler_AuftragAfo");
    EXPECT_EQ(l.message, "Err_PKeyIns");
    EXPECT_EQ(l.errorCode, -942);
  }
}

// The switch of key 5, loaded from the parameter table of a real database.
class NzpTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    int n = 0;
    const char* const* ddl = Schema_Statements(engine_->IsPg() ? SchemaEngine::Postgres : SchemaEngine::Sqlite, &n);
    for (int i = 0; i < n; ++i) engine_->Exec(ddl[i]);
  }
  void Param(int akz, const std::string& von, const std::string& bis, int aak) {
    engine_->Exec("insert into Kzt591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak) values (" + std::to_string(akz) + ",'" +
                  von + "','" + bis + "'," + std::to_string(aak) + ")");
  }
};

TEST_P(NzpTest, TheSwitchOfKeyFive) {
  struct Case {
    const char* what;
    int vonDays, bisDays, aak, expected;
  } cases[] = {
      {"valid from yesterday to tomorrow", -1, 1, 1, 1},
      {"period starting today", 0, 1, 1, 0},
      {"period ending today 00:00", -1, 0, 1, 0},
      {"switch value 2", -1, 1, 2, 0},
  };
  for (const Case& c : cases) {
    engine_->Exec("delete from Kzt591Nzp");
    Param(5, TableDay(c.vonDays), TableDay(c.bisDays), c.aak);
    Param(4, TableDay(-1), TableDay(1), 1);
    Nzp5Aak = 7;
    Nzp_Laden();
    EXPECT_EQ(Nzp5Aak, c.expected) << c.what;
  }
  engine_->Exec("delete from Kzt591Nzp");
  Nzp_Laden();
  EXPECT_EQ(Nzp5Aak, 0) << "no row";
  Param(5, TableDay(-2), TableDay(2), 1);
  Param(5, TableDay(-1), TableDay(3), 1);
  Nzp_Laden();
  EXPECT_EQ(Nzp5Aak, 0) << "two valid rows";
}

// A finding of the evaluation: the writer puts in its own program, recorder,
// area and function over whatever the caller set, and logs a failed insert.
class ProtokollTest : public NzpTest {
 protected:
  void TearDown() override {
    Log_Init(0, nullptr);
    NzpTest::TearDown();
  }
  TempDir dir_;
};

TEST_P(ProtokollTest, WriteProtokollCompletesTheRowAndLogsAFailedInsert) {
  const std::string logPath = dir_.path() + "/Welfrast.Txt";
  Log_Init(7, logPath.c_str());
  ErrSatz e = {};
  Txt_Copy(e.ErrBer, "XYZ");
  Txt_Copy(e.ErrFun, "LZA");
  Txt_Copy(e.ErrPgm, "ANDERS");
  Txt_Copy(e.ErrErf, "ERF");
  Txt_Copy(e.ErrEdt, "20041026081530");
  Txt_Copy(e.ErrPnr, "PERS0001");
  Txt_Copy(e.ErrApl, "APL1");
  e.ErrFnr = 7012;
  Txt_Copy(e.ErrObj, "OBJ");
  Write_Protokoll(e);
  EXPECT_STREQ(e.ErrPgm, "Nza_MPA");
  EXPECT_STREQ(e.ErrErf, "");
  EXPECT_STREQ(e.ErrBer, "BDE");
  EXPECT_STREQ(e.ErrFun, "NZM");
  EXPECT_EQ(engine_->Value("select coalesce(ErrErf,'')||'|'||ErrBer||'|'||ErrFun||'|'||ErrPgm||'|'||ErrPnr||'|'||"
                           "ErrApl||'|'||ErrFnr||'|'||ErrObj||'|'||ErrEdt from Kzt554Err"),
            "|BDE|NZM|Nza_MPA|PERS0001|APL1|7012|OBJ|2004-10-26 08:15:30");
  EXPECT_EQ(ReadFile(logPath), "");

  engine_->Exec("drop table Kzt554Err");
  Write_Protokoll(e);
  const std::string log = ReadFile(logPath);
  EXPECT_NE(log.find("Message____: Err_PKeyIns\r\nFunktion___: Write_Protokoll\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("ErrorCode__: -942\r\n"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Engines, RunTest, AllEngines(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, NzpTest, AllEngines(), EngineName);
INSTANTIATE_TEST_SUITE_P(Engines, ProtokollTest, AllEngines(), EngineName);

}  // namespace

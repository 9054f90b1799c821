// What only the PostgreSQL driver does: the translation of the statement
// texts, connecting (URI, service, failures), the server's own status codes,
// server-side cursors and a lost connection.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "EngineFixture.h"
#include "RunFixture.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"
#include "db/PgDriver.h"

namespace {

TEST(PgTranslate, CalendarShiftAndParameterDates) {
  PgStatement p;
  ASSERT_TRUE(Pg_Translate(
      "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr into :b0:b1,:b2:b3  from KzSystem.Kzt133Bak where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)",
      &p));
  EXPECT_EQ(p.text,
            "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr   from KzSystem.Kzt133Bak where BakDtm=($1+($2)*interval '1 day')");
  ASSERT_EQ(p.shape.names.size(), 2u);
  ASSERT_EQ(p.source.size(), 2u);
  EXPECT_EQ(p.shape.names[p.source[0]], "b14");
  EXPECT_EQ(p.dateFormat[0], "yyyymmdd");
  EXPECT_EQ(p.shape.names[p.source[1]], "b15");
  EXPECT_EQ(p.dateFormat[1], "");

  // One bind name read as text and as a date gives two parameters.
  ASSERT_TRUE(Pg_Translate("update T set S=:b1,D=TO_DATE(:b1,'yyyymmddHH24MISS'),E=sysdate where K=:b0", &p));
  EXPECT_EQ(p.text,
            "update T set S=$1,D=$2,E=date_trunc('second',CAST(statement_timestamp() AS timestamp)) where K=$3");
  EXPECT_EQ(p.shape.names[p.source[0]], "b1");
  EXPECT_EQ(p.shape.names[p.source[1]], "b1");
  EXPECT_EQ(p.dateFormat[1], "yyyymmddHH24MISS");
  EXPECT_EQ(p.shape.names[p.source[2]], "b0");
}

TEST(PgTranslate, TodayLiteralsAndOtherArguments) {
  PgStatement p;
  ASSERT_TRUE(Pg_Translate(
      "select NzpAkz into :b0:b1  from Kzt591Nzp where ((NzpAkz=:b0 and NzpGvn<trunc(sysdate)) and NzpGbi>trunc(sysdate))",
      &p));
  EXPECT_EQ(p.text,
            "select NzpAkz   from Kzt591Nzp where ((NzpAkz=$1 and NzpGvn<date_trunc('day',CAST(statement_timestamp() AS "
            "timestamp))) and NzpGbi>date_trunc('day',CAST(statement_timestamp() AS timestamp)))");
  // Literals are left alone.
  ASSERT_TRUE(Pg_Translate("select 'sysdate :b9 TO_DATE(x,y)' into :b0:b1  from T where K=:b0", &p));
  EXPECT_EQ(p.text, "select 'sysdate :b9 TO_DATE(x,y)'   from T where K=$1");
  // A literal date is converted here, and a wrong one fails every run.
  ASSERT_TRUE(Pg_Translate("select K into :b0:b1  from T where D>TO_DATE('20040229','yyyymmdd')", &p));
  EXPECT_EQ(p.text, "select K   from T where D>TIMESTAMP '2004-02-29 00:00:00'");
  EXPECT_EQ(p.error, 0);
  ASSERT_TRUE(Pg_Translate("select K into :b0:b1  from T where D>TO_DATE('20041329','yyyymmdd')", &p));
  EXPECT_EQ(p.error, -1843);
  // Any other argument is the server's to read.
  ASSERT_TRUE(Pg_Translate("select K into :b0:b1  from T where D>TO_DATE(CONCAT(:b2,'01'),'yyyymmdd')", &p));
  EXPECT_EQ(p.text,
            "select K   from T where D>CAST(to_timestamp(nullif(btrim(CAST((CONCAT($1,'01')) AS text),' '),''),"
            "'yyyymmdd') AS timestamp(0))");
  EXPECT_FALSE(Pg_Translate("select a into :b0:b1, from T", &p));
}

// A test on a database of its own on the PostgreSQL test server.
class PgDriverTest : public EngineTest {
 protected:
  PgEngine& pg() { return static_cast<PgEngine&>(*engine_); }
  std::string User() const { return EnvText("WELFRAST_PG_USER"); }
  std::string Password() const { return EnvText("WELFRAST_PG_PASSWORD"); }
};

TEST_P(PgDriverTest, ConnectFailuresMapToOracleNumbers) {
  struct {
    std::string service, user, password;
    int status;
  } cases[] = {
      {pg().uri(), User(), "not-the-password", ORA_LOGON_DENIED},
      {pg().uri(), "nobody_here", Password(), ORA_LOGON_DENIED},
      {pg().uri(), User(), "", ORA_LOGON_DENIED},  // the server asks for a password
      {PgUriWithDatabase(pg().uri(), "no_such_database"), User(), Password(), ORA_CANT_RESOLVE},
      {"postgresql:///welfrast?host=/nonexistent-socket-dir&port=5", User(), Password(), ORA_NO_LISTENER},
      {"postgresql://127.0.0.1:1/welfrast", User(), Password(), ORA_NO_LISTENER},
      {"postgresql://[::1/welfrast", User(), Password(), ORA_CANT_RESOLVE},
      {"postgres://host/db?no_such_keyword=1", User(), Password(), ORA_CANT_RESOLVE},
      {"pgservice:", User(), Password(), ORA_CANT_RESOLVE},
  };
  for (const auto& c : cases) {
    int st = 0;
    DbDriver* d = Db_OpenDriver(c.service.c_str(), c.user.c_str(), c.password.c_str(), &st);
    EXPECT_EQ(d, nullptr) << c.service;
    EXPECT_EQ(st, c.status) << c.service;
    delete d;
  }
}

TEST_P(PgDriverTest, ConnectsThroughAService) {
  // A service file holding the connection of the test database.
  PQconninfoOption* opts = PQconninfoParse(pg().uri().c_str(), nullptr);
  ASSERT_NE(opts, nullptr);
  TempDir dir;
  std::string file = dir.path() + "/pg_service.conf";
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "[wf_test]\n");
  for (PQconninfoOption* o = opts; o->keyword != nullptr; ++o) {
    if (o->val != nullptr && std::string(o->keyword) != "password") std::fprintf(f, "%s=%s\n", o->keyword, o->val);
  }
  std::fclose(f);
  PQconninfoFree(opts);
  std::string saved = EnvText("PGSERVICEFILE");
  setenv("PGSERVICEFILE", file.c_str(), 1);

  int st = -1;
  DbDriver* d = Db_OpenDriver("pgservice:wf_test", User().c_str(), Password().c_str(), &st);
  EXPECT_EQ(st, 0);
  ASSERT_NE(d, nullptr);
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  EXPECT_EQ(d->Execute("select 41+1 into :b0:b1  from pg_database where datname=current_database()", nullptr, 0, out, 1), 0);
  EXPECT_EQ(n, 42);
  delete d;
  EXPECT_EQ(Db_OpenDriver("pgservice:no_such_service", User().c_str(), Password().c_str(), &st), nullptr);
  EXPECT_EQ(st, ORA_CANT_RESOLVE);

  if (saved.empty()) {
    unsetenv("PGSERVICEFILE");
  } else {
    setenv("PGSERVICEFILE", saved.c_str(), 1);
  }
}

TEST_P(PgDriverTest, ServerStatusCodes) {
  engine_->Exec(
      "create table P (K integer primary key); create table Ch (K integer references P, S varchar(3), N smallint);"
      "insert into P values (1); insert into Ch values (1, 'abc', 1)");
  int32_t one = 1, two = 2, big = 40000;
  DbIn parent[] = {DbInInt("b0", one)}, orphan[] = {DbInInt("b0", two)};
  EXPECT_EQ(Db_Exec("insert into Ch (K) values (:b0)", orphan, 1), ORA_PARENT_KEY);
  EXPECT_EQ(Db_Exec("delete  from P  where K=:b0", parent, 1), -2292);
  DbIn longText[] = {DbInTxt("b0", "abcd")};
  EXPECT_EQ(Db_Exec("update Ch set S=:b0", longText, 1), -12899);
  DbIn tooBig[] = {DbInInt("b0", big)};
  EXPECT_EQ(Db_Exec("update Ch set N=:b0", tooBig, 1), ORA_INT_OVERFLOW);
  DbIn word[] = {DbInTxt("b0", "x")};
  EXPECT_EQ(Db_Exec("update Ch set N=CAST(:b0 AS integer)", word, 1), ORA_NUMBER);
  EXPECT_EQ(Db_Exec("insert into NoSchema.Ch (K) values (:b0)", parent, 1), ORA_NO_TABLE);
  // Savepoints: an unknown one is reported and harms nothing.
  EXPECT_EQ(Db_Exec("rollback  to Never_Sp", nullptr, 0), -1086);
  EXPECT_EQ(Db_Exec("savepoint X_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Exec("savepoint X_Sp", nullptr, 0), 0);  // set again
  EXPECT_EQ(Db_Exec("insert into P (K) values (:b0)", orphan, 1), 0);
  EXPECT_EQ(Db_Exec("rollback  to Never_Sp", nullptr, 0), -1086);
  EXPECT_EQ(Db_Commit(), 0);
  EXPECT_EQ(engine_->Value("select count(*) from P"), "2");
  EXPECT_TRUE(engine_->NoOpenTransaction());
}

TEST_P(PgDriverTest, CursorRowsComeFromTheServerInBatches) {
  engine_->Exec("create table R (N integer); insert into R select g from generate_series(1, 1000) g");
  const char* sql = "select N  from R where N>=:b0 order by N";
  int32_t lo = 1;
  DbIn in[] = {DbInInt("b0", lo)};
  ASSERT_EQ(Db_Open(CUR_MRK_KNG, sql, in), 0);
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  ASSERT_EQ(Db_Fetch(CUR_MRK_KNG, out), 0);
  // The cursor's connection waits in its snapshot, the rest of the rows
  // still on the server.
  EXPECT_EQ(engine_->Value("select count(*) from pg_stat_activity where datname=current_database() and "
                           "state='idle in transaction' and query like 'FETCH " +
                           std::to_string(PG_FETCH_ROWS) + " FROM %'"),
            "1");
  long sum = n;
  while (Db_Fetch(CUR_MRK_KNG, out) == 0) sum += n;
  EXPECT_EQ(sum, 500500);
  EXPECT_EQ(Db_Close(CUR_MRK_KNG), 0);
  EXPECT_TRUE(engine_->NoOpenTransaction());
}

TEST_P(PgDriverTest, ALostConnectionIsReportedNotFatal) {
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  DbIn none[] = {DbInInt("b9", n)};
  ASSERT_EQ(Db_SelectInto("select 1 into :b0:b1  from pg_database where datname=current_database() and :b9=0", none, out), 0);
  ASSERT_EQ(Db_Exec("savepoint L_Sp", nullptr, 0), 0);
  EXPECT_EQ(engine_->Value("select count(pg_terminate_backend(pid)) from pg_stat_activity where "
                           "datname=current_database() and application_name='welfrast'"),
            "1");
  DbIn in[] = {DbInTxt("b0", "x")};
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", in, 1), ORA_NOT_CONNECTED);
  EXPECT_EQ(Db_Write("savepoint L_Sp", "insert into T (K) values (:b0)", "rollback  to L_Sp", in), ORA_NOT_CONNECTED);
  EXPECT_EQ(Db_SelectInto("select 1 into :b0:b1  from pg_database where :b9=0", none, out), ORA_NOT_CONNECTED);
  EXPECT_EQ(Db_Commit(), ORA_NOT_CONNECTED);
}

TEST_P(PgDriverTest, AdminInitCreatesTheTables) {
  TempDir dir;
  std::string out = dir.path() + "/admin.out";
  setenv("WELFRAST_LOGIN", User().c_str(), 1);
  setenv("WELFRAST_PASSWORD", Password().c_str(), 1);
  for (int round = 0; round < 2; ++round) {  // tables that exist are left as they are
    EXPECT_EQ(RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast-admin", {"init", pg().uri()}, dir.path(), out), 0)
        << ReadFile(out + ".err");
    EXPECT_EQ(ReadFile(out), "tables ready\n");
  }
  setenv("WELFRAST_PASSWORD", "wrong", 1);
  EXPECT_EQ(RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast-admin", {"init", pg().uri()}, dir.path(), out), 1);
  EXPECT_EQ(ReadFile(out + ".err").find(Password()), std::string::npos);
  unsetenv("WELFRAST_LOGIN");
  unsetenv("WELFRAST_PASSWORD");

  auto tables = [&](const char* schema) {
    return engine_->Value(std::string("select count(*) from information_schema.tables where table_schema='") +
                          schema + "'");
  };
  EXPECT_EQ(tables("kzsystem"), "1");
  EXPECT_EQ(tables("public"), "15");
  auto type = [&](const char* table, const char* column) {
    return engine_->Value(std::string("select data_type from information_schema.columns where table_name='") +
                          table + "' and column_name='" + column + "'");
  };
  EXPECT_EQ(type("kzt133bak", "bakdtm"), "timestamp without time zone");
  EXPECT_EQ(type("kzt590nza", "nzagum"), "double precision");
  EXPECT_EQ(type("kzt590nza", "nzasa"), "integer");
  EXPECT_EQ(type("kzt561mlt", "mltdat"), "character varying");
  EXPECT_EQ(engine_->Value("select count(*) from pg_indexes where schemaname='public' and indexname like '%_folge'"),
            "3");
}

INSTANTIATE_TEST_SUITE_P(Server, PgDriverTest, ::testing::Values("postgresql"), EngineName);

}  // namespace

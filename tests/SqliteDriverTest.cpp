#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "DbFixture.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"
#include "db/SqlText.h"

TEST(SqlText, SplitsTheIntoListAndBindsByName) {
  SqlShape s;
  ASSERT_TRUE(Sql_Parse("select a ,b into :b0:b1,:b2:b3  from T where (a=:b0 and c=:b4) or d=:b0", &s));
  EXPECT_TRUE(s.hasInto);
  EXPECT_EQ(s.outputs, 2);
  EXPECT_EQ(s.text, "select a ,b   from T where (a=:b0 and c=:b4) or d=:b0");
  ASSERT_EQ(s.names.size(), 2u);
  EXPECT_EQ(s.names[0], "b0");
  EXPECT_EQ(s.names[1], "b4");
  EXPECT_EQ(Sql_NumberBinds(s, "$"), "select a ,b   from T where (a=$1 and c=$2) or d=$1");

  ASSERT_TRUE(Sql_Parse("insert into T (a,b) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", &s));
  EXPECT_FALSE(s.hasInto);
  EXPECT_EQ(s.kind, SqlKind::Insert);
  EXPECT_EQ(s.names.size(), 2u);

  ASSERT_TRUE(Sql_Parse("rollback  to Err_PKeyIns_Sp", &s));
  EXPECT_EQ(s.kind, SqlKind::RollbackTo);
  EXPECT_EQ(s.savepoint, "Err_PKeyIns_Sp");
  ASSERT_TRUE(Sql_Parse("savepoint Mlt_PKeyIns_Sp", &s));
  EXPECT_EQ(s.kind, SqlKind::Savepoint);
  EXPECT_EQ(s.savepoint, "Mlt_PKeyIns_Sp");

  // A colon inside a literal is no bind name.
  ASSERT_TRUE(Sql_Parse("select 'x:b9' from T where a=:b1", &s));
  ASSERT_EQ(s.names.size(), 1u);
  EXPECT_EQ(s.names[0], "b1");
}

TEST(SqlText, RewritesADatePlusDays) {
  std::string t = "where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)";
  Sql_RewriteDatePlusDays(t, "ADD");
  EXPECT_EQ(t, "where BakDtm=(ADD(TO_DATE(:b14,'yyyymmdd'),:b15))");
  std::string u = "values (TO_DATE(:b1,'yyyymmdd'),:b2)";
  Sql_RewriteDatePlusDays(u, "ADD");
  EXPECT_EQ(u, "values (TO_DATE(:b1,'yyyymmdd'),:b2)");
}

class SqliteDriverTest : public SqliteFixture {
 protected:
  void SetUp() override {
    SqliteFixture::SetUp();
    SqlExec(other_,
            "create table T (K TEXT NOT NULL, N INTEGER, D TEXT, A REAL, S TEXT, primary key (K));"
            "insert into T values ('a', 1, '2004-10-26 22:00:00', 1.30, 'alpha');"
            "insert into T values ('b', 2, NULL, NULL, NULL);"
            "insert into T values ('c', 3, '2004-02-29 00:00:00', 2.5, 'gamma');");
  }
};

TEST_F(SqliteDriverTest, SingleRowSelectResults) {
  const char* sql =
      "select N ,TO_CHAR(D,'yyyymmdd') ,TO_CHAR(D,'HH24MISS') ,A ,S into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9  from T where K=:b0";
  int32_t n = -7;
  char dat[9] = "x", uhr[7] = "y", s[4] = "z";
  double a = -1;
  DbOut out[] = {DbOutInt(n), DbOutTxt(dat), DbOutTxt(uhr), DbOutDbl(a), DbOutTxt(s)};

  DbIn inA[] = {DbInTxt("b0", "a")};
  ASSERT_EQ(Db_SelectInto(sql, inA, out), 0);
  EXPECT_EQ(n, 1);
  EXPECT_STREQ(dat, "20041026");
  EXPECT_STREQ(uhr, "220000");
  EXPECT_DOUBLE_EQ(a, 1.30);
  EXPECT_STREQ(s, "alp");  // cut to the field

  // NULL columns: numbers 0, texts (formatted dates included) empty.
  DbIn inB[] = {DbInTxt("b0", "b")};
  ASSERT_EQ(Db_SelectInto(sql, inB, out), 0);
  EXPECT_EQ(n, 2);
  EXPECT_STREQ(dat, "");
  EXPECT_STREQ(uhr, "");
  EXPECT_EQ(a, 0.0);
  EXPECT_STREQ(s, "");

  // No row: 1403 and the outputs untouched.
  n = 42;
  DbIn inX[] = {DbInTxt("b0", "x")};
  EXPECT_EQ(Db_SelectInto(sql, inX, out), DB_NOTFOUND);
  EXPECT_EQ(n, 42);

  // Several rows: -1422, outputs untouched.
  const char* many = "select N into :b0:b1  from T where N>=:b2";
  int32_t lo = 1;
  DbIn inM[] = {DbInInt("b2", lo)};
  DbOut outM[] = {DbOutInt(n)};
  EXPECT_EQ(Db_SelectInto(many, inM, outM), ORA_TOO_MANY_ROWS);
  EXPECT_EQ(n, 42);
}

TEST_F(SqliteDriverTest, BindsAreCheckedByName) {
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  DbIn none[] = {DbInTxt("b7", "a")};
  EXPECT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0", none, out), ORA_NOT_ALL_BOUND);
  // One name used twice is one value.
  DbIn twice[] = {DbInTxt("b0", "c")};
  ASSERT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0 and S>:b0", twice, out), 0);
  EXPECT_EQ(n, 3);
}

TEST_F(SqliteDriverTest, StatusCodesOfFailures) {
  DbIn dup[] = {DbInTxt("b0", "a")};
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", dup, 1), ORA_DUP_KEY);
  EXPECT_EQ(Db_Exec("insert into Nowhere (K) values (:b0)", dup, 1), ORA_NO_TABLE);
  EXPECT_EQ(Db_Exec("insert into T (K) values (NULL)", nullptr, 0), ORA_NOT_NULL);
  EXPECT_EQ(Db_Exec("update T set N=1 where K=:b0", dup, 1), DB_OK);
  DbIn miss[] = {DbInTxt("b0", "zz")};
  EXPECT_EQ(Db_Exec("update T set N=1 where K=:b0", miss, 1), DB_NOTFOUND);
  EXPECT_EQ(Db_Exec("delete  from T  where K=:b0", miss, 1), DB_NOTFOUND);
  DbIn badDate[] = {DbInTxt("b0", "q"), DbInTxt("b1", "20041301000000")};
  EXPECT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", badDate, 2), -1843);
}

TEST_F(SqliteDriverTest, DatesWrittenThroughToDate) {
  DbIn full[] = {DbInTxt("b0", "d"), DbInTxt("b1", "20041027080000")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", full, 2), 0);
  EXPECT_EQ(SqlValue(other_, "select D from T where K='d'"), "2004-10-27 08:00:00");
  // An empty end date and time ("%8s%6s" of empty fields) is written as NULL.
  DbIn blank[] = {DbInTxt("b0", "e"), DbInTxt("b1", "              ")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", blank, 2), 0);
  EXPECT_EQ(SqlValue(other_, "select D from T where K='e'"), "<null>");
  // A date plus a number of days, as the calendar shift uses it.
  int32_t plus = 1;
  char dat[9] = "";
  DbIn shift[] = {DbInTxt("b14", "20040228"), DbInInt("b15", plus)};
  DbOut out[] = {DbOutTxt(dat)};
  ASSERT_EQ(Db_SelectInto("select TO_CHAR((TO_DATE(:b14,'yyyymmdd')+:b15),'yyyymmdd') into :b0:b1  from KzSystem.T where K='a'",
                          shift, out), 0);
  EXPECT_STREQ(dat, "20040229");
}

TEST_F(SqliteDriverTest, WriteShapeCommitsOrRollsBackToTheSavepoint) {
  DbIn ok[] = {DbInTxt("b0", "n1")};
  EXPECT_EQ(Db_Write("savepoint X_Sp", "insert into T (K) values (:b0)", "rollback  to X_Sp", ok), 0);
  DbIn dup[] = {DbInTxt("b0", "a")};
  EXPECT_EQ(Db_Write("savepoint X_Sp", "insert into T (K) values (:b0)", "rollback  to X_Sp", dup), ORA_DUP_KEY);
  // The committed row is visible to another program at once, and the failed
  // write left no transaction open: the other program can write.
  EXPECT_EQ(SqlValue(other_, "select count(*) from T where K='n1'"), "1");
  SqlExec(other_, "insert into T (K) values ('other')");
  EXPECT_TRUE(sqlite3_get_autocommit(other_));
}

TEST_F(SqliteDriverTest, CursorReadsAsOfItsOpenAcrossCommits) {
  const char* sql = "select K ,N  from T where N>=:b0 order by K";
  int32_t lo = 0;
  DbIn in[] = {DbInInt("b0", lo)};
  ASSERT_EQ(Db_Open(CUR_NZA_PKEY, sql, in), 0);
  char k[4] = "";
  int32_t n = 0;
  DbOut out[] = {DbOutTxt(k), DbOutInt(n)};
  ASSERT_EQ(Db_Fetch(CUR_NZA_PKEY, out), 0);
  EXPECT_STREQ(k, "a");
  // The session deletes the next row and updates another, each committed.
  DbIn b[] = {DbInTxt("b0", "b")};
  ASSERT_EQ(Db_Write("savepoint D_Sp", "delete  from T  where K=:b0", "rollback  to D_Sp", b), 0);
  DbIn c[] = {DbInTxt("b0", "c")};
  ASSERT_EQ(Db_Write("savepoint U_Sp", "update T set N=99 where K=:b0", "rollback  to U_Sp", c), 0);
  SqlExec(other_, "insert into T (K, N) values ('bb', 5)");
  ASSERT_EQ(Db_Fetch(CUR_NZA_PKEY, out), 0);
  EXPECT_STREQ(k, "b");  // deleted meanwhile, still delivered
  ASSERT_EQ(Db_Fetch(CUR_NZA_PKEY, out), 0);
  EXPECT_STREQ(k, "c");
  EXPECT_EQ(n, 3);       // as it was at the open
  EXPECT_EQ(Db_Fetch(CUR_NZA_PKEY, out), DB_NOTFOUND);
  EXPECT_STREQ(k, "c");  // a fetch at the end leaves the record as it was
  EXPECT_EQ(Db_Close(CUR_NZA_PKEY), 0);
  EXPECT_EQ(Db_Fetch(CUR_NZA_PKEY, out), ORA_INVALID_CURSOR);

  // Re-opened, it sees the committed state.
  ASSERT_EQ(Db_Open(CUR_NZA_PKEY, sql, in), 0);
  int rows = 0;
  while (Db_Fetch(CUR_NZA_PKEY, out) == 0) ++rows;
  EXPECT_EQ(rows, 3);  // a, bb, c
  EXPECT_EQ(Db_Close(CUR_NZA_PKEY), 0);
}

TEST_F(SqliteDriverTest, AWriteWaitsForAnotherProgramsLock) {
  SqlExec(other_, "BEGIN IMMEDIATE; insert into T (K) values ('held')");
  std::thread release([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SqlExec(other_, "COMMIT");
  });
  auto t0 = std::chrono::steady_clock::now();
  DbIn in[] = {DbInTxt("b0", "mine")};
  int st = Db_Write("savepoint W_Sp", "insert into T (K) values (:b0)", "rollback  to W_Sp", in);
  auto waited = std::chrono::steady_clock::now() - t0;
  release.join();
  EXPECT_EQ(st, 0);
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_EQ(SqlValue(other_, "select count(*) from T where K in ('held','mine')"), "2");
}

TEST(SqliteConnect, RefusesAMissingOrForeignFile) {
  TempDir dir;
  int st = 0;
  EXPECT_EQ(Db_OpenDriver(("sqlite:" + dir.path() + "/missing.db").c_str(), "", "", &st), nullptr);
  EXPECT_EQ(st, ORA_CANT_RESOLVE);
  EXPECT_EQ(Db_OpenDriver("", "", "", &st), nullptr);
  EXPECT_EQ(st, ORA_CANT_RESOLVE);
  std::string foreign = dir.path() + "/foreign.db";
  FILE* f = std::fopen(foreign.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("this is no database, just a text file that is long enough to have a header...........", f);
  std::fclose(f);
  EXPECT_EQ(Db_OpenDriver(("sqlite:" + foreign).c_str(), "", "", &st), nullptr);
  EXPECT_EQ(st, ORA_CORRUPT);
}

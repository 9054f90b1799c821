// The drivers' common behaviour, run against every engine: into lists, binds
// by name, NULL and text cutting, status codes, dates, the write shape,
// snapshot cursors and lock waits.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "EngineFixture.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"

namespace {

class DriverTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    engine_->Exec(Ddl(
        "create table T (K TEXT NOT NULL, N INTEGER, D TEXT, A REAL, S TEXT, primary key (K));"
        "create table Cal (BakDtm TEXT NOT NULL, BakJhr INTEGER, primary key (BakDtm));"
        "create table C (X INTEGER CHECK (X > 0), Y INTEGER);",
        "create table T (K varchar(10) NOT NULL, N integer, D timestamp(0), A double precision, S varchar(20),"
        " primary key (K));"
        "create schema kzsystem;"
        "create table kzsystem.Cal (BakDtm timestamp(0) NOT NULL, BakJhr integer, primary key (BakDtm));"
        "create table C (X integer CHECK (X > 0), Y integer);"));
    engine_->Exec(
        "insert into T values ('a', 1, '2004-10-26 22:00:00', 1.30, 'alpha');"
        "insert into T values ('b', 2, NULL, NULL, NULL);"
        "insert into T values ('c', 3, '2004-02-29 00:00:00', 2.5, 'gamma');");
    std::string cal = Ddl("Cal", "kzsystem.Cal");
    for (const char* day : {"2004-02-27", "2004-02-28", "2004-02-29", "2004-03-01", "2004-03-02"})
      engine_->Exec("insert into " + cal + " values ('" + day + " 00:00:00', 2004)");
  }
};

TEST_P(DriverTest, SingleRowSelectResults) {
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

  // An aggregate over no row is one row holding NULL.
  DbIn inNone[] = {DbInInt("b2", lo = 100)};
  EXPECT_EQ(Db_SelectInto("select max(N) into :b0:b1  from T where N>=:b2", inNone, outM), 0);
  EXPECT_EQ(n, 0);
  // The into list must match the outputs given.
  DbOut two[] = {DbOutInt(n), DbOutInt(lo)};
  EXPECT_EQ(Db_SelectInto(many, inM, two), ORA_SELECT_LIST);
}

TEST_P(DriverTest, BindsAreCheckedByName) {
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  DbIn none[] = {DbInTxt("b7", "a")};
  EXPECT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0", none, out), ORA_NOT_ALL_BOUND);
  DbIn extra[] = {DbInTxt("b0", "a"), DbInTxt("b9", "a")};
  EXPECT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0", extra, out), ORA_NOT_ALL_BOUND);
  // One name used twice is one value.
  DbIn twice[] = {DbInTxt("b0", "c")};
  ASSERT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0 and S>:b0", twice, out), 0);
  EXPECT_EQ(n, 3);
  // Names bound in any order; a 16-bit number compares with an integer column.
  int16_t sa = 3;
  DbIn mixed[] = {DbInShort("b3", sa), DbInTxt("b2", "c")};
  ASSERT_EQ(Db_SelectInto("select N into :b0:b1  from T where (K=:b2 and N=:b3)", mixed, out), 0);
  EXPECT_EQ(n, 3);
  // A value is a value, never SQL.
  DbIn evil[] = {DbInTxt("b0", "a' or 'x'='x")};
  EXPECT_EQ(Db_SelectInto("select N into :b0:b1  from T where K=:b0", evil, out), DB_NOTFOUND);
}

TEST_P(DriverTest, NumbersRoundTrip) {
  struct Case {
    const char* k;
    int32_t n;
    double a;
  } cases[] = {
      {"n1", 2147483647, 0.1 + 0.2},
      {"n2", -2147483647 - 1, -1234567.891},
      {"n3", 0, 1e-300},
      {"n4", 7, 59.59},
  };
  for (const Case& c : cases) {
    DbIn in[] = {DbInTxt("b0", c.k), DbInInt("b1", c.n), DbInDbl("b2", c.a)};
    ASSERT_EQ(Db_Write("savepoint N_Sp", "insert into T (K,N,A) values (:b0,:b1,:b2)", "rollback  to N_Sp", in), 0);
    int32_t n = 1;
    double a = 1;
    DbIn key[] = {DbInTxt("b0", c.k)};
    DbOut out[] = {DbOutInt(n), DbOutDbl(a)};
    ASSERT_EQ(Db_SelectInto("select N ,A into :b0:b1,:b2:b3  from T where K=:b0", key, out), 0);
    EXPECT_EQ(n, c.n) << c.k;
    EXPECT_EQ(a, c.a) << c.k;  // exactly
  }
  // A whole number too large for the field is refused, not wrapped.
  int32_t n = 5;
  DbIn key[] = {DbInTxt("b0", "n1")};
  DbOut out[] = {DbOutInt(n)};
  EXPECT_EQ(Db_SelectInto("select N+1 into :b0:b1  from T where K=:b0", key, out), ORA_INT_OVERFLOW);
  EXPECT_EQ(n, 5);
  // A fraction read into a whole number is cut.
  DbIn a[] = {DbInTxt("b0", "n4")};
  ASSERT_EQ(Db_SelectInto("select A into :b0:b1  from T where K=:b0", a, out), 0);
  EXPECT_EQ(n, 59);
}

TEST_P(DriverTest, StatusCodesOfFailures) {
  DbIn dup[] = {DbInTxt("b0", "a")};
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", dup, 1), ORA_DUP_KEY);
  EXPECT_EQ(Db_Exec("insert into Nowhere (K) values (:b0)", dup, 1), ORA_NO_TABLE);
  EXPECT_EQ(Db_Exec("insert into T (Nowhere) values (:b0)", dup, 1), ORA_INVALID_IDENT);
  EXPECT_EQ(Db_Exec("insert into T (K) values (NULL)", nullptr, 0), ORA_NOT_NULL);
  EXPECT_EQ(Db_Exec("insert into C (X) values (0)", nullptr, 0), ORA_CHECK);
  EXPECT_EQ(Db_Exec("insert into T (K) valuez (:b0)", dup, 1), ORA_INVALID_SQL);
  EXPECT_EQ(Db_Exec("update T set N=1 where K=:b0", dup, 1), DB_OK);
  DbIn miss[] = {DbInTxt("b0", "zz")};
  EXPECT_EQ(Db_Exec("update T set N=1 where K=:b0", miss, 1), DB_NOTFOUND);
  EXPECT_EQ(Db_Exec("delete  from T  where K=:b0", miss, 1), DB_NOTFOUND);
  struct {
    const char* text;
    int status;
  } dates[] = {
      {"20041301000000", -1843},  // month
      {"20040230000000", -1847},  // day of the month
      {"20041027250000", -1850},  // hour
      {"2004102708000", -1830},   // too short for its format
      {"2004102708000x", -1830},
  };
  for (const auto& d : dates) {
    DbIn in[] = {DbInTxt("b0", "q"), DbInTxt("b1", d.text)};
    EXPECT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", in, 2), d.status)
        << d.text;
  }
  EXPECT_EQ(engine_->Value("select count(*) from T where K='q'"), "0");
  // After all these failures the session writes as before.
  DbIn ok[] = {DbInTxt("b0", "ok")};
  EXPECT_EQ(Db_Write("savepoint S_Sp", "insert into T (K) values (:b0)", "rollback  to S_Sp", ok), 0);
  EXPECT_EQ(engine_->Value("select count(*) from T where K='ok'"), "1");
}

TEST_P(DriverTest, DatesWrittenThroughToDate) {
  DbIn full[] = {DbInTxt("b0", "d"), DbInTxt("b1", "20041027080000")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", full, 2), 0);
  EXPECT_EQ(engine_->Value("select D from T where K='d'"), "2004-10-27 08:00:00");
  // A time of day is kept to the second, also in a night the clocks move.
  DbIn night[] = {DbInTxt("b0", "dst"), DbInTxt("b1", "20040328023015")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", night, 2), 0);
  EXPECT_EQ(engine_->Value("select D from T where K='dst'"), "2004-03-28 02:30:15");
  // An empty end date and time ("%8s%6s" of empty fields) is written as NULL.
  DbIn blank[] = {DbInTxt("b0", "e"), DbInTxt("b1", "              ")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", blank, 2), 0);
  EXPECT_EQ(engine_->Value("select D from T where K='e'"), "<null>");
  DbIn empty[] = {DbInTxt("b0", "f"), DbInTxt("b1", "")};
  ASSERT_EQ(Db_Exec("insert into T (K,D) values (:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))", empty, 2), 0);
  EXPECT_EQ(engine_->Value("select D from T where K='f'"), "<null>");
  // Updated through the same form, and compared with it.
  DbIn upd[] = {DbInTxt("b0", "d"), DbInTxt("b1", "20041231235959")};
  ASSERT_EQ(Db_Exec("update T set D=TO_DATE(:b1,'yyyymmddHH24MISS') where K=:b0", upd, 2), 0);
  char k[4] = "";
  DbOut outK[] = {DbOutTxt(k)};
  DbIn at[] = {DbInTxt("b1", "20041231235959")};
  ASSERT_EQ(Db_SelectInto("select K into :b0:b1  from T where D=TO_DATE(:b1,'yyyymmddHH24MISS')", at, outK), 0);
  EXPECT_STREQ(k, "d");
}

TEST_P(DriverTest, CalendarShiftByDays) {
  const char* sql =
      "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr into :b0:b1,:b2:b3  from KzSystem.Cal where BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)";
  struct {
    const char* from;
    int32_t days;
    const char* to;  // nullptr: no such calendar day
  } cases[] = {
      {"20040228", 1, "20040229"}, {"20040301", -1, "20040229"}, {"20040227", 4, "20040302"},
      {"20040229", 0, "20040229"}, {"20040302", 1, nullptr},
  };
  for (const auto& c : cases) {
    char dat[9] = "-";
    int32_t jhr = 0;
    DbIn in[] = {DbInTxt("b14", c.from), DbInInt("b15", c.days)};
    DbOut out[] = {DbOutTxt(dat), DbOutInt(jhr)};
    int st = Db_SelectInto(sql, in, out);
    if (c.to == nullptr) {
      EXPECT_EQ(st, DB_NOTFOUND) << c.from;
      EXPECT_STREQ(dat, "-");
    } else {
      ASSERT_EQ(st, 0) << c.from << c.days;
      EXPECT_STREQ(dat, c.to);
      EXPECT_EQ(jhr, 2004);
    }
  }
  // The calendar of a period, compared as texts.
  const char* range =
      "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr  from KzSystem.Cal where (TO_CHAR(BakDtm,'yyyymmdd')>=:b0 and TO_CHAR(BakDtm,'yyyymmdd')<=:b1) order by BakDtm";
  DbIn period[] = {DbInTxt("b0", "20040228"), DbInTxt("b1", "20040301")};
  ASSERT_EQ(Db_Open(CUR_BAK_ZEITRAUM, range, period), 0);
  char dat[9] = "";
  int32_t jhr = 0;
  DbOut out[] = {DbOutTxt(dat), DbOutInt(jhr)};
  std::string days;
  while (Db_Fetch(CUR_BAK_ZEITRAUM, out) == 0) days += std::string(dat) + " ";
  EXPECT_EQ(days, "20040228 20040229 20040301 ");
  EXPECT_EQ(Db_Close(CUR_BAK_ZEITRAUM), 0);
}

TEST_P(DriverTest, SysdateConcatAndToChar) {
  std::time_t before = std::time(nullptr);
  DbIn in[] = {DbInTxt("b0", "now")};
  ASSERT_EQ(Db_Write("savepoint Z_Sp", "insert into T (K,D) values (:b0,sysdate)", "rollback  to Z_Sp", in), 0);
  std::time_t after = std::time(nullptr);
  char stamp[15] = "";
  char today[15] = "";
  DbOut out[] = {DbOutTxt(stamp), DbOutTxt(today)};
  ASSERT_EQ(Db_SelectInto("select TO_CHAR(D,'yyyymmddHH24MISS') ,TO_CHAR(trunc(sysdate),'yyyymmddHH24MISS') into :b0:b1,:b2:b3  from T where K=:b0",
                          in, out),
            0);
  // The stamp is local time to the second (the server runs on this machine).
  std::tm tm{};
  ASSERT_EQ(std::strlen(stamp), 14u);
  std::sscanf(stamp, "%4d%2d%2d%2d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &tm.tm_sec);
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  EXPECT_GE(t, before - 2);
  EXPECT_LE(t, after + 2);
  // trunc(sysdate) is the day of the stamp at midnight.
  EXPECT_EQ(std::string(today), std::string(stamp, 8) + "000000");

  char joined[21] = "", named[21] = "";
  DbOut cat[] = {DbOutTxt(joined), DbOutTxt(named)};
  DbIn a[] = {DbInTxt("b0", "a")};
  ASSERT_EQ(Db_SelectInto("select CONCAT(TO_CHAR(D,'yyyymmdd'),TO_CHAR(D,'HH24MISS')) ,CONCAT(S,TO_CHAR(D,'yyyymmdd')) into :b0:b1,:b2:b3  from T where K=:b0",
                          a, cat),
            0);
  EXPECT_STREQ(joined, "20041026220000");
  EXPECT_STREQ(named, "alpha20041026");
  DbIn b[] = {DbInTxt("b0", "b")};  // NULL operands count as empty
  ASSERT_EQ(Db_SelectInto("select CONCAT(TO_CHAR(D,'yyyymmdd'),TO_CHAR(D,'HH24MISS')) ,CONCAT(S,'x') into :b0:b1,:b2:b3  from T where K=:b0",
                          b, cat),
            0);
  EXPECT_STREQ(joined, "");
  EXPECT_STREQ(named, "x");
  // Compared with a bound time text, as the booking cursor does.
  int32_t n = 0;
  DbOut outN[] = {DbOutInt(n)};
  DbIn from[] = {DbInTxt("b1", "20041026215959"), DbInTxt("b2", "20041026220000")};
  ASSERT_EQ(Db_SelectInto("select N into :b0:b3  from T where (CONCAT(TO_CHAR(D,'yyyymmdd'),TO_CHAR(D,'HH24MISS'))>=:b1 and CONCAT(TO_CHAR(D,'yyyymmdd'),TO_CHAR(D,'HH24MISS'))<=:b2)",
                          from, outN),
            0);
  EXPECT_EQ(n, 1);
}

TEST_P(DriverTest, WriteShapeCommitsOrRollsBackToTheSavepoint) {
  DbIn ok[] = {DbInTxt("b0", "n1")};
  EXPECT_EQ(Db_Write("savepoint X_Sp", "insert into T (K) values (:b0)", "rollback  to X_Sp", ok), 0);
  DbIn dup[] = {DbInTxt("b0", "a")};
  EXPECT_EQ(Db_Write("savepoint X_Sp", "insert into T (K) values (:b0)", "rollback  to X_Sp", dup), ORA_DUP_KEY);
  DbIn none[] = {DbInTxt("b0", "zz")};
  EXPECT_EQ(Db_Write("savepoint U_Sp", "update T set N=5 where K=:b0", "rollback  to U_Sp", none), DB_NOTFOUND);
  // The committed row is visible to another program at once, and the failed
  // writes left no transaction open: the other program can write.
  EXPECT_EQ(engine_->Value("select count(*) from T where K='n1'"), "1");
  EXPECT_TRUE(engine_->NoOpenTransaction());
  engine_->Exec("update T set N=10 where K='a'");
  engine_->Exec("insert into T (K) values ('other')");
}

TEST_P(DriverTest, AFailedStatementDoesNotAbortTheSession) {
  // A write that fails and whose rollback never comes.
  DbIn dup[] = {DbInTxt("b0", "a")};
  EXPECT_EQ(Db_Exec("savepoint A_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", dup, 1), ORA_DUP_KEY);
  DbIn next[] = {DbInTxt("b0", "next")};
  EXPECT_EQ(Db_Write("savepoint B_Sp", "insert into T (K) values (:b0)", "rollback  to B_Sp", next), 0);
  EXPECT_EQ(engine_->Value("select count(*) from T where K='next'"), "1");

  // Inside a transaction, a failed statement undoes itself alone.
  DbIn one[] = {DbInTxt("b0", "one")}, two[] = {DbInTxt("b0", "two")};
  EXPECT_EQ(Db_Exec("savepoint C_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", one, 1), 0);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", dup, 1), ORA_DUP_KEY);
  EXPECT_EQ(Db_Exec("insert into Nowhere (K) values (:b0)", dup, 1), ORA_NO_TABLE);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", two, 1), 0);
  int32_t n = 0;
  DbOut out[] = {DbOutInt(n)};
  EXPECT_EQ(Db_SelectInto("select count(*) into :b0:b1  from T where K=:b0", one, out), 0);
  EXPECT_EQ(n, 1);  // the session sees its own open work
  EXPECT_EQ(Db_Commit(), 0);
  EXPECT_EQ(engine_->Value("select count(*) from T where K in ('one','two')"), "2");

  // Rolled back to a savepoint inside the transaction: the work before it stays.
  DbIn three[] = {DbInTxt("b0", "three")}, four[] = {DbInTxt("b0", "four")};
  EXPECT_EQ(Db_Exec("savepoint D_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", three, 1), 0);
  EXPECT_EQ(Db_Exec("savepoint E_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Exec("insert into T (K) values (:b0)", four, 1), 0);
  EXPECT_EQ(Db_Exec("rollback  to E_Sp", nullptr, 0), 0);
  EXPECT_EQ(Db_Commit(), 0);
  EXPECT_EQ(engine_->Value("select count(*) from T where K='three'"), "1");
  EXPECT_EQ(engine_->Value("select count(*) from T where K='four'"), "0");
  EXPECT_TRUE(engine_->NoOpenTransaction());
}

TEST_P(DriverTest, CursorReadsAsOfItsOpenAcrossCommits) {
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
  engine_->Exec("insert into T (K, N) values ('bb', 5)");
  ASSERT_EQ(Db_Fetch(CUR_NZA_PKEY, out), 0);
  EXPECT_STREQ(k, "b");  // deleted meanwhile, still delivered
  ASSERT_EQ(Db_Fetch(CUR_NZA_PKEY, out), 0);
  EXPECT_STREQ(k, "c");
  EXPECT_EQ(n, 3);       // as it was at the open
  EXPECT_EQ(Db_Fetch(CUR_NZA_PKEY, out), DB_NOTFOUND);
  EXPECT_STREQ(k, "c");  // a fetch at the end leaves the record as it was
  EXPECT_EQ(Db_Fetch(CUR_NZA_PKEY, out), DB_NOTFOUND);
  EXPECT_EQ(Db_Close(CUR_NZA_PKEY), 0);
  EXPECT_EQ(Db_Fetch(CUR_NZA_PKEY, out), ORA_INVALID_CURSOR);
  EXPECT_EQ(Db_Close(CUR_NZA_PKEY), ORA_INVALID_CURSOR);

  // Re-opened, it sees the committed state.
  ASSERT_EQ(Db_Open(CUR_NZA_PKEY, sql, in), 0);
  int rows = 0;
  while (Db_Fetch(CUR_NZA_PKEY, out) == 0) ++rows;
  EXPECT_EQ(rows, 3);  // a, bb, c
  EXPECT_EQ(Db_Close(CUR_NZA_PKEY), 0);
  EXPECT_TRUE(engine_->NoOpenTransaction());
}

TEST_P(DriverTest, CursorStreamsALongResultWhileTheSessionWrites) {
  std::string rows = "insert into T (K, N) values ";
  const int count = 250;  // several batches of the server engine
  for (int i = 0; i < count; ++i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s('r%03d', %d)", i > 0 ? "," : "", i, 1000 + i);
    rows += buf;
  }
  engine_->Exec(rows);
  const char* sql = "select K ,N  from T where N>=:b0 order by N";
  int32_t lo = 1000;
  DbIn in[] = {DbInInt("b0", lo)};
  ASSERT_EQ(Db_Open(CUR_MRK_KNG, sql, in), 0);
  char k[5] = "";
  int32_t n = 0;
  DbOut out[] = {DbOutTxt(k), DbOutInt(n)};
  ASSERT_EQ(Db_Fetch(CUR_MRK_KNG, out), 0);
  EXPECT_EQ(n, 1000);
  // Every row is deleted and committed meanwhile, a few at a time.
  int got = 1;
  bool inOrder = true;
  for (;;) {
    if (got % 40 == 1) {
      int32_t upTo = 1000 + got + 40;
      DbIn del[] = {DbInInt("b0", upTo)};
      EXPECT_EQ(Db_Write("savepoint L_Sp", "delete  from T  where N<:b0", "rollback  to L_Sp", del), 0);
    }
    int st = Db_Fetch(CUR_MRK_KNG, out);
    if (st != 0) {
      EXPECT_EQ(st, DB_NOTFOUND);
      break;
    }
    if (n != 1000 + got) inOrder = false;
    ++got;
  }
  EXPECT_EQ(got, count);
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(Db_Close(CUR_MRK_KNG), 0);
  ASSERT_EQ(Db_Open(CUR_MRK_KNG, sql, in), 0);
  EXPECT_EQ(Db_Fetch(CUR_MRK_KNG, out), DB_NOTFOUND);
  EXPECT_EQ(Db_Close(CUR_MRK_KNG), 0);
}

TEST_P(DriverTest, CursorsAreIndependent) {
  const char* sql = "select K  from T where N>=:b0 order by K";
  int32_t lo = 0;
  DbIn in[] = {DbInInt("b0", lo)};
  char k1[4] = "", k2[4] = "";
  DbOut o1[] = {DbOutTxt(k1)}, o2[] = {DbOutTxt(k2)};
  EXPECT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), ORA_INVALID_CURSOR);
  ASSERT_EQ(Db_Open(CUR_PSE_PKEY, sql, in), 0);
  ASSERT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), 0);
  ASSERT_EQ(Db_Open(CUR_ZTG_AZVTAG, sql, in), 0);
  ASSERT_EQ(Db_Fetch(CUR_ZTG_AZVTAG, o2), 0);
  ASSERT_EQ(Db_Fetch(CUR_ZTG_AZVTAG, o2), 0);
  ASSERT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), 0);
  EXPECT_STREQ(k1, "b");
  EXPECT_STREQ(k2, "b");
  // Opened again while open: it starts over.
  ASSERT_EQ(Db_Open(CUR_PSE_PKEY, sql, in), 0);
  ASSERT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), 0);
  EXPECT_STREQ(k1, "a");
  // Outputs that do not match the select list.
  int32_t x = 0;
  DbOut wrong[] = {DbOutTxt(k1), DbOutInt(x)};
  EXPECT_EQ(Db_Fetch(CUR_PSE_PKEY, wrong), ORA_SELECT_LIST);
  EXPECT_EQ(Db_Close(CUR_PSE_PKEY), 0);
  EXPECT_EQ(Db_Close(CUR_ZTG_AZVTAG), 0);
  // A select that fails leaves the cursor closed and the session usable.
  EXPECT_EQ(Db_Open(CUR_PSE_PKEY, "select K  from Nowhere where N>=:b0", in), ORA_NO_TABLE);
  EXPECT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), ORA_INVALID_CURSOR);
  EXPECT_EQ(Db_Open(CUR_COUNT, sql, in), ORA_INVALID_CURSOR);
  ASSERT_EQ(Db_Open(CUR_PSE_PKEY, sql, in), 0);
  ASSERT_EQ(Db_Fetch(CUR_PSE_PKEY, o1), 0);
  EXPECT_STREQ(k1, "a");
  EXPECT_EQ(Db_Close(CUR_PSE_PKEY), 0);
}

TEST_P(DriverTest, AWriteWaitsForAnotherProgramsLock) {
  engine_->Exec(Ddl("BEGIN IMMEDIATE; update T set N=50 where K='a'", "BEGIN; update T set N=50 where K='a'"));
  std::thread release([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine_->Exec("COMMIT");
  });
  auto t0 = std::chrono::steady_clock::now();
  DbIn in[] = {DbInTxt("b0", "a")};
  int st = Db_Write("savepoint W_Sp", "update T set S='mine' where K=:b0", "rollback  to W_Sp", in);
  auto waited = std::chrono::steady_clock::now() - t0;
  release.join();
  EXPECT_EQ(st, 0);
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_EQ(engine_->Value("select N from T where K='a'"), "50");
  EXPECT_EQ(engine_->Value("select S from T where K='a'"), "mine");
}

TEST_P(DriverTest, ALockHeldTooLongFailsTheWriteCleanly) {
  DbIn first[] = {DbInTxt("b0", "first")};
  ASSERT_EQ(Db_Write("savepoint W_Sp", "insert into T (K) values (:b0)", "rollback  to W_Sp", first), 0);
  engine_->Exec(Ddl("BEGIN IMMEDIATE; update T set N=50 where K='a'", "BEGIN; update T set N=50 where K='a'"));
  auto t0 = std::chrono::steady_clock::now();
  DbIn in[] = {DbInTxt("b0", "a")};
  int st = Db_Write("savepoint W_Sp", "update T set S='mine' where K=:b0", "rollback  to W_Sp", in);
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
  EXPECT_EQ(st, ORA_RESOURCE_BUSY);
  EXPECT_GE(waited.count(), engine_->LockTimeoutMs() - 500);
  EXPECT_LE(waited.count(), engine_->LockTimeoutMs() + 5000);
  engine_->Exec("COMMIT");
  // Nothing committed is lost, the failed write left nothing behind, and the
  // session writes again.
  EXPECT_EQ(engine_->Value("select count(*) from T where K='first'"), "1");
  EXPECT_EQ(engine_->Value("select N from T where K='a'"), "50");
  EXPECT_EQ(engine_->Value("select S from T where K='a'"), "alpha");
  EXPECT_TRUE(engine_->NoOpenTransaction());
  EXPECT_EQ(Db_Write("savepoint W_Sp", "update T set S='mine' where K=:b0", "rollback  to W_Sp", in), 0);
  EXPECT_EQ(engine_->Value("select S from T where K='a'"), "mine");
}

INSTANTIATE_TEST_SUITE_P(Engines, DriverTest, ::testing::Values("sqlite", "postgresql"), EngineName);

}  // namespace

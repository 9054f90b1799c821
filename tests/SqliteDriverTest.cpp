// Statement text analysis shared by the drivers, and what only the SQLite
// driver does (opening files). The drivers' common behaviour is tested
// against every engine in DriverTest.cpp.
#include <gtest/gtest.h>

#include <cstdio>

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

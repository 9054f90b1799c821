// A temporary SQLite database for tests: a fresh file per test, the
// program's tables created, the session's driver installed.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "db/DbDriver.h"
#include "db/DbStatus.h"

// The tables' date-time text of today's start plus `days` days (local time).
inline std::string TableDay(int days) {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_mday += days;
  tm.tm_hour = 12;  // a day away whatever the clock change
  std::mktime(&tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &tm);
  return buf;
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/welfrast-test-XXXXXX";
    char* d = mkdtemp(tmpl);
    path_ = d != nullptr ? d : "";
  }
  ~TempDir() {
    if (!path_.empty()) {
      std::string cmd = "rm -rf '" + path_ + "'";
      int rc = std::system(cmd.c_str());
      (void)rc;
    }
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs SQL on a connection of its own (another program of the system, as the
// tests arrange rows); fails the test on an error.
inline void SqlExec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (err != nullptr ? err : "");
  sqlite3_free(err);
}

// A single value as text (NULL as "<null>").
inline std::string SqlValue(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  std::string out = "<none>";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* t = sqlite3_column_text(st, 0);
    out = t != nullptr ? reinterpret_cast<const char*>(t) : "<null>";
  }
  sqlite3_finalize(st);
  return out;
}

// Every row of a query, each column as text (NULL as "<null>"); fails the
// test when the query does not run.
using SqlRows = std::vector<std::vector<std::string>>;
inline SqlRows SqliteRows(sqlite3* db, const std::string& sql) {
  SqlRows rows;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    return rows;
  }
  int rc = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      row.push_back(t != nullptr ? reinterpret_cast<const char*>(t) : "<null>");
    }
    rows.push_back(row);
  }
  EXPECT_EQ(rc, SQLITE_DONE) << sql << ": " << sqlite3_errmsg(db);
  sqlite3_finalize(st);
  return rows;
}

class SqliteFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.path() + "/wf.db";
    int st = 0;
    driver_ = Db_OpenDriver(("sqlite:" + path_).c_str(), "", "", &st, DB_OPEN_CREATE);
    ASSERT_EQ(st, 0);
    ASSERT_NE(driver_, nullptr);
    Db_Install(driver_);
    ASSERT_EQ(sqlite3_open(path_.c_str(), &other_), SQLITE_OK);
    sqlite3_busy_timeout(other_, 5000);
  }
  void TearDown() override {
    Db_Install(nullptr);
    delete driver_;
    sqlite3_close(other_);
  }

  TempDir dir_;
  std::string path_;
  DbDriver* driver_ = nullptr;
  sqlite3* other_ = nullptr;  // a second program's connection
};

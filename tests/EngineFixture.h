// The engines the database layer runs on, for tests that run the same cases
// against each: a fresh database per test, a session driver on it, and a
// connection of another program of the system.
//
// PostgreSQL comes from WELFRAST_PG_URI (a libpq URI, as scripts/pg-test-server
// prints it) with WELFRAST_PG_USER and WELFRAST_PG_PASSWORD; every test gets a
// database of its own on that server. Without the URI the PostgreSQL cases
// fail when CI is "true" and are skipped otherwise. EvalFixture.h takes
// PgEngine for its database when WELFRAST_TEST_ENGINE is "postgresql".
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "DbFixture.h"
#include "db/DbDriver.h"
#include "db/PgDriver.h"
#include "db/SqliteDriver.h"

inline std::string EnvText(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

// Skips (or, under CI, fails) a test whose engine cannot be had.
#define WF_ENGINE_MISSING(why)                                  \
  do {                                                          \
    if (EnvText("CI") == "true") {                              \
      FAIL() << (why);                                          \
    } else {                                                    \
      GTEST_SKIP() << (why);                                    \
    }                                                           \
  } while (0)

class TestEngine {
 public:
  virtual ~TestEngine() = default;
  virtual const char* Name() const = 0;
  virtual bool IsPg() const = 0;
  // Creates the database; false with the reason when the engine is missing.
  virtual bool Create(std::string* why) = 0;
  // A new session on the database (nullptr with *status on failure).
  virtual DbDriver* Open(int* status) = 0;
  // SQL on the other program's connection: Exec fails the test on an error,
  // TryExec tells whether it worked.
  virtual bool TryExec(const std::string& sql, std::string* error = nullptr) = 0;
  void Exec(const std::string& sql) {
    std::string error;
    EXPECT_TRUE(TryExec(sql, &error)) << sql << ": " << error;
  }
  // A single value as text (NULL as "<null>", no row as "<none>").
  virtual std::string Value(const std::string& sql) = 0;
  // True when no session other than the other program's keeps a transaction
  // (and with it locks or a snapshot) open.
  virtual bool NoOpenTransaction() = 0;
  // How long a write waits for the other program's lock.
  virtual int LockTimeoutMs() const = 0;
};

class SqliteEngine : public TestEngine {
 public:
  ~SqliteEngine() override { sqlite3_close(other_); }
  const char* Name() const override { return "sqlite"; }
  bool IsPg() const override { return false; }
  bool Create(std::string*) override {
    path_ = dir_.path() + "/wf.db";
    int st = 0;
    DbDriver* d = Db_OpenDriver(("sqlite:" + path_).c_str(), "", "", &st, DB_OPEN_CREATE);
    delete d;
    if (st != 0 || sqlite3_open(path_.c_str(), &other_) != SQLITE_OK) return false;
    sqlite3_busy_timeout(other_, 5000);
    return true;
  }
  DbDriver* Open(int* status) override { return Db_OpenDriver(("sqlite:" + path_).c_str(), "", "", status); }
  bool TryExec(const std::string& sql, std::string* error) override {
    char* err = nullptr;
    int rc = sqlite3_exec(other_, sql.c_str(), nullptr, nullptr, &err);
    if (error != nullptr) *error = err != nullptr ? err : "";
    sqlite3_free(err);
    return rc == SQLITE_OK;
  }
  std::string Value(const std::string& sql) override { return SqlValue(other_, sql); }
  bool NoOpenTransaction() override {
    sqlite3_busy_timeout(other_, 100);
    bool free = sqlite3_exec(other_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (free) sqlite3_exec(other_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(other_, 5000);
    return free;
  }
  int LockTimeoutMs() const override { return SQLITE_BUSY_TIMEOUT_MS; }

 private:
  TempDir dir_;
  std::string path_;
  sqlite3* other_ = nullptr;
};

// The URI with its database replaced (the path of "postgresql://host/db?...").
inline std::string PgUriWithDatabase(const std::string& uri, const std::string& db) {
  std::size_t scheme = uri.find("://");
  if (scheme == std::string::npos) return "";
  std::size_t path = uri.find('/', scheme + 3);
  std::size_t query = uri.find('?', scheme + 3);
  if (path == std::string::npos || (query != std::string::npos && path > query)) {
    std::size_t at = query != std::string::npos ? query : uri.size();
    return uri.substr(0, at) + "/" + db + uri.substr(at);
  }
  std::size_t end = query != std::string::npos ? query : uri.size();
  return uri.substr(0, path + 1) + db + uri.substr(end);
}

// A libpq connection of the tests' own.
inline PGconn* PgTestConnect(const std::string& uri) {
  std::string user = EnvText("WELFRAST_PG_USER");
  std::string pass = EnvText("WELFRAST_PG_PASSWORD");
  const char* keys[] = {"dbname", user.empty() ? nullptr : "user", nullptr, nullptr};
  const char* vals[] = {uri.c_str(), user.empty() ? nullptr : user.c_str(), nullptr, nullptr};
  int n = user.empty() ? 1 : 2;
  if (!pass.empty()) {
    keys[n] = "password";
    vals[n] = pass.c_str();
  }
  PGconn* c = PQconnectdbParams(keys, vals, 1);
  if (c != nullptr && PQstatus(c) != CONNECTION_OK) {
    PQfinish(c);
    return nullptr;
  }
  PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
  return c;
}

inline bool PgTry(PGconn* c, const std::string& sql, std::string* error = nullptr) {
  PGresult* r = PQexec(c, sql.c_str());
  ExecStatusType s = PQresultStatus(r);
  bool ok = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  if (error != nullptr) *error = ok ? "" : PQerrorMessage(c);
  PQclear(r);
  return ok;
}

inline std::string PgValue(PGconn* c, const std::string& sql) {
  PGresult* r = PQexec(c, sql.c_str());
  std::string out = "<none>";
  if (PQresultStatus(r) != PGRES_TUPLES_OK) {
    out = std::string("<error: ") + PQerrorMessage(c) + ">";
  } else if (PQntuples(r) > 0) {
    out = PQgetisnull(r, 0, 0) ? "<null>" : PQgetvalue(r, 0, 0);
  }
  PQclear(r);
  return out;
}

class PgEngine : public TestEngine {
 public:
  ~PgEngine() override {
    if (other_ != nullptr) PQfinish(other_);
    if (admin_ != nullptr) {
      if (!db_.empty()) PgTry(admin_, "DROP DATABASE IF EXISTS " + db_ + " WITH (FORCE)");
      PQfinish(admin_);
    }
  }
  const char* Name() const override { return "postgresql"; }
  bool IsPg() const override { return true; }
  bool Create(std::string* why) override {
    base_ = EnvText("WELFRAST_PG_URI");
    if (base_.empty()) {
      *why = "WELFRAST_PG_URI is not set (scripts/test starts a PostgreSQL test server)";
      return false;
    }
    admin_ = PgTestConnect(base_);
    if (admin_ == nullptr) {
      *why = "cannot connect to the server of WELFRAST_PG_URI";
      return false;
    }
    static int counter = 0;
    db_ = "wf_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    std::string error;
    if (!PgTry(admin_, "CREATE DATABASE " + db_, &error)) {
      *why = "cannot create a test database: " + error;
      db_.clear();
      return false;
    }
    uri_ = PgUriWithDatabase(base_, db_);
    other_ = PgTestConnect(uri_);
    if (other_ == nullptr) {
      *why = "cannot connect to the test database";
      return false;
    }
    PgTry(other_, "SET lock_timeout = '20s'");
    return true;
  }
  DbDriver* Open(int* status) override {
    return Db_OpenDriver(uri_.c_str(), EnvText("WELFRAST_PG_USER").c_str(),
                         EnvText("WELFRAST_PG_PASSWORD").c_str(), status);
  }
  bool TryExec(const std::string& sql, std::string* error) override { return PgTry(other_, sql, error); }
  std::string Value(const std::string& sql) override { return PgValue(other_, sql); }
  bool NoOpenTransaction() override {
    return Value("select count(*) from pg_stat_activity where datname=current_database() and "
                 "pid<>pg_backend_pid() and state like 'idle in transaction%'") == "0";
  }
  int LockTimeoutMs() const override { return PG_LOCK_TIMEOUT_MS; }

  const std::string& uri() const { return uri_; }
  PGconn* other() const { return other_; }

 private:
  std::string base_, uri_, db_;
  PGconn* admin_ = nullptr;
  PGconn* other_ = nullptr;
};

inline std::unique_ptr<TestEngine> MakeEngine(const std::string& name) {
  if (name == "postgresql") return std::make_unique<PgEngine>();
  return std::make_unique<SqliteEngine>();
}

// A test over one engine: the engine created, the session's driver installed.
class EngineTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    engine_ = MakeEngine(GetParam());
    std::string why;
    if (!engine_->Create(&why)) WF_ENGINE_MISSING(why);
    int st = 0;
    driver_ = engine_->Open(&st);
    ASSERT_EQ(st, 0);
    ASSERT_NE(driver_, nullptr);
    Db_Install(driver_);
  }
  void TearDown() override {
    Db_Install(nullptr);
    delete driver_;
    engine_.reset();
  }
  // The engine's variant of a definition text.
  std::string Ddl(const char* sqlite, const char* pg) const { return engine_->IsPg() ? pg : sqlite; }

  std::unique_ptr<TestEngine> engine_;
  DbDriver* driver_ = nullptr;
};

inline std::string EngineName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

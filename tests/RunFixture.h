// A temporary installation for end-to-end runs of the real programs: the
// settings file in <root>/files, the batch's working directory four levels
// below <root> (so "..\..\..\..\files\korvalis.ini" is found), its Msg
// folder, and a database with every table created by welfrast-admin init.
//
// The engine is "sqlite" (a file in the tree) or "postgresql" (a database of
// its own on the test server of WELFRAST_PG_URI, dropped at the end); it
// defaults to WELFRAST_TEST_ENGINE. On PostgreSQL the tree holds a
// pg_service.conf naming that database, the settings say NET8
// "pgservice:welfrast" with the test login, and the programs find the file
// through PGSERVICEFILE (the admin tool its login through WELFRAST_LOGIN and
// WELFRAST_PASSWORD).
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "DbFixture.h"
#include "EngineFixture.h"
#include "config/Idea.h"

extern char** environ;

struct LogLine {
  std::string msgArt, message, funktion;
  int errorCode;
};

// Runs a program with arguments in a working directory; stdout and stderr go
// to files of the tree; `env` ("NAME=value") is added to the environment the
// program inherits, replacing an entry of the same name. Returns the exit
// code (-1 when it did not end within a minute or died of a signal).
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::string& outFile,
                      const std::vector<std::string>& env = {}) {
  // Everything the child needs is built before the fork: tests may run
  // threads of their own meanwhile.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const std::string& add : env) {
      std::size_t eq = add.find('=');
      if (std::strncmp(*e, add.c_str(), eq + 1) == 0) replaced = true;
    }
    if (!replaced) envp.push_back(*e);
  }
  for (const std::string& add : env) envp.push_back(const_cast<char*>(add.c_str()));
  envp.push_back(nullptr);
  const std::string errFile = outFile + ".err";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    if (!outFile.empty() && freopen(outFile.c_str(), "w", stdout) == nullptr) _exit(126);
    if (!outFile.empty() && freopen(errFile.c_str(), "w", stderr) == nullptr) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  for (;;) {
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Amounts as the tests compare them: each value with two decimals, separated
// by blanks ("<null>" stays as it is).
inline std::string Amounts(const std::vector<std::string>& values) {
  std::string out;
  for (const std::string& v : values) {
    if (!out.empty()) out += ' ';
    if (v == "<null>") {
      out += v;
      continue;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", std::atof(v.c_str()));
    out += buf;
  }
  return out;
}

class RunTree {
 public:
  explicit RunTree(const std::string& engine = EnvText("WELFRAST_TEST_ENGINE")) : pg_(engine == "postgresql") {
    root_ = dir_.path();
    files_ = root_ + "/files";
    work_ = root_ + "/site/bde/batch/welfrast";
    db_ = root_ + "/wf.db";
    mkdir(files_.c_str(), 0755);
    std::string p = root_;
    for (const char* part : {"/site", "/bde", "/batch", "/welfrast", "/Msg"}) {
      p += part;
      mkdir(p.c_str(), 0755);
    }
  }
  ~RunTree() {
    if (other_ != nullptr) sqlite3_close(other_);
  }

  bool IsPg() const { return pg_; }
  const char* Engine() const { return pg_ ? "postgresql" : "sqlite"; }
  const std::string& root() const { return root_; }
  const std::string& work() const { return work_; }
  const std::string& db() const { return db_; }  // the SQLite file
  std::string service() const { return pg_ ? std::string("pgservice:welfrast") : "sqlite:" + db_; }
  std::string logPath() const { return work_ + "/Msg/Welfrast.Txt"; }
  std::string serviceFile() const { return root_ + "/pg_service.conf"; }

  // A service naming a database that does not exist, and whether a
  // database has been made of it since (an empty SQLite file holds none).
  std::string MissingService() const {
    return pg_ ? std::string("pgservice:nowhere") : "sqlite:" + root_ + "/nowhere.db";
  }
  bool MissingDatabaseCreated() {
    if (pg_) return Value("select count(*) from pg_database where datname='wf_nowhere'") != "0";
    return !ReadFile(root_ + "/nowhere.db").empty();
  }

  // On PostgreSQL one more service of the installation's database, named
  // `name`; its NET8 text. On SQLite the installation's service.
  std::string AddService(const std::string& name) {
    if (!pg_) return service();
    services_.push_back(name);
    EXPECT_TRUE(server_ != nullptr && WriteServiceFile());
    return "pgservice:" + name;
  }

  // The login of the engine, as the settings hold it.
  std::string Login() const { return pg_ ? EnvText("WELFRAST_PG_USER") : "welfrast"; }
  std::string Password() const { return pg_ ? EnvText("WELFRAST_PG_PASSWORD") : "geheim"; }

  // Writes the settings file with the three login entries.
  void WriteIni(const std::string& login, const std::string& pass, const std::string& net8) {
    std::ofstream out(files_ + "/korvalis.ini", std::ios::binary);
    out << "[Datenbank];KORVALIS;Anmeldung\r\n1;LOGIN;" << Idea_Encode(login.c_str(), IDEA_SCHLUESSEL) << "\r\n";
    out << "[Datenbank];KORVALIS;Kennwort\r\n2;PASS;" << Idea_Encode(pass.c_str(), IDEA_SCHLUESSEL) << "\r\n";
    out << "[Datenbank];KORVALIS;Dienst\r\n3;NET8;" << Idea_Encode(net8.c_str(), IDEA_SCHLUESSEL) << "\r\n";
  }

  // A ready installation: settings pointing at a new database with every
  // table created by the operators' tool. On PostgreSQL without a test
  // server the test is skipped (under CI failed).
  void Install() {
    if (pg_) {
      server_ = std::make_unique<PgEngine>();
      std::string why;
      if (!server_->Create(&why)) WF_ENGINE_MISSING(why);
      ASSERT_TRUE(WriteServiceFile());
    }
    WriteIni(Login(), Password(), service());
    ASSERT_EQ(Admin({"init", service()}), 0) << AdminErr();
  }

  int Batch(const std::vector<std::string>& args) {
    return RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast", args, work_, root_ + "/batch.out",
                      {"PGSERVICEFILE=" + serviceFile()});
  }
  int Admin(const std::vector<std::string>& args) {
    return RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast-admin", args, root_, root_ + "/admin.out",
                      {"PGSERVICEFILE=" + serviceFile(), "WELFRAST_LOGIN=" + Login(),
                       "WELFRAST_PASSWORD=" + Password()});
  }
  std::string AdminOut() const { return ReadFile(root_ + "/admin.out"); }
  std::string AdminErr() const { return ReadFile(root_ + "/admin.out.err"); }
  std::string BatchOutput() const {
    return ReadFile(root_ + "/batch.out") + ReadFile(root_ + "/batch.out.err");
  }

  // Arranging and reading rows as another program of the system would. The
  // SQL must run on every engine: plain inserts, updates and selects,
  // date-times as 'YYYY-MM-DD HH:MM:SS' literals (they read back the same
  // way), the calendar as Kzt133Bak; numbers and texts are formatted in the
  // test, not in SQL.
  void Sql(const std::string& sql) {
    if (pg_) {
      if (Server() != nullptr) server_->Exec(sql);
      return;
    }
    sqlite3* db = Other();
    if (db != nullptr) SqlExec(db, sql);
  }
  // The first column of the first row as text ("<null>" for NULL, "<none>"
  // without a row).
  std::string Value(const std::string& sql) {
    if (pg_) return Server() != nullptr ? server_->Value(sql) : "<none>";
    sqlite3* db = Other();
    return db != nullptr ? SqlValue(db, sql) : "<none>";
  }
  double Number(const std::string& sql) { return std::atof(Value(sql).c_str()); }
  // Every row, each column as text ("<null>" for NULL).
  SqlRows Rows(const std::string& sql) {
    if (pg_) return Server() != nullptr ? server_->Rows(sql) : SqlRows{};
    sqlite3* db = Other();
    return db != nullptr ? SqliteRows(db, sql) : SqlRows{};
  }
  // The first row's columns as Amounts ("<none>" without a row).
  std::string Amounts(const std::string& sql) {
    SqlRows rows = Rows(sql);
    return rows.empty() ? "<none>" : ::Amounts(rows[0]);
  }
  // A column that orders the rows of a table without a key as they were
  // inserted (no update or delete in between).
  const char* InsertOrder() const { return pg_ ? "ctid" : "rowid"; }

  // The PostgreSQL test database (nullptr on SQLite or before Install).
  PgEngine* server() { return server_.get(); }

  // The entries of the message log, parsed.
  std::vector<LogLine> Log() const {
    std::vector<LogLine> out;
    std::string text = ReadFile(logPath());
    std::size_t pos = 0;
    auto field = [&](const char* label) {
      std::size_t a = text.find(label, pos);
      if (a == std::string::npos) return std::string();
      a += std::char_traits<char>::length(label);
      std::size_t e = text.find("\r\n", a);
      pos = e == std::string::npos ? text.size() : e + 2;
      return text.substr(a, e - a);
    };
    while ((pos = text.find('\xFE', pos)) != std::string::npos) {
      LogLine l;
      l.msgArt = field("MsgArt_____: ");
      l.message = field("Message____: ");
      l.funktion = field("Funktion___: ");
      l.errorCode = std::atoi(field("ErrorCode__: ").c_str());
      out.push_back(l);
    }
    return out;
  }

 private:
  sqlite3* Other() {
    if (other_ == nullptr) {
      EXPECT_EQ(sqlite3_open(db_.c_str(), &other_), SQLITE_OK);
      sqlite3_busy_timeout(other_, 5000);
    }
    return other_;
  }
  PgEngine* Server() {
    if (server_ == nullptr) ADD_FAILURE() << "the tree is not installed";
    return server_.get();
  }

  // The service "welfrast" (and those added) name the test database,
  // "nowhere" one that does not exist; none holds a login.
  bool WriteServiceFile() {
    PQconninfoOption* opts = PQconninfoParse(server_->uri().c_str(), nullptr);
    if (opts == nullptr) return false;
    std::ofstream f(serviceFile(), std::ios::binary);
    std::vector<std::string> names = services_;
    names.push_back("nowhere");
    for (const std::string& name : names) {
      f << "[" << name << "]\n";
      for (PQconninfoOption* o = opts; o->keyword != nullptr; ++o) {
        std::string k = o->keyword;
        if (o->val == nullptr || k == "password" || k == "user" || k == "dbname") continue;
        f << k << "=" << o->val << "\n";
      }
      f << "dbname=" << (name == "nowhere" ? std::string("wf_nowhere") : server_->database()) << "\n";
    }
    PQconninfoFree(opts);
    return f.good();
  }

  bool pg_;
  std::vector<std::string> services_{"welfrast"};
  sqlite3* other_ = nullptr;
  std::unique_ptr<PgEngine> server_;
  TempDir dir_;
  std::string root_, files_, work_, db_;
};

// An end-to-end test on the engine of its parameter, the tree installed:
//   class MyRun : public RunTreeTest {};
//   TEST_P(MyRun, ...) {...}
//   INSTANTIATE_TEST_SUITE_P(Engines, MyRun, AllEngines(), EngineName);
class RunTreeTest : public ::testing::TestWithParam<std::string> {
 protected:
  RunTreeTest() : tree_(GetParam()) {}
  void SetUp() override { tree_.Install(); }
  RunTree tree_;
};

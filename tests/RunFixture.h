// A temporary installation for end-to-end runs of the real programs: the
// settings file in <root>/files, the batch's working directory four levels
// below <root> (so "..\..\..\..\files\korvalis.ini" is found), its Msg
// folder, and a SQLite database created by welfrast-admin init.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "DbFixture.h"
#include "config/Idea.h"

struct LogLine {
  std::string msgArt, message, funktion;
  int errorCode;
};

// Runs a program with arguments in a working directory; stdout and stderr go
// to files of the tree. Returns the exit code (-1 when it did not end within
// a minute or died of a signal).
inline int RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& cwd, const std::string& outFile) {
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    if (!outFile.empty() && freopen(outFile.c_str(), "w", stdout) == nullptr) _exit(126);
    if (!outFile.empty() && freopen((outFile + ".err").c_str(), "w", stderr) == nullptr) _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
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

class RunTree {
 public:
  RunTree() {
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

  const std::string& root() const { return root_; }
  const std::string& work() const { return work_; }
  const std::string& db() const { return db_; }
  std::string service() const { return "sqlite:" + db_; }
  std::string logPath() const { return work_ + "/Msg/Welfrast.Txt"; }

  // Writes the settings file with the three login entries.
  void WriteIni(const std::string& login, const std::string& pass, const std::string& net8) {
    std::ofstream out(files_ + "/korvalis.ini", std::ios::binary);
    out << "[Datenbank];KORVALIS;Anmeldung\r\n1;LOGIN;" << Idea_Encode(login.c_str(), IDEA_SCHLUESSEL) << "\r\n";
    out << "[Datenbank];KORVALIS;Kennwort\r\n2;PASS;" << Idea_Encode(pass.c_str(), IDEA_SCHLUESSEL) << "\r\n";
    out << "[Datenbank];KORVALIS;Dienst\r\n3;NET8;" << Idea_Encode(net8.c_str(), IDEA_SCHLUESSEL) << "\r\n";
  }

  // A ready installation: settings pointing at a new database with every
  // table created by the operators' tool.
  void Install() {
    WriteIni("welfrast", "geheim", service());
    ASSERT_EQ(Admin({"init", service()}), 0) << ReadFile(root_ + "/admin.out.err");
  }

  int Batch(const std::vector<std::string>& args) {
    return RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast", args, work_, root_ + "/batch.out");
  }
  int Admin(const std::vector<std::string>& args) {
    return RunProgram(std::string(WELFRAST_BIN_DIR) + "/welfrast-admin", args, root_, root_ + "/admin.out");
  }
  std::string AdminOut() const { return ReadFile(root_ + "/admin.out"); }
  std::string AdminErr() const { return ReadFile(root_ + "/admin.out.err"); }
  std::string BatchOutput() const {
    return ReadFile(root_ + "/batch.out") + ReadFile(root_ + "/batch.out.err");
  }

  // Arranging and reading rows as another program of the system would. The
  // SQL must run on every engine the tests use: plain inserts, updates and
  // selects, date-times as 'YYYY-MM-DD HH:MM:SS' literals, the calendar as
  // Kzt133Bak; format numbers in the test, not in SQL.
  void Sql(const std::string& sql) {
    sqlite3* db = Other();
    if (db != nullptr) SqlExec(db, sql);
  }
  // The first column of the first row as text ("<null>" for NULL, "<none>"
  // without a row).
  std::string Value(const std::string& sql) {
    sqlite3* db = Other();
    return db != nullptr ? SqlValue(db, sql) : "<none>";
  }
  double Number(const std::string& sql) { return std::atof(Value(sql).c_str()); }

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

 public:
  ~RunTree() {
    if (other_ != nullptr) sqlite3_close(other_);
  }

 private:
  sqlite3* other_ = nullptr;
  TempDir dir_;
  std::string root_, files_, work_, db_;
};

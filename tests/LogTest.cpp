#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "log/Log.h"
#include "log/LogFs.h"
#include "util/Clock.h"

namespace fs = std::filesystem;

namespace {

class FixedClock : public WfClock {
 public:
  std::time_t now = 0;
  std::time_t Now() override { return now; }
};

std::time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// One entry as it must appear in the file, at the fixture's clock
// (07.03.26 05:04:09).
std::string Entry(const std::string& kinds, const std::string& message, const std::string& funktion,
                  const std::string& code) {
  return "\xFE\r\nSystem-Date: 07.03.26\r\nSystem-Time: 05:04:09\r\nMsgArt_____: " + kinds +
         "\r\nMessage____: " + message + "\r\nFunktion___: " + funktion + "\r\nErrorCode__: " + code + "\r\n";
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A POSIX path in the Windows form the program gives its log names in.
std::string WinForm(const fs::path& p) {
  std::string s = p.string();
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  return s;
}

// An in-memory file layer with scripted faults.
class MemFs : public LogFs {
 public:
  struct Fault {
    int code = 0;
    int times = 0;  // calls that fail; -1 for all of them
  };

  std::map<std::string, std::string> files;
  std::map<LogFsHandle, std::pair<std::string, std::size_t>> handles;  // path and position
  Fault openFault, seekFault, writeFault, closeFault, deleteFault, renameFault;
  int opens = 0, writes = 0, deletes = 0, renames = 0, pauses = 0;
  std::vector<std::pair<std::string, std::string>> renamed;  // successful renames
  std::function<void(int)> onPause;                          // called with the pause's number

  int Open(const char* path, LogFsHandle* handle) override {
    ++opens;
    *handle = LOGFS_NO_HANDLE;
    if (int rc = Take(openFault)) return rc;
    bool existed = files.count(path) != 0;
    files[path];
    *handle = next_++;
    handles[*handle] = {path, 0};
    return existed ? LOGFS_ALREADY_EXISTS : LOGFS_OK;
  }
  int SeekEnd(LogFsHandle handle) override {
    if (int rc = Take(seekFault)) return rc;
    auto& h = handles.at(handle);
    h.second = files[h.first].size();
    return LOGFS_OK;
  }
  int Write(LogFsHandle handle, const void* data, std::size_t n) override {
    ++writes;
    if (int rc = Take(writeFault)) return rc;
    auto& h = handles.at(handle);
    std::string& f = files[h.first];
    if (f.size() < h.second + n) f.resize(h.second + n);
    f.replace(h.second, n, static_cast<const char*>(data), n);
    h.second += n;
    return LOGFS_OK;
  }
  int Close(LogFsHandle handle) override {
    EXPECT_EQ(handles.erase(handle), 1u) << "close of a handle that is not open";
    return Take(closeFault);
  }
  int Delete(const char* path) override {
    ++deletes;
    if (int rc = Take(deleteFault)) return rc;
    return files.erase(path) != 0 ? LOGFS_OK : LOGFS_FILE_NOT_FOUND;
  }
  int Rename(const char* from, const char* to) override {
    ++renames;
    if (int rc = Take(renameFault)) return rc;
    auto it = files.find(from);
    if (it == files.end()) return LOGFS_FILE_NOT_FOUND;
    std::string bytes = it->second;
    files.erase(it);
    files[to] = bytes;
    renamed.emplace_back(from, to);
    return LOGFS_OK;
  }
  void Pause() override {
    ++pauses;
    if (onPause) onPause(pauses);
  }

 private:
  static int Take(Fault& f) {
    if (f.times == 0) return LOGFS_OK;
    if (f.times > 0) --f.times;
    return f.code;
  }
  LogFsHandle next_ = 1;
};

// The system's file access with the pauses counted and replaced by a hook.
class CountingFs : public LogFs {
 public:
  int pauses = 0;
  std::function<void(int)> onPause;

  int Open(const char* path, LogFsHandle* handle) override { return LogFs_System()->Open(path, handle); }
  int SeekEnd(LogFsHandle handle) override { return LogFs_System()->SeekEnd(handle); }
  int Write(LogFsHandle handle, const void* data, std::size_t n) override {
    return LogFs_System()->Write(handle, data, n);
  }
  int Close(LogFsHandle handle) override { return LogFs_System()->Close(handle); }
  int Delete(const char* path) override { return LogFs_System()->Delete(path); }
  int Rename(const char* from, const char* to) override { return LogFs_System()->Rename(from, to); }
  void Pause() override {
    ++pauses;
    if (onPause) onPause(pauses);
  }
};

// A second process holding the log file the way another instance of the
// program does: opened through the system's file layer, until released.
class Holder {
 public:
  explicit Holder(const std::string& path) {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      LogFsHandle h = LOGFS_NO_HANDLE;
      int rc = LogFs_System()->Open(path.c_str(), &h);
      char c = (rc == LOGFS_OK || rc == LOGFS_ALREADY_EXISTS) ? 'L' : 'E';
      if (write(up[1], &c, 1) != 1) _exit(1);
      // Holds the file until told to let go (or until the test process ends).
      ssize_t got = read(down[0], &c, 1);
      (void)got;
      if (h != LOGFS_NO_HANDLE) LogFs_System()->Close(h);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    toChild_ = down[1];
    char c = 0;
    holding_ = read(up[0], &c, 1) == 1 && c == 'L';
    close(up[0]);
  }
  ~Holder() { Release(); }

  bool Holding() const { return holding_ && pid_ > 0 && kill(pid_, 0) == 0; }

  // Lets go of the file and waits until the process has ended.
  void Release() {
    if (toChild_ >= 0) {
      char c = 'x';
      ssize_t put = write(toChild_, &c, 1);
      (void)put;
      close(toChild_);
      toChild_ = -1;
    }
    if (pid_ > 0) {
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  bool holding_ = false;
};

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.now = LocalTime(2026, 3, 7, 5, 4, 9);
    Clock_Install(&clock_);
    std::string tmpl = (fs::temp_directory_path() / "LogTest.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    log_ = dir_ / "Welfrast.Txt";
    backup_ = dir_ / "Welfrast.old";
  }
  void TearDown() override {
    LogFs_Install(nullptr);
    Clock_Install(nullptr);
    Log_Init(0, nullptr);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Writes n FMSG entries numbered from `first` in their ErrorCode.
  static void WriteMany(int n, int first = 1) {
    for (int i = 0; i < n; ++i) Log_Fmsg("Nza_MPA", "Nza_PKey_Read", first + i);
  }

  FixedClock clock_;
  fs::path dir_, log_, backup_;
};

TEST_F(LogTest, EntriesAreWrittenByteForByteWithoutBlankLines) {
  Log_Init(7, WinForm(log_).c_str());
  Log_Fmsg("Mlt_BeginnEnde()", "Mlt_PKeyIns", -1403);
  clock_.now = LocalTime(2099, 12, 31, 23, 59, 58);
  Log_Write(LogEntry{"Nzs_Verarbeiten", "Mrk_Kng_Open", FMSG, 0});

  EXPECT_EQ(ReadFile(log_),
            "\xFE\r\n"
            "System-Date: 07.03.26\r\n"
            "System-Time: 05:04:09\r\n"
            "MsgArt_____: FMSG \r\n"
            "Message____: Mlt_PKeyIns\r\n"
            "Funktion___: Mlt_BeginnEnde()\r\n"
            "ErrorCode__: -1403\r\n"
            "\xFE\r\n"
            "System-Date: 31.12.99\r\n"
            "System-Time: 23:59:58\r\n"
            "MsgArt_____: FMSG \r\n"
            "Message____: Mrk_Kng_Open\r\n"
            "Funktion___: Nzs_Verarbeiten\r\n"
            "ErrorCode__: 0\r\n");
}

TEST_F(LogTest, KindLineShowsEveryBitOfTheUnmaskedKind) {
  struct Case {
    int32_t msgArt;
    const char* kinds;
  };
  const Case cases[] = {
      {FMSG, "FMSG "},
      {DMSG, "DMSG "},
      {SMSG | FMSG, "SMSG FMSG "},
      {FMSG | WMSG, "FMSG WMSG "},  // WMSG is masked out but still shown
      {CMSG | DMSG | 64, "DMSG CMSG "},
      {DMSG | SMSG | FMSG | WMSG | CMSG, "DMSG SMSG FMSG WMSG CMSG "},
  };
  for (const Case& c : cases) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, "Welfrast.Txt");
    Log_Write(LogEntry{"F", "M", c.msgArt, 12});
    EXPECT_EQ(mem.files["Welfrast.Txt"], Entry(c.kinds, "M", "F", "12")) << "MsgArt " << c.msgArt;
    LogFs_Install(nullptr);
  }
}

TEST_F(LogTest, ErrorCodeIsSignedDecimal) {
  const std::pair<int32_t, const char*> cases[] = {
      {-1, "-1"}, {-3114, "-3114"}, {INT32_MIN, "-2147483648"}, {INT32_MAX, "2147483647"}, {1403, "1403"}};
  for (const auto& [code, text] : cases) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, "Welfrast.Txt");
    Log_Fmsg("F", "M", code);
    EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "M", "F", text));
    LogFs_Install(nullptr);
  }
}

TEST_F(LogTest, MaskedOutEntryTouchesNothingAndIsNotCounted) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  WriteMany(3000);
  std::string before = mem.files["Welfrast.Txt"];
  int opens = mem.opens;

  Log_Write(LogEntry{"F", "M", WMSG, 1});
  Log_Write(LogEntry{"F", "M", CMSG, 1});
  EXPECT_EQ(mem.opens, opens);
  EXPECT_EQ(mem.files["Welfrast.Txt"], before);

  // Had they been counted, this would be past the limit and rotate.
  Log_Fmsg("F", "3001st", 0);
  EXPECT_EQ(mem.renames, 0);
  Log_Fmsg("F", "3002nd", 0);
  EXPECT_EQ(mem.renames, 1);
}

TEST_F(LogTest, ExistingFileIsAppendedNeverTruncated) {
  const std::string earlier = "\xFE\r\nSystem-Date: 01.01.26\r\nearlier run, any bytes\r\n";
  WriteFile(log_, earlier);
  Log_Init(7, WinForm(log_).c_str());
  Log_Fmsg("Nza_MPA", "Nza_PKeyUpd", -1);
  EXPECT_EQ(ReadFile(log_), earlier + Entry("FMSG ", "Nza_PKeyUpd", "Nza_MPA", "-1"));
}

TEST_F(LogTest, The3002ndEntryMovesTheLogAsideAndStartsANewOne) {
  MemFs mem;
  LogFs_Install(&mem);
  mem.files["./Msg/Welfrast.Txt"] = "before this run\r\n";
  mem.files["./Msg/Welfrast.old"] = "older backup\r\n";
  Log_Init(7, ".\\Msg\\Welfrast.Txt");

  WriteMany(3001);
  EXPECT_EQ(mem.renames, 0);
  std::string full = mem.files["./Msg/Welfrast.Txt"];
  EXPECT_EQ(full.rfind("before this run\r\n", 0), 0u);
  EXPECT_NE(full.find("ErrorCode__: 3001\r\n"), std::string::npos);

  Log_Fmsg("Nza_MPA", "Nza_PKey_Read", 3002);
  ASSERT_EQ(mem.renamed.size(), 1u);
  EXPECT_EQ(mem.renamed[0], std::make_pair(std::string("./Msg/Welfrast.Txt"), std::string("./Msg/Welfrast.old")));
  EXPECT_EQ(mem.files["./Msg/Welfrast.old"], full);
  EXPECT_EQ(mem.files["./Msg/Welfrast.Txt"], Entry("FMSG ", "Nza_PKey_Read", "Nza_MPA", "3002"));

  // The counter restarted with the new file: 3000 more fit before the next move.
  WriteMany(3000);
  EXPECT_EQ(mem.renames, 1);
  WriteMany(1);
  EXPECT_EQ(mem.renames, 2);
}

TEST_F(LogTest, BackupNameReplacesTheExtensionOfTheFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {".\\Msg\\Welfrast.Txt", "./Msg/Welfrast.old"},
      {"Welfrast.Txt", "Welfrast.old"},
      {"Welfrast", "Welfrast.old"},
      {".\\Msg\\Welfrast", "./Msg/Welfrast.old"},          // the dots of the folders do not count
      {"..\\Log.d\\Welfrast.Txt.1", "../Log.d/Welfrast.old"},  // from the first dot on
      {"C:\\Bde\\Msg\\Welfrast.log", "C:/Bde/Msg/Welfrast.old"},
  };
  for (const auto& [name, backup] : cases) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, name);
    WriteMany(3002);
    ASSERT_EQ(mem.renamed.size(), 1u) << name;
    EXPECT_EQ(mem.renamed[0].second, backup) << name;
    LogFs_Install(nullptr);
  }
}

TEST_F(LogTest, RotationOnRealFilesReplacesTheBackup) {
  // The program's own relative name, from the working directory.
  fs::path cwd = fs::current_path();
  fs::create_directory(dir_ / "Msg");
  fs::current_path(dir_);
  WriteFile("Msg/Welfrast.Txt", "current log\r\n");
  WriteFile("Msg/Welfrast.old", "older backup\r\n");
  Log_Init(7, ".\\Msg\\Welfrast.Txt");

  // 3001 entries counted without touching the disk, then the real layer.
  MemFs mem;
  LogFs_Install(&mem);
  WriteMany(3001);
  CountingFs real;
  LogFs_Install(&real);
  Log_Fmsg("Nza_MPA", "Nza_PKey_Read", 3002);

  EXPECT_EQ(ReadFile("Msg/Welfrast.old"), "current log\r\n");
  EXPECT_EQ(ReadFile("Msg/Welfrast.Txt"), Entry("FMSG ", "Nza_PKey_Read", "Nza_MPA", "3002"));
  EXPECT_EQ(real.pauses, 0);
  fs::current_path(cwd);
}

TEST_F(LogTest, LogRemovedDuringTheRunIsStartedAfreshAtRotation) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  WriteMany(3001);
  mem.files.erase("Welfrast.Txt");  // an operator took the file away

  Log_Fmsg("F", "M", 3002);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "M", "F", "3002"));
  WriteMany(3000);
  EXPECT_EQ(mem.renames, 1);  // only the failed attempt: the counter restarted
}

TEST_F(LogTest, FailedRenameKeepsWritingToTheCurrentFileAndTriesAgain) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  WriteMany(3001);
  mem.renameFault = {LOGFS_FAILURE, 2};

  Log_Fmsg("F", "M", 3002);
  Log_Fmsg("F", "M", 3003);
  EXPECT_EQ(mem.renames, 2);
  EXPECT_TRUE(mem.renamed.empty());
  EXPECT_NE(mem.files["Welfrast.Txt"].find("ErrorCode__: 3003\r\n"), std::string::npos);
  EXPECT_EQ(mem.pauses, 0);

  Log_Fmsg("F", "M", 3004);
  ASSERT_EQ(mem.renamed.size(), 1u);
  EXPECT_NE(mem.files["Welfrast.old"].find("ErrorCode__: 3003\r\n"), std::string::npos);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "M", "F", "3004"));
}

TEST_F(LogTest, OpenIsWaitedOutOnlyForTheThreeSharingCodes) {
  struct Case {
    int code;
    bool waited;
  };
  const Case cases[] = {
      {LOGFS_ACCESS_DENIED, true},       {LOGFS_SHARING_VIOLATION, true},
      {LOGFS_SHARING_BUFFER_EXCEEDED, true}, {LOGFS_PATH_NOT_FOUND, false},
      {LOGFS_FILE_NOT_FOUND, false},     {LOGFS_FAILURE, false},
  };
  for (const Case& c : cases) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, "Welfrast.Txt");
    mem.openFault = {c.code, 2};
    Log_Fmsg("F", "M", 1);
    if (c.waited) {
      EXPECT_EQ(mem.pauses, 2) << c.code;
      EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "M", "F", "1")) << c.code;
    } else {
      EXPECT_EQ(mem.pauses, 0) << c.code;
      EXPECT_EQ(mem.opens, 1) << c.code;
      EXPECT_EQ(mem.files.count("Welfrast.Txt"), 0u) << c.code;
    }
    LogFs_Install(nullptr);
  }
}

TEST_F(LogTest, LastingAccessDeniedIsGivenUpAfterTheBound) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  mem.openFault = {LOGFS_ACCESS_DENIED, -1};

  Log_Fmsg("F", "first", 1);
  EXPECT_EQ(mem.pauses, LOG_PAUSES_MAX);
  EXPECT_EQ(mem.opens, LOG_PAUSES_MAX + 1);
  EXPECT_TRUE(mem.files.empty());

  // While the log stays unwritable, each entry costs a single attempt.
  Log_Fmsg("F", "second", 2);
  EXPECT_EQ(mem.pauses, LOG_PAUSES_MAX);
  EXPECT_EQ(mem.opens, LOG_PAUSES_MAX + 2);

  mem.openFault = {};
  Log_Fmsg("F", "third", 3);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "third", "F", "3"));

  // Once an entry got through, a refusal is waited out in full again.
  mem.openFault = {LOGFS_SHARING_VIOLATION, 3};
  Log_Fmsg("F", "fourth", 4);
  EXPECT_EQ(mem.pauses, LOG_PAUSES_MAX + 3);
  EXPECT_NE(mem.files["Welfrast.Txt"].find("fourth"), std::string::npos);
}

TEST_F(LogTest, RenameRefusedBeyondTheBoundDropsTheEntryAndTriesAgainLater) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  WriteMany(3001);
  std::string full = mem.files["Welfrast.Txt"];
  mem.renameFault = {LOGFS_SHARING_VIOLATION, -1};

  Log_Fmsg("F", "dropped", 3002);
  EXPECT_EQ(mem.pauses, LOG_PAUSES_MAX);
  EXPECT_EQ(mem.files["Welfrast.Txt"], full);
  EXPECT_TRUE(mem.handles.empty());

  mem.renameFault = {};
  Log_Fmsg("F", "next", 3003);
  ASSERT_EQ(mem.renamed.size(), 1u);
  EXPECT_EQ(mem.files["Welfrast.old"], full);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "next", "F", "3003"));
}

TEST_F(LogTest, BackupThatCannotBeDeletedIsWaitedForThenIgnored) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  WriteMany(3001);
  mem.deleteFault = {LOGFS_SHARING_VIOLATION, 2};
  Log_Fmsg("F", "M", 3002);
  EXPECT_EQ(mem.deletes, 3);
  EXPECT_EQ(mem.pauses, 2);
  EXPECT_EQ(mem.renamed.size(), 1u);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "M", "F", "3002"));
}

TEST_F(LogTest, FailedSeekWriteOrCloseIsNotCounted) {
  enum Step { SEEK, WRITE, CLOSE };
  struct Case {
    Step step;
    bool inFile;
  };
  const Case cases[] = {{SEEK, false}, {WRITE, false}, {CLOSE, true}};
  for (const Case& c : cases) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, "Welfrast.Txt");
    MemFs::Fault once{LOGFS_FAILURE, 1};
    if (c.step == SEEK) mem.seekFault = once;
    if (c.step == WRITE) mem.writeFault = once;
    if (c.step == CLOSE) mem.closeFault = once;

    Log_Fmsg("F", "faulty", 0);
    EXPECT_TRUE(mem.handles.empty()) << c.step;
    EXPECT_EQ(mem.files["Welfrast.Txt"] == Entry("FMSG ", "faulty", "F", "0"), c.inFile) << c.step;
    WriteMany(3001);
    EXPECT_EQ(mem.renames, 0) << c.step;
    WriteMany(1);
    EXPECT_EQ(mem.renames, 1) << c.step;
    LogFs_Install(nullptr);
  }
}

TEST_F(LogTest, WriterWaitsForASecondProcessHoldingTheFile) {
  WriteFile(log_, "held\r\n");
  Holder holder(log_.string());
  ASSERT_TRUE(holder.Holding());

  CountingFs real;
  bool heldWhileRefused = true;
  real.onPause = [&](int n) {
    heldWhileRefused = heldWhileRefused && holder.Holding();
    if (n == 2) holder.Release();
  };
  LogFs_Install(&real);
  Log_Init(7, WinForm(log_).c_str());
  Log_Fmsg("Mlt_Unterbr_Nza()", "Nza_Unterbr_Read", -1001);

  EXPECT_TRUE(heldWhileRefused);
  EXPECT_EQ(real.pauses, 2);  // refused twice, written at the third attempt
  EXPECT_EQ(ReadFile(log_), "held\r\n" + Entry("FMSG ", "Nza_Unterbr_Read", "Mlt_Unterbr_Nza()", "-1001"));
}

TEST_F(LogTest, RotationWaitsForASecondProcessHoldingTheFile) {
  WriteFile(log_, "held\r\n");
  Log_Init(7, WinForm(log_).c_str());
  MemFs mem;
  LogFs_Install(&mem);
  WriteMany(3001);

  Holder holder(log_.string());
  ASSERT_TRUE(holder.Holding());
  CountingFs real;
  real.onPause = [&](int) { holder.Release(); };
  LogFs_Install(&real);
  Log_Fmsg("F", "M", 3002);

  EXPECT_EQ(real.pauses, 1);
  EXPECT_EQ(ReadFile(backup_), "held\r\n");
  EXPECT_EQ(ReadFile(log_), Entry("FMSG ", "M", "F", "3002"));
}

TEST_F(LogTest, MissingFolderIsNotCreatedAndTheEntryDropped) {
  fs::path noFolder = dir_ / "Msg" / "Welfrast.Txt";
  CountingFs real;
  LogFs_Install(&real);
  Log_Init(7, WinForm(noFolder).c_str());
  Log_Fmsg("F", "M", 1);
  EXPECT_FALSE(fs::exists(dir_ / "Msg"));
  EXPECT_EQ(real.pauses, 0);
}

TEST_F(LogTest, LongTextsAreWrittenInFullInOneWrite) {
  const std::string message(700, 'M');
  const std::string funktion = "Mlt_PA_Pausen_PZM() " + std::string(300, 'F');
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  Log_Fmsg(funktion.c_str(), message.c_str(), INT32_MIN);
  EXPECT_EQ(mem.writes, 1);
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", message, funktion, "-2147483648"));

  // The same through the real file layer.
  LogFs_Install(nullptr);
  Log_Init(7, WinForm(log_).c_str());
  Log_Fmsg(funktion.c_str(), message.c_str(), INT32_MIN);
  EXPECT_EQ(ReadFile(log_), Entry("FMSG ", message, funktion, "-2147483648"));
}

TEST_F(LogTest, MissingTextsAreWrittenEmpty) {
  MemFs mem;
  LogFs_Install(&mem);
  Log_Init(7, "Welfrast.Txt");
  Log_Write(LogEntry{nullptr, nullptr, FMSG, 5});
  EXPECT_EQ(mem.files["Welfrast.Txt"], Entry("FMSG ", "", "", "5"));
}

TEST_F(LogTest, LongFileNamesAreTakenInFull) {
  // Well past 64 characters, and its backup name longer still.
  const std::string name = std::string(90, 'w') + "_Welfrast";
  fs::path longLog = dir_ / name;
  Log_Init(7, WinForm(longLog).c_str());
  Log_Fmsg("F", "M", 1);
  EXPECT_EQ(ReadFile(longLog), Entry("FMSG ", "M", "F", "1"));

  MemFs mem;
  LogFs_Install(&mem);
  WriteMany(3001);
  ASSERT_EQ(mem.renamed.size(), 1u);
  EXPECT_EQ(mem.renamed[0].first, longLog.string());
  EXPECT_EQ(mem.renamed[0].second, longLog.string() + ".old");
}

TEST_F(LogTest, WithoutAFileNameTheLogStaysSilent) {
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    MemFs mem;
    LogFs_Install(&mem);
    Log_Init(7, name);
    Log_Fmsg("F", "M", 1);
    EXPECT_EQ(mem.opens, 0);
    EXPECT_TRUE(mem.files.empty());
    LogFs_Install(nullptr);
  }
}

// The system's file layer itself.

TEST_F(LogTest, SystemLayerCreatesOpensAndRefusesASecondWriter) {
  LogFs* sys = LogFs_System();
  const std::string p = log_.string();
  LogFsHandle a = LOGFS_NO_HANDLE, b = LOGFS_NO_HANDLE;

  ASSERT_EQ(sys->Open(p.c_str(), &a), LOGFS_OK);
  ASSERT_NE(a, LOGFS_NO_HANDLE);
  EXPECT_EQ(sys->Write(a, "one", 3), LOGFS_OK);
  // Held: a second open for writing and a rename are refused.
  EXPECT_EQ(sys->Open(p.c_str(), &b), LOGFS_SHARING_VIOLATION);
  EXPECT_EQ(b, LOGFS_NO_HANDLE);
  EXPECT_EQ(sys->Rename(p.c_str(), backup_.string().c_str()), LOGFS_SHARING_VIOLATION);
  EXPECT_EQ(ReadFile(log_), "one");  // readers are not kept out
  EXPECT_EQ(sys->Close(a), LOGFS_OK);

  ASSERT_EQ(sys->Open(p.c_str(), &b), LOGFS_ALREADY_EXISTS);
  EXPECT_EQ(sys->SeekEnd(b), LOGFS_OK);
  EXPECT_EQ(sys->Write(b, "two", 3), LOGFS_OK);
  EXPECT_EQ(sys->Close(b), LOGFS_OK);
  EXPECT_EQ(ReadFile(log_), "onetwo");

  EXPECT_EQ(sys->Rename(p.c_str(), backup_.string().c_str()), LOGFS_OK);
  EXPECT_EQ(ReadFile(backup_), "onetwo");
  EXPECT_EQ(sys->Rename(p.c_str(), backup_.string().c_str()), LOGFS_FILE_NOT_FOUND);
  EXPECT_EQ(sys->Delete(backup_.string().c_str()), LOGFS_OK);
  EXPECT_EQ(sys->Delete(backup_.string().c_str()), LOGFS_FILE_NOT_FOUND);
  EXPECT_EQ(sys->Open((dir_ / "Msg" / "x.Txt").string().c_str(), &a), LOGFS_PATH_NOT_FOUND);
  EXPECT_EQ(a, LOGFS_NO_HANDLE);
}

TEST_F(LogTest, SystemLayerPausesAThirdOfASecond) {
  auto start = std::chrono::steady_clock::now();
  LogFs_System()->Pause();
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(333));
}

}  // namespace

#include "log/Log.h"

#include <cstring>
#include <ctime>
#include <string>

#include "log/LogFs.h"
#include "util/Clock.h"
#include "util/Path.h"

namespace {

constexpr int LOG_LIMIT = 3000;

struct LogState {
  bool enabled = false;
  int32_t mask = 0;
  std::string file;    // platform form
  std::string backup;  // platform form
  int limit = LOG_LIMIT;
  int counter = 0;     // entries of this process in the current file
  // Set when an entry was dropped because its waits ran out; until an entry
  // gets through again, every step makes a single attempt, so that a log
  // that stays unwritable costs the run no more than one try per entry.
  bool starved = false;
};

LogState g_log;

struct KindLabel {
  int32_t bit;
  const char* label;
};

const KindLabel kKinds[] = {
    {DMSG, "DMSG "}, {SMSG, "SMSG "}, {FMSG, "FMSG "}, {WMSG, "WMSG "}, {CMSG, "CMSG "},
};

// The backup name: the extension (from the first '.' after the last folder
// separator on) replaced by ".old", or ".old" appended without extension.
std::string BackupName(const std::string& name) {
  std::size_t sep = name.find_last_of("\\/");
  std::size_t start = sep == std::string::npos ? 0 : sep + 1;
  std::size_t dot = name.find('.', start);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + ".old";
}

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

std::string Compose(const LogEntry& entry) {
  std::tm now{};
  Clock_LocalNow(&now);
  char date[16];
  char time[16];
  if (std::strftime(date, sizeof date, "%d.%m.%y", &now) == 0) date[0] = '\0';
  if (std::strftime(time, sizeof time, "%H:%M:%S", &now) == 0) time[0] = '\0';

  // Texts are written in full, whatever their length.
  const char* message = OrEmpty(entry.Message);
  const char* funktion = OrEmpty(entry.Funktion);
  std::string text;
  text.reserve(128 + std::strlen(message) + std::strlen(funktion));
  text += '\xFE';
  text += "\r\n";
  text += "System-Date: ";
  text += date;
  text += "\r\n";
  text += "System-Time: ";
  text += time;
  text += "\r\n";
  text += "MsgArt_____: ";
  for (const KindLabel& k : kKinds) {
    if ((entry.MsgArt & k.bit) != 0) text += k.label;
  }
  text += "\r\n";
  text += "Message____: ";
  text += message;
  text += "\r\n";
  text += "Funktion___: ";
  text += funktion;
  text += "\r\n";
  text += "ErrorCode__: ";
  text += std::to_string(entry.ErrorCode);
  text += "\r\n";
  return text;
}

bool Waitable(int rc) {
  return rc == LOGFS_ACCESS_DENIED || rc == LOGFS_SHARING_VIOLATION || rc == LOGFS_SHARING_BUFFER_EXCEEDED;
}

// Runs one step, waiting out the codes that pass with time in 333 ms pauses,
// at most LOG_PAUSES_MAX of them (none while starved). Returns the step's last
// result; *ranOut tells that it was still refused when the waits ran out.
template <class Step>
int Log_Retry(LogFs* fs, Step step, bool* ranOut) {
  int pauses = g_log.starved ? 0 : LOG_PAUSES_MAX;
  int rc = step();
  while (Waitable(rc)) {
    if (pauses == 0) {
      *ranOut = true;
      return rc;
    }
    fs->Pause();
    --pauses;
    rc = step();
  }
  *ranOut = false;
  return rc;
}

}  // namespace

void Log_Init(int32_t mask, const char* fileName) {
  g_log = LogState{};
  g_log.mask = mask;
  // Names are taken at any length: cutting one would write to another file.
  // A name the file system cannot take makes every open fail, which drops
  // the entries as any other open failure does.
  if (fileName == nullptr || fileName[0] == '\0') return;
  g_log.file = Path_Native(fileName);
  g_log.backup = Path_Native(BackupName(fileName).c_str());
  g_log.enabled = true;
}

void Log_Write(const LogEntry& entry) {
  if (!g_log.enabled) return;
  if ((entry.MsgArt & g_log.mask) == 0) return;

  std::string text = Compose(entry);
  LogFs* fs = LogFs_Get();
  const char* file = g_log.file.c_str();
  const char* backup = g_log.backup.c_str();
  bool ranOut = false;

  if (g_log.counter > g_log.limit) {
    // Any failure to delete the old backup is ignored; the rename tells.
    Log_Retry(fs, [&] { return fs->Delete(backup); }, &ranOut);
    int rc = Log_Retry(fs, [&] { return fs->Rename(file, backup); }, &ranOut);
    if (rc == LOGFS_OK || rc == LOGFS_FILE_NOT_FOUND) {
      // Moved aside, or nothing left to move (the file was removed
      // meanwhile): either way the next open starts a new file.
      g_log.counter = 0;
    } else if (ranOut) {
      g_log.starved = true;
      return;
    }
    // Any other failure keeps the current file: the entry goes into it and
    // the counter stays above the limit, so the next entry tries again.
  }

  LogFsHandle h = LOGFS_NO_HANDLE;
  int rc = Log_Retry(fs, [&] { return fs->Open(file, &h); }, &ranOut);
  if (rc != LOGFS_OK && rc != LOGFS_ALREADY_EXISTS) {
    if (ranOut) g_log.starved = true;
    return;
  }
  if (fs->SeekEnd(h) != LOGFS_OK || fs->Write(h, text.data(), text.size()) != LOGFS_OK) {
    fs->Close(h);
    return;
  }
  g_log.starved = false;
  if (fs->Close(h) != LOGFS_OK) return;
  ++g_log.counter;
}

// File access of the message log: the few operations the writer needs, with
// the failures reported as Windows error codes so that the writer decides the
// same way on every platform. The real layer is the system's file access; tests
// install a layer of their own to inject faults and to skip the real pauses.
#pragma once

#include <cstddef>
#include <cstdint>

// Results of the layer's operations (Windows error codes).
constexpr int LOGFS_OK = 0;
constexpr int LOGFS_FILE_NOT_FOUND = 2;
constexpr int LOGFS_PATH_NOT_FOUND = 3;
constexpr int LOGFS_ACCESS_DENIED = 5;
constexpr int LOGFS_FAILURE = 31;  // any failure without a code of its own
constexpr int LOGFS_SHARING_VIOLATION = 32;
constexpr int LOGFS_SHARING_BUFFER_EXCEEDED = 36;
constexpr int LOGFS_DISK_FULL = 112;
constexpr int LOGFS_ALREADY_EXISTS = 183;
constexpr int LOGFS_NAME_TOO_LONG = 206;

// An open log file.
using LogFsHandle = std::intptr_t;
constexpr LogFsHandle LOGFS_NO_HANDLE = -1;

// Pauses of 333 ms the writer makes, at most, for one step of one entry while
// the file is refused with access denied, sharing violation or sharing buffer
// exceeded (about five seconds).
constexpr int LOG_PAUSES_MAX = 15;

class LogFs {
 public:
  virtual ~LogFs() = default;

  // Opens `path` for reading and writing, creating it when it does not exist,
  // with write-through (a write is on the disk when it returns), sharing it
  // with readers only: while it is open, a second open for writing is refused
  // with LOGFS_SHARING_VIOLATION. Returns LOGFS_OK when the file was created,
  // LOGFS_ALREADY_EXISTS when it was there; *handle is set in both cases and
  // LOGFS_NO_HANDLE otherwise.
  virtual int Open(const char* path, LogFsHandle* handle) = 0;
  // Moves to the end of the file.
  virtual int SeekEnd(LogFsHandle handle) = 0;
  // Writes all n bytes at the current position.
  virtual int Write(LogFsHandle handle, const void* data, std::size_t n) = 0;
  // Closes the file; the handle is gone whatever the result.
  virtual int Close(LogFsHandle handle) = 0;
  // Deletes a file; LOGFS_FILE_NOT_FOUND when there is none.
  virtual int Delete(const char* path) = 0;
  // Renames a file; refused with LOGFS_SHARING_VIOLATION while the file is
  // open through Open, LOGFS_FILE_NOT_FOUND when `from` does not exist.
  virtual int Rename(const char* from, const char* to) = 0;
  // Waits 333 ms.
  virtual void Pause() = 0;
};

// The system's file access.
LogFs* LogFs_System();
// The layer in use: the system's unless a test installed another one.
LogFs* LogFs_Get();
// Installs a layer (nullptr restores the system's) and returns the previous
// one. The caller keeps ownership and keeps it alive while it is installed.
LogFs* LogFs_Install(LogFs* fs);

#include "log/LogFs.h"

#ifdef _WIN32

#include <windows.h>

namespace {

// On Windows the layer is a thin cover over the file API: the sharing mode
// FILE_SHARE_READ refuses a second writer, and the error codes are the
// system's own.
class SystemLogFs : public LogFs {
 public:
  int Open(const char* path, LogFsHandle* handle) override {
    *handle = LOGFS_NO_HANDLE;
    HANDLE f = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    DWORD err = GetLastError();
    if (f == INVALID_HANDLE_VALUE) return err != 0 ? static_cast<int>(err) : LOGFS_FAILURE;
    *handle = reinterpret_cast<LogFsHandle>(f);
    return err == ERROR_ALREADY_EXISTS ? LOGFS_ALREADY_EXISTS : LOGFS_OK;
  }

  int SeekEnd(LogFsHandle handle) override {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle), zero, nullptr, FILE_END)) return LastError();
    return LOGFS_OK;
  }

  int Write(LogFsHandle handle, const void* data, std::size_t n) override {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
      DWORD written = 0;
      if (!WriteFile(reinterpret_cast<HANDLE>(handle), p, chunk, &written, nullptr)) return LastError();
      if (written == 0) return LOGFS_FAILURE;
      p += written;
      n -= written;
    }
    return LOGFS_OK;
  }

  int Close(LogFsHandle handle) override {
    return CloseHandle(reinterpret_cast<HANDLE>(handle)) ? LOGFS_OK : LastError();
  }

  int Delete(const char* path) override { return DeleteFileA(path) ? LOGFS_OK : LastError(); }

  int Rename(const char* from, const char* to) override { return MoveFileA(from, to) ? LOGFS_OK : LastError(); }

  void Pause() override { Sleep(333); }

 private:
  static int LastError() {
    DWORD err = GetLastError();
    return err != 0 ? static_cast<int>(err) : LOGFS_FAILURE;
  }
};

}  // namespace

#else  // POSIX

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// POSIX has no sharing modes. The layer keeps an exclusive advisory lock
// (flock) on the file while it is open, so a second writer going through this
// layer (another instance of the program) is refused with a sharing violation,
// as on Windows; readers that do not lock are never disturbed.

int MapErrno(int e) {
  switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return LOGFS_ACCESS_DENIED;
    case EWOULDBLOCK:
      return LOGFS_SHARING_VIOLATION;
    case ENOLCK:
      return LOGFS_SHARING_BUFFER_EXCEEDED;
    case ENOENT:
      return LOGFS_FILE_NOT_FOUND;
    case ENOTDIR:
      return LOGFS_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT:
      return LOGFS_DISK_FULL;
    case EEXIST:
      return LOGFS_ALREADY_EXISTS;
    case ENAMETOOLONG:
      return LOGFS_NAME_TOO_LONG;
    default:
      return LOGFS_FAILURE;
  }
}

// Takes the lock without waiting: 0, or the mapped failure.
int LockNow(int fd) {
  int r;
  do {
    r = flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r == 0 ? LOGFS_OK : MapErrno(errno);
}

bool SameFile(int fd, const char* path) {
  struct stat byFd, byName;
  if (fstat(fd, &byFd) != 0 || stat(path, &byName) != 0) return false;
  return byFd.st_dev == byName.st_dev && byFd.st_ino == byName.st_ino;
}

class SystemLogFs : public LogFs {
 public:
  int Open(const char* path, LogFsHandle* handle) override {
    *handle = LOGFS_NO_HANDLE;
    // A file moved aside or deleted by another writer between the open and
    // the lock is opened again under its name; a name that keeps changing is
    // treated like a file held by another writer.
    for (int attempt = 0; attempt < 3; ++attempt) {
      bool created = true;
      int fd = OpenFd(path, O_RDWR | O_CREAT | O_EXCL | O_SYNC | O_CLOEXEC);
      if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = OpenFd(path, O_RDWR | O_SYNC | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) continue;
      }
      if (fd < 0) {
        // With O_CREAT a missing name means a missing folder.
        return errno == ENOENT ? LOGFS_PATH_NOT_FOUND : MapErrno(errno);
      }
      int rc = LockNow(fd);
      if (rc != LOGFS_OK) {
        close(fd);
        return rc;
      }
      if (!SameFile(fd, path)) {
        close(fd);
        continue;
      }
      *handle = fd;
      return created ? LOGFS_OK : LOGFS_ALREADY_EXISTS;
    }
    return LOGFS_SHARING_VIOLATION;
  }

  int SeekEnd(LogFsHandle handle) override {
    return lseek(static_cast<int>(handle), 0, SEEK_END) < 0 ? MapErrno(errno) : LOGFS_OK;
  }

  int Write(LogFsHandle handle, const void* data, std::size_t n) override {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      ssize_t w = write(static_cast<int>(handle), p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return MapErrno(errno);
      if (w == 0) return LOGFS_FAILURE;
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    return LOGFS_OK;
  }

  int Close(LogFsHandle handle) override {
    // Not repeated on EINTR: on Linux the descriptor is gone after any close.
    return close(static_cast<int>(handle)) == 0 ? LOGFS_OK : MapErrno(errno);
  }

  int Delete(const char* path) override { return unlink(path) == 0 ? LOGFS_OK : MapErrno(errno); }

  int Rename(const char* from, const char* to) override {
    // Windows refuses to move a file another process has open for writing;
    // the lock gives the same here. Only a file that cannot even be opened
    // for reading is moved without that check.
    int fd = OpenFd(from, O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return LOGFS_FILE_NOT_FOUND;
    if (fd >= 0) {
      int rc = LockNow(fd);
      if (rc != LOGFS_OK) {
        close(fd);
        return rc;
      }
    }
    int rc = std::rename(from, to) == 0 ? LOGFS_OK : MapErrno(errno);
    if (fd >= 0) close(fd);
    return rc;
  }

  void Pause() override {
    struct timespec left = {0, 333L * 1000L * 1000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }

 private:
  static int OpenFd(const char* path, int flags) {
    int fd;
    do {
      fd = open(path, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
  }
};

}  // namespace

#endif

namespace {

SystemLogFs g_system_fs;
LogFs* g_fs = &g_system_fs;

}  // namespace

LogFs* LogFs_System() { return &g_system_fs; }

LogFs* LogFs_Get() { return g_fs; }

LogFs* LogFs_Install(LogFs* fs) {
  LogFs* previous = g_fs;
  g_fs = fs != nullptr ? fs : &g_system_fs;
  return previous;
}

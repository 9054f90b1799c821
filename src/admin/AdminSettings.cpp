#include "admin/AdminSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/Idea.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Paar {
  const char* kopf;
  const char* wertZeile;  // number;key;
  const char* name;       // for messages
};

const Paar kPaare[] = {
    {"[Datenbank];KORVALIS;Benutzer", "1;LOGIN;", "the login"},
    {"[Datenbank];KORVALIS;Kennwort", "2;PASS;", "the password"},
    {"[Datenbank];KORVALIS;Dienst", "3;NET8;", "the service"},
};

#ifndef _WIN32
bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return fsync(fd) == 0;
}
#endif

}  // namespace

bool Settings_Text(const char* login, const char* password, const char* service, std::string* text,
                   std::string* error) {
  const char* werte[] = {login, password, service};
  text->clear();
  for (int i = 0; i < 3; ++i) {
    if (std::strlen(werte[i]) > SETTINGS_WERT_MAX) {
      *error = std::string(kPaare[i].name) + " is longer than " + std::to_string(SETTINGS_WERT_MAX) +
               " characters, which a settings value cannot hold";
      return false;
    }
    *text += kPaare[i].kopf;
    *text += "\r\n";
    *text += kPaare[i].wertZeile;
    *text += Idea_Encode(werte[i], IDEA_SCHLUESSEL);
    *text += "\r\n";
  }
  return true;
}

bool Settings_Schreiben(const char* path, const std::string& text, bool replace, std::string* error) {
#ifdef _WIN32
  // The file takes the permissions of its folder, which the installation
  // restricts to the service account.
  std::FILE* f = std::fopen(path, replace ? "wb" : "wbx");
  if (f == nullptr) {
    *error = errno == EEXIST ? std::string(path) + " exists; give --force to replace it"
                             : std::string("cannot create ") + path + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) {
    *error = std::string("cannot write ") + path;
    return false;
  }
  return true;
#else
  if (!replace) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      *error = errno == EEXIST ? std::string(path) + " exists; give --force to replace it"
                               : std::string("cannot create ") + path + ": " + std::strerror(errno);
      return false;
    }
    const bool ok = WriteAll(fd, text);
    const int e = errno;
    if (close(fd) != 0 || !ok) {
      *error = std::string("cannot write ") + path + ": " + std::strerror(ok ? errno : e);
      unlink(path);
      return false;
    }
    return true;
  }
  // Replace: a new file of mode 0600 beside the old one, renamed over it, so
  // the old file's permissions never apply to the new content and a reader
  // sees either the old or the new file whole.
  std::string tmp = std::string(path) + ".XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) {
    *error = std::string("cannot create a file beside ") + path + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = WriteAll(fd, text);  // mkstemp creates it with mode 0600
  const int e = errno;
  if (close(fd) != 0 || !ok) {
    *error = std::string("cannot write ") + path + ": " + std::strerror(ok ? errno : e);
    unlink(tmp.c_str());
    return false;
  }
  if (rename(tmp.c_str(), path) != 0) {
    *error = std::string("cannot replace ") + path + ": " + std::strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  return true;
#endif
}

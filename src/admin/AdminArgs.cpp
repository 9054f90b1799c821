#include "admin/AdminArgs.h"

#include <cstdarg>
#include <cstring>
#include <initializer_list>

#include "admin/AdminDb.h"
#include "db/DbStatus.h"

namespace {

void VLine(const char* cmd, const char* fmt, va_list ap, const char* tail) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  // One line, whatever the message holds.
  for (char* c = text; *c != '\0'; ++c) {
    if (*c == '\n' || *c == '\r') *c = ' ';
  }
  std::fprintf(stderr, "welfrast-admin %s: %s%s\n", cmd, text, tail);
}

}  // namespace

int Admin_UsageError(const char* cmd, const char* fmt, ...) {
  char tail[96];
  std::snprintf(tail, sizeof tail, " (try welfrast-admin %s --help)", cmd);
  va_list ap;
  va_start(ap, fmt);
  VLine(cmd, fmt, ap, tail);
  va_end(ap);
  return 2;
}

int Admin_Fail(const char* cmd, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  VLine(cmd, fmt, ap, "");
  va_end(ap);
  return 1;
}

AdminParse Admin_ParseArgs(const char* cmd, int argc, char** argv, const AdminOption* options, int optionCount,
                           const char** positional, int maxPositional, int* count) {
  *count = 0;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!optionsEnded && a[0] == '-' && a[1] != '\0') {
      if (std::strcmp(a, "--") == 0) {
        optionsEnded = true;
        continue;
      }
      if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) return AdminParse::Help;
      const char* eq = std::strchr(a, '=');
      const std::size_t nameLen = eq != nullptr ? static_cast<std::size_t>(eq - a) : std::strlen(a);
      const AdminOption* found = nullptr;
      for (int k = 0; k < optionCount; ++k) {
        if (std::strlen(options[k].name) == nameLen && std::strncmp(options[k].name, a, nameLen) == 0) {
          found = &options[k];
        }
      }
      if (found == nullptr) {
        Admin_UsageError(cmd, "unknown option '%.*s'", static_cast<int>(nameLen > 40 ? 40 : nameLen), a);
        return AdminParse::Error;
      }
      if (found->value != nullptr) {
        if (eq != nullptr) {
          *found->value = eq + 1;
        } else if (i + 1 < argc) {
          *found->value = argv[++i];
        } else {
          Admin_UsageError(cmd, "option %s needs a value", found->name);
          return AdminParse::Error;
        }
      } else {
        if (eq != nullptr) {
          Admin_UsageError(cmd, "option %s takes no value", found->name);
          return AdminParse::Error;
        }
        *found->flag = true;
      }
      continue;
    }
    if (*count >= maxPositional) {
      Admin_UsageError(cmd, "too many arguments");
      return AdminParse::Error;
    }
    positional[(*count)++] = a;
  }
  return AdminParse::Ok;
}

const char* Admin_StatusText(int status) {
  switch (status) {
    case ORA_CANT_RESOLVE: return "the database does not exist or cannot be reached";
    case ORA_CORRUPT: return "the file is not a database";
    case ORA_NO_TABLE: return "the Welfrast tables are missing (run welfrast-admin init SERVICE first)";
    case ORA_INVALID_IDENT: return "a table lacks a Welfrast column (not a Welfrast database?)";
    case ORA_PRIVILEGES: return "no permission to write the database";
    case ORA_RESOURCE_BUSY: return "the database is locked by another program";
    case ORA_LOGON_DENIED: return "the login was refused";
    case ORA_NO_LISTENER: return "the database server does not answer";
    case ORA_NO_SPACE: return "the database is full";
    case ORA_IO: return "input/output error";
    case ORA_DUP_KEY: return "a row with the same key exists already";
    case ORA_NOT_CONNECTED: return "not connected";
    default: return "database error";
  }
}

bool Admin_ServiceKnown(const char* service) {
  for (const char* prefix : {"sqlite:", "postgresql://", "postgres://", "pgservice:"}) {
    if (std::strncmp(service, prefix, std::strlen(prefix)) == 0) return std::strlen(service) > std::strlen(prefix);
  }
  return false;
}

DbDriver* Admin_OpenExisting(const char* cmd, const char* service) {
  if (!Admin_ServiceKnown(service)) {
    Admin_UsageError(cmd, "unknown service form (expected sqlite:PATH, postgresql://..., or pgservice:NAME)");
    return nullptr;
  }
  int status = 0;
  DbDriver* db = Admin_Connect(service, 0, &status);
  if (db == nullptr) {
    Admin_Fail(cmd, "cannot open the database: %s (status %d)", Admin_StatusText(status), status);
    return nullptr;
  }
  Db_Install(db);
  return db;
}

#include <cstring>

#include "db/DbDriver.h"
#include "db/DbStatus.h"
#include "db/PgDriver.h"
#include "db/SqliteDriver.h"

namespace {
DbDriver* g_session = nullptr;

bool StartsWith(const char* s, const char* prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}
}  // namespace

DbDriver* Db_OpenDriver(const char* service, const char* login, const char* password, int* status,
                        int flags) {
  int dummy = 0;
  if (status == nullptr) status = &dummy;
  if (service == nullptr) service = "";
  if (StartsWith(service, "sqlite:")) {
    return SqliteDriver_Open(service + 7, (flags & DB_OPEN_CREATE) != 0, status);
  }
  if (StartsWith(service, "postgresql://") || StartsWith(service, "postgres://") ||
      StartsWith(service, "pgservice:")) {
    return PgDriver_Open(service, login, password, status);
  }
  *status = ORA_CANT_RESOLVE;
  return nullptr;
}

DbDriver* Db_Session() { return g_session; }

DbDriver* Db_Install(DbDriver* driver) {
  DbDriver* previous = g_session;
  g_session = driver;
  return previous;
}

int Db_Exec(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) {
  return g_session != nullptr ? g_session->Execute(sql, in, nin, out, nout) : ORA_NOT_CONNECTED;
}

int Db_Open(int cursor, const char* sql, const DbIn* in, int nin) {
  return g_session != nullptr ? g_session->OpenCursor(cursor, sql, in, nin) : ORA_NOT_CONNECTED;
}

int Db_Fetch(int cursor, const DbOut* out, int nout) {
  return g_session != nullptr ? g_session->FetchCursor(cursor, out, nout) : ORA_NOT_CONNECTED;
}

int Db_Close(int cursor) {
  return g_session != nullptr ? g_session->CloseCursor(cursor) : ORA_NOT_CONNECTED;
}

int Db_Commit() { return g_session != nullptr ? g_session->Commit() : ORA_NOT_CONNECTED; }

int Db_Write(const char* savepoint, const char* sql, const char* rollback, const DbIn* in, int nin) {
  Db_Exec(savepoint, nullptr, 0);
  int status = Db_Exec(sql, in, nin);
  if (status == DB_OK) {
    Db_Commit();
  } else {
    Db_Exec(rollback, nullptr, 0);
  }
  return status;
}

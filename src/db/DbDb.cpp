#include "db/DbDb.h"

#include <cstdio>

#include "config/Ini.h"
#include "db/DbDriver.h"
#include "db/DbStatus.h"

namespace {
// The longest connect string LOGIN/PASS@NET8 the session takes.
constexpr int CONNECT_MAX = 100;
}  // namespace

int dbConnect() {
  char login[INI_WERT_LEN];
  char password[INI_WERT_LEN];
  char service[INI_WERT_LEN];
  Ini_DbLogin(login, password, service);

  // The system's connect string is user/password@service. One that does not
  // fit is refused rather than cut into a different login.
  char connect[CONNECT_MAX + 1];
  int n = std::snprintf(connect, sizeof connect, "%s/%s@%s", login, password, service);
  if (n < 0 || n > CONNECT_MAX) return ORA_CANT_RESOLVE;

  int status = 0;
  DbDriver* driver = Db_OpenDriver(service, login, password, &status);
  if (driver == nullptr) return status != DB_OK ? status : ORA_CANT_RESOLVE;
  delete Db_Install(driver);
  return DB_OK;
}

void dbCommit() { Db_Commit(); }

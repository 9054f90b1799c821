#include "admin/AdminDb.h"

#include <cstdlib>
#include <cstring>

bool Admin_SchemaEngine(const char* service, SchemaEngine* engine) {
  if (std::strncmp(service, "sqlite:", 7) == 0) {
    *engine = SchemaEngine::Sqlite;
    return true;
  }
  if (std::strncmp(service, "postgresql://", 13) == 0 || std::strncmp(service, "postgres://", 11) == 0 ||
      std::strncmp(service, "pgservice:", 10) == 0) {
    *engine = SchemaEngine::Postgres;
    return true;
  }
  return false;
}

DbDriver* Admin_Connect(const char* service, int flags, int* status) {
  const char* login = std::getenv("WELFRAST_LOGIN");
  const char* password = std::getenv("WELFRAST_PASSWORD");
  return Db_OpenDriver(service, login != nullptr ? login : "", password != nullptr ? password : "", status,
                       flags);
}

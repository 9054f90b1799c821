// welfrast-admin init SERVICE: creates every table the batch reads or writes.

#include <cstdio>
#include <cstring>
#include <memory>

#include "admin/AdminDb.h"
#include "admin/Commands.h"
#include "db/DbDriver.h"
#include "db/Schema.h"

namespace {

void InitUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: welfrast-admin init SERVICE\n\n"
               "Creates every table the batch reads or writes, empty, with their keys and\n"
               "indexes; tables that exist already are left as they are.\n"
               "SERVICE is sqlite:PATH (the file is created when missing), a PostgreSQL\n"
               "URI postgresql://... or pgservice:NAME (the database must exist; the login\n"
               "comes from WELFRAST_LOGIN and WELFRAST_PASSWORD).\n");
}

}  // namespace

int Admin_Init(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    InitUsage(stdout);
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "welfrast-admin init: expected one argument SERVICE (try --help)\n");
    return 2;
  }
  const char* service = argv[1];
  SchemaEngine engine;
  if (!Admin_SchemaEngine(service, &engine)) {
    std::fprintf(stderr,
                 "welfrast-admin init: unknown service form (expected sqlite:PATH, postgresql://... or "
                 "pgservice:NAME)\n");
    return 2;
  }
  int status = 0;
  std::unique_ptr<DbDriver> db(Admin_Connect(service, DB_OPEN_CREATE, &status));
  if (db == nullptr) {
    std::fprintf(stderr, "welfrast-admin init: cannot open the database (status %d)\n", status);
    return 1;
  }
  DbDriver* previous = Db_Install(db.get());
  status = Schema_Install(engine);
  Db_Install(previous);
  if (status != 0) {
    std::fprintf(stderr, "welfrast-admin init: creating the tables failed (status %d)\n", status);
    return 1;
  }
  std::printf("tables ready\n");
  return 0;
}

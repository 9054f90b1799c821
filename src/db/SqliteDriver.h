// The embedded engine: one SQLite file holds every table, the calendar of
// the KzSystem schema included.
#pragma once

#include "db/DbDriver.h"

// Opens the SQLite file at path (relative to the working directory or
// absolute). With create, a missing file is created; otherwise it must exist.
DbDriver* SqliteDriver_Open(const char* path, bool create, int* status);

// Milliseconds a statement waits for another program's write lock before it
// fails with ORA_RESOURCE_BUSY.
constexpr int SQLITE_BUSY_TIMEOUT_MS = 5000;

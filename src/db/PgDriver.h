// The server engine: PostgreSQL through libpq. The calendar lives in the
// schema kzsystem (KzSystem.Kzt133Bak folds to it), every other table in the
// login's default schema.
#pragma once

#include <string>
#include <vector>

#include "db/DbDriver.h"
#include "db/SqlText.h"

// Opens a session on `service`: a libpq URI ("postgresql://..." or
// "postgres://...") or "pgservice:NAME" (a service of pg_service.conf).
// login and password, when not empty, are handed to libpq as connection
// keywords of their own. On failure returns nullptr with *status set:
// ORA_LOGON_DENIED for a refused login, ORA_NO_LISTENER for a server that
// does not answer, ORA_CANT_RESOLVE for an unknown service or database or a
// service text libpq cannot read.
DbDriver* PgDriver_Open(const char* service, const char* login, const char* password, int* status);

// Milliseconds a statement waits for a lock held by another session before it
// fails with ORA_RESOURCE_BUSY.
constexpr int PG_LOCK_TIMEOUT_MS = 5000;
// Rows a cursor takes from the server at a time.
constexpr int PG_FETCH_ROWS = 100;
// Seconds a connect may take.
constexpr int PG_CONNECT_TIMEOUT_S = 10;

// A statement text as PostgreSQL runs it.
struct PgStatement {
  SqlShape shape;                 // the system's text, analysed (bind names are shape.names)
  std::string text;               // the translated text with $1..$n
  // Per parameter $k (index k-1): the bind name it takes its value from
  // (index into shape.names), and for a TO_DATE(:bN,'format') the format the
  // driver applies to the value itself (empty for a plain value).
  std::vector<int> source;
  std::vector<std::string> dateFormat;
  // TO_DATE of a literal that does not fit its format: the status every run
  // of the statement returns (0 otherwise).
  int error = 0;
};

// Translates the system's Oracle text: the into list is split off; every
// TO_DATE(:bN,'format') becomes a timestamp parameter that the driver fills
// from the bind value (an empty or all-blank text gives NULL, the time of day
// is kept); TO_DATE of a literal becomes a timestamp literal; a date plus a
// number of days adds whole (or fractional) days as an interval; sysdate is
// the server's local time to the second, trunc(sysdate) today at 00:00;
// CONCAT, TO_CHAR and the KzSystem qualifier are PostgreSQL's own. False for
// a text that cannot be analysed.
bool Pg_Translate(const char* sql, PgStatement* out);

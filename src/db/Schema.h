// Table definitions of every table the program reads or writes, per engine.
// Other programs of the system write these tables too, so the definitions
// keep to the shared conventions: table and column names as the statements
// name them; dates and date-times as TEXT 'YYYY-MM-DD HH:MM:SS' in local time
// (a pure date at 00:00:00, a time of day as a full date-time of which only
// the time is read), NULL allowed; whole numbers INTEGER, amounts REAL, texts
// TEXT; NOT NULL on key columns only, no CHECK constraints. Every statement
// can run again on an existing database without harm. On PostgreSQL the
// calendar is kzsystem.Kzt133Bak, dates are timestamp(0), amounts double
// precision.
#pragma once

enum class SchemaEngine : int { Sqlite, Postgres };

// The CREATE TABLE and CREATE INDEX statements for `engine`, in the order to
// run them; *count receives their number. An engine without definitions
// gives nullptr and 0.
const char* const* Schema_Statements(SchemaEngine engine, int* count);

// Runs the statements of `engine` on the session's driver and commits;
// returns the first non-zero status, or 0.
int Schema_Install(SchemaEngine engine = SchemaEngine::Sqlite);

// Command-line handling shared by the subcommands of welfrast-admin: options
// and positional arguments, the one-line error, and opening an existing
// database with a readable reason when it fails.
#pragma once

#include <cstdio>

#include "db/DbDriver.h"

#if defined(__GNUC__)
#define ADMIN_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define ADMIN_PRINTF(f, a)
#endif

// One option of a subcommand: "--name VALUE" / "--name=VALUE" when value is
// set, a bare "--name" switch when flag is set.
struct AdminOption {
  const char* name;   // with the leading "--"
  const char** value; // receives the value (stays as it was when absent)
  bool* flag;         // set to true when the switch is given
};

enum class AdminParse { Ok, Help, Error };

// Parses argv[1..argc-1] of subcommand `cmd`: the options of the table, and
// up to maxPositional other arguments into positional[] (*count receives
// their number). "--help" or "-h" gives Help; "--" ends the options. On an
// unknown option, a missing option value or too many arguments one line goes
// to stderr and the result is Error.
AdminParse Admin_ParseArgs(const char* cmd, int argc, char** argv, const AdminOption* options, int optionCount,
                           const char** positional, int maxPositional, int* count);

// Prints "welfrast-admin CMD: <message> (try welfrast-admin CMD --help)" as
// one line on stderr. Returns 2, the exit code of a usage error.
int Admin_UsageError(const char* cmd, const char* fmt, ...) ADMIN_PRINTF(2, 3);

// Prints "welfrast-admin CMD: <message>" as one line on stderr. Returns 1.
int Admin_Fail(const char* cmd, const char* fmt, ...) ADMIN_PRINTF(2, 3);

// A short reason for a database status, for the operator.
const char* Admin_StatusText(int status);

// True for a service text of a form the database layer knows.
bool Admin_ServiceKnown(const char* service);

// Opens an existing database for subcommand `cmd` (never creates one) and
// installs it as the session; prints the one-line reason and returns nullptr
// when it cannot be opened. The service text is never printed: it may hold a
// password. The caller deletes the driver after Db_Install(nullptr).
DbDriver* Admin_OpenExisting(const char* cmd, const char* service);

// The database session: connect from the settings file, commit.
#pragma once

// Reads LOGIN, PASS and NET8 from the settings file, builds the connect
// string LOGIN/PASS@NET8 and connects. Returns the status (0 on success).
// The connect string is never logged or printed.
int dbConnect();

// Commits the session; the status is not examined by the run.
void dbCommit();

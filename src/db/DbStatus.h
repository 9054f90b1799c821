// Status codes of the database layer. They are Oracle's: 0 for success, 1403
// for no row (or no further row, or a write that touched no row), negative
// Oracle error numbers for failures. Every driver maps its engine's results
// onto these numbers.
#pragma once

constexpr int DB_OK = 0;
constexpr int DB_NOTFOUND = 1403;

constexpr int ORA_DUP_KEY = -1;             // unique constraint violated
constexpr int ORA_RESOURCE_BUSY = -54;      // resource busy (lock not granted)
constexpr int ORA_INTERNAL = -600;          // internal error (anything unmapped)
constexpr int ORA_INVALID_SQL = -900;       // invalid SQL statement
constexpr int ORA_INVALID_IDENT = -904;     // invalid identifier (unknown column)
constexpr int ORA_INCONSISTENT_TYPES = -932;
constexpr int ORA_NO_TABLE = -942;          // table or view does not exist
constexpr int ORA_INVALID_CURSOR = -1001;   // fetch or close of a cursor not open
constexpr int ORA_SELECT_LIST = -1007;      // into list does not match the select list
constexpr int ORA_NOT_ALL_BOUND = -1008;    // not all variables bound
constexpr int ORA_LOGON_DENIED = -1017;     // invalid username/password
constexpr int ORA_PRIVILEGES = -1031;       // insufficient privileges (read-only)
constexpr int ORA_NOT_NULL = -1400;         // NULL into a NOT NULL column
constexpr int ORA_TOO_MANY_ROWS = -1422;    // single-row select found several rows
constexpr int ORA_INT_OVERFLOW = -1455;     // column value overflows the integer field
constexpr int ORA_NUMBER = -1722;           // invalid number
constexpr int ORA_DATE_FORMAT = -1830;      // date text does not match its format
constexpr int ORA_DATE_VALUE = -1847;       // date text out of range (day, month, hour)
constexpr int ORA_CHECK = -2290;            // check constraint violated
constexpr int ORA_PARENT_KEY = -2291;       // foreign key: parent key not found
constexpr int ORA_NOT_CONNECTED = -3114;    // not connected
constexpr int ORA_IO = -1114;               // I/O error
constexpr int ORA_CORRUPT = -1578;          // data block corrupted / not a database
constexpr int ORA_NO_SPACE = -1653;         // unable to extend
constexpr int ORA_NO_MEMORY = -4030;        // out of memory
constexpr int ORA_CANT_RESOLVE = -12154;    // connect identifier could not be resolved
constexpr int ORA_NO_LISTENER = -12541;     // server not reachable

// The database client layer. Statement functions (DbMel, Dbstd) hand the
// system's own Oracle statement texts to this layer together with their bound
// inputs and outputs; a driver per engine runs them.
//
// What every driver does with a statement text:
//  - an embedded "into :b0:b1,:b2:b3,..." list (single-row selects) is split
//    off; each ":bX:bY" pair is one output (value and indicator);
//  - the remaining ":bN" names are inputs, bound by name: a name used twice
//    is one value; every name in the text must be supplied and no other;
//  - each distinct text is prepared once per session and reused;
//  - Oracle's dialect (TO_CHAR, TO_DATE, sysdate, trunc(sysdate), CONCAT,
//    a date plus a number of days, the KzSystem. qualifier) is translated
//    where the engine needs it;
//  - results map onto the status codes of DbStatus.h.
//
// Values as they cross the layer:
//  - NULL read: a number gives 0, a text (a formatted date included) gives
//    the empty text;
//  - a text longer than its output field is cut to the field;
//  - TO_DATE of an empty or all-blank text writes NULL.
//
// Cursors: one instance per cursor id. A cursor reads as of its open (rows
// changed or deleted meanwhile by this session or by others are delivered as
// they were) and stays open across the commits of the writes made meanwhile.
// Rows are streamed, so memory does not grow with the result.
#pragma once

#include <cstddef>
#include <cstdint>

enum class DbType : int { Int16, Int32, Double, Text };

// One input value, bound to the ":name" of the statement text.
struct DbIn {
  const char* name;   // bind name without the colon, e.g. "b0"
  DbType type;
  const void* value;  // int16_t, int32_t, double or zero-terminated char
};

// One output value, in the order of the select list.
struct DbOut {
  DbType type;
  void* value;        // int32_t, double or char[width]
  int width;          // bytes of a text field, terminator included
};

inline DbIn DbInShort(const char* name, const int16_t& v) { return {name, DbType::Int16, &v}; }
inline DbIn DbInInt(const char* name, const int32_t& v) { return {name, DbType::Int32, &v}; }
inline DbIn DbInDbl(const char* name, const double& v) { return {name, DbType::Double, &v}; }
inline DbIn DbInTxt(const char* name, const char* v) { return {name, DbType::Text, v}; }

inline DbOut DbOutInt(int32_t& v) { return {DbType::Int32, &v, 0}; }
inline DbOut DbOutDbl(double& v) { return {DbType::Double, &v, 0}; }
template <std::size_t N>
inline DbOut DbOutTxt(char (&v)[N]) { return {DbType::Text, v, static_cast<int>(N)}; }

// The program's cursors; each exists once per session.
enum DbCursor : int {
  CUR_MRK_KNG = 0,     // marker queue
  CUR_NZA_PKEY,        // work rows of a marker
  CUR_NZA_UNTERBR,     // interruption rows within a work row
  CUR_MLT_PKEY,        // one timeline
  CUR_EMO_PAUSEN,      // break plan of a shift model
  CUR_BAK_ZEITRAUM,    // calendar days of a period
  CUR_ZTG_AZVTAG,      // working-time model of a person and day
  CUR_BUP_ABRTAG,      // bookings inside a day frame
  CUR_PSE_PKEY,        // entries of a break model
  CUR_COUNT
};

class DbDriver {
 public:
  virtual ~DbDriver() = default;

  // Runs one statement that is not a cursor: savepoint, "rollback  to",
  // commit, insert, update, delete, or a single-row select whose outputs are
  // given by its into list. A single-row select writes its outputs only on
  // status 0; it returns 1403 for no row and -1422 for several rows. An
  // update or delete that touches no row returns 1403.
  virtual int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) = 0;

  // Opens (re-opens) cursor `cursor` on a select without an into list.
  virtual int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) = 0;
  // Fetches the next row; writes the outputs only on status 0; 1403 after
  // the last row; -1001 when the cursor is not open.
  virtual int FetchCursor(int cursor, const DbOut* out, int nout) = 0;
  virtual int CloseCursor(int cursor) = 0;

  // Commits the session's open work.
  virtual int Commit() = 0;
};

// Opens a driver for a service text (the NET8 setting):
//   "sqlite:PATH"                  embedded SQLite file (absolute or relative
//                                  to the working directory)
//   "postgresql://..." or "postgres://..."   libpq connection URI
//   "pgservice:NAME"               libpq service from pg_service.conf
// login and password go to engines that authenticate. With DB_OPEN_CREATE a
// missing SQLite file is created (the operators' init); the batch never
// creates one. On failure returns nullptr and puts the status into *status.
// Never prints or logs.
constexpr int DB_OPEN_CREATE = 1;
DbDriver* Db_OpenDriver(const char* service, const char* login, const char* password, int* status,
                        int flags = 0);

// The session's driver (nullptr before a connect). Db_Install replaces it and
// returns the previous one without deleting it; tests use it to put a
// fault-injecting driver in front of a real one.
DbDriver* Db_Session();
DbDriver* Db_Install(DbDriver* driver);

// Calls on the session's driver; ORA_NOT_CONNECTED (-3114) without one.
int Db_Exec(const char* sql, const DbIn* in, int nin, const DbOut* out = nullptr, int nout = 0);
int Db_Open(int cursor, const char* sql, const DbIn* in, int nin);
int Db_Fetch(int cursor, const DbOut* out, int nout);
int Db_Close(int cursor);
int Db_Commit();

// The single-row write shape: run `savepoint` (status not examined), run the
// write, commit on 0 or run `rollback` (status not examined) otherwise, and
// return the write's status. `savepoint` is "savepoint <Function>_Sp" and
// `rollback` "rollback  to <Function>_Sp".
int Db_Write(const char* savepoint, const char* sql, const char* rollback, const DbIn* in, int nin);

template <std::size_t NI>
inline int Db_Write(const char* savepoint, const char* sql, const char* rollback, const DbIn (&in)[NI]) {
  return Db_Write(savepoint, sql, rollback, in, static_cast<int>(NI));
}
template <std::size_t NI, std::size_t NO>
inline int Db_SelectInto(const char* sql, const DbIn (&in)[NI], const DbOut (&out)[NO]) {
  return Db_Exec(sql, in, static_cast<int>(NI), out, static_cast<int>(NO));
}
template <std::size_t NI>
inline int Db_Open(int cursor, const char* sql, const DbIn (&in)[NI]) {
  return Db_Open(cursor, sql, in, static_cast<int>(NI));
}
template <std::size_t NO>
inline int Db_Fetch(int cursor, const DbOut (&out)[NO]) {
  return Db_Fetch(cursor, out, static_cast<int>(NO));
}

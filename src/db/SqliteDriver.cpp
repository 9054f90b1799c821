#include "db/SqliteDriver.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/DbStatus.h"
#include "db/DbValue.h"
#include "db/OraDate.h"
#include "db/SqlText.h"
#include "util/Clock.h"

namespace {

// ---------------------------------------------------------------------------
// Oracle functions the statements use, registered on every connection.

void ResultOraError(sqlite3_context* ctx, int code, const char* what) {
  char msg[96];
  std::snprintf(msg, sizeof msg, "ORA-%05d: %s", -code, what);
  sqlite3_result_error(ctx, msg, -1);
}

void FnToChar(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const char* fmt = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  OraDateTime dt;
  if (!Ora_ReadStored(text, &dt)) {
    ResultOraError(ctx, -1861, "stored date does not match 'YYYY-MM-DD HH:MM:SS'");
    return;
  }
  std::string out;
  if (fmt == nullptr || !Ora_ToChar(dt, fmt, &out)) {
    ResultOraError(ctx, -1821, "date format not recognized");
    return;
  }
  sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void FnToDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const char* fmt = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  OraDateTime dt;
  int rc = Ora_ToDate(text, fmt != nullptr ? fmt : "", &dt);
  if (rc == 1) {
    sqlite3_result_null(ctx);
  } else if (rc < 0) {
    ResultOraError(ctx, rc, "date text does not fit its format");
  } else {
    std::string s = Ora_Stored(dt);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
}

void FnAddDays(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  OraDateTime dt;
  if (!Ora_ReadStored(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), &dt)) {
    ResultOraError(ctx, -1861, "stored date does not match 'YYYY-MM-DD HH:MM:SS'");
    return;
  }
  std::string s = Ora_Stored(Ora_AddDays(dt, static_cast<long>(sqlite3_value_int64(argv[1]))));
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Oracle's CONCAT: a NULL operand counts as empty text.
void FnConcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string out;
  for (int i = 0; i < argc; ++i) {
    const unsigned char* t = sqlite3_value_text(argv[i]);
    if (t != nullptr) out += reinterpret_cast<const char*>(t);
  }
  sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

OraDateTime LocalNow() {
  std::tm tm{};
  Clock_LocalNow(&tm);
  return OraDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void FnNow(sqlite3_context* ctx, int, sqlite3_value**) {
  std::string s = Ora_Stored(LocalNow());
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void FnToday(sqlite3_context* ctx, int, sqlite3_value**) {
  OraDateTime dt = LocalNow();
  dt.hour = dt.minute = dt.second = 0;
  std::string s = Ora_Stored(dt);
  sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void RegisterFunctions(sqlite3* db) {
  const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "TO_CHAR", 2, det, nullptr, FnToChar, nullptr, nullptr);
  sqlite3_create_function(db, "TO_DATE", 2, det, nullptr, FnToDate, nullptr, nullptr);
  sqlite3_create_function(db, "CONCAT", -1, det, nullptr, FnConcat, nullptr, nullptr);
  sqlite3_create_function(db, "WF_ADD_DAYS", 2, det, nullptr, FnAddDays, nullptr, nullptr);
  sqlite3_create_function(db, "WF_NOW", 0, SQLITE_UTF8, nullptr, FnNow, nullptr, nullptr);
  sqlite3_create_function(db, "WF_TODAY", 0, SQLITE_UTF8, nullptr, FnToday, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Status mapping.

int MapStatus(sqlite3* db, int rc) {
  int ext = sqlite3_extended_errcode(db);
  const char* msg = sqlite3_errmsg(db);
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return DB_OK;
    case SQLITE_CONSTRAINT:
      if (ext == SQLITE_CONSTRAINT_PRIMARYKEY || ext == SQLITE_CONSTRAINT_UNIQUE) return ORA_DUP_KEY;
      if (ext == SQLITE_CONSTRAINT_NOTNULL) return ORA_NOT_NULL;
      if (ext == SQLITE_CONSTRAINT_FOREIGNKEY) return ORA_PARENT_KEY;
      return ORA_CHECK;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ORA_RESOURCE_BUSY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ORA_PRIVILEGES;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return ORA_CORRUPT;
    case SQLITE_FULL:
      return ORA_NO_SPACE;
    case SQLITE_IOERR:
      return ORA_IO;
    case SQLITE_NOMEM:
      return ORA_NO_MEMORY;
    case SQLITE_CANTOPEN:
      return ORA_CANT_RESOLVE;
    case SQLITE_MISMATCH:
      return ORA_INCONSISTENT_TYPES;
    default:
      break;
  }
  if (msg != nullptr) {
    if (std::strncmp(msg, "ORA-", 4) == 0) return -std::atoi(msg + 4);
    if (std::strstr(msg, "no such table") != nullptr) return ORA_NO_TABLE;
    if (std::strstr(msg, "no such column") != nullptr || std::strstr(msg, "has no column named") != nullptr)
      return ORA_INVALID_IDENT;
    if (std::strstr(msg, "syntax error") != nullptr || std::strstr(msg, "incomplete input") != nullptr)
      return ORA_INVALID_SQL;
  }
  return ORA_INTERNAL;
}

// The statement text as SQLite wants it. Bind names stay ":bN": SQLite binds
// named parameters itself, and a name used twice is one parameter.
std::string Dialect(const SqlShape& shape) {
  std::string t = shape.text;
  Sql_ReplaceWord(t, "KzSystem.", "");
  Sql_ReplaceWord(t, "trunc(sysdate)", "WF_TODAY()");
  Sql_ReplaceWord(t, "sysdate", "WF_NOW()");
  Sql_RewriteDatePlusDays(t, "WF_ADD_DAYS");
  if (shape.kind == SqlKind::RollbackTo) t = "ROLLBACK TO " + shape.savepoint;
  return t;
}

int Convert(sqlite3_stmt* st, int col, const DbOut& o, DbVal* v) {
  switch (o.type == DbType::Text ? SQLITE_TEXT : sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: return DbVal_FromWhole(sqlite3_column_int64(st, col), o.type, v);
    case SQLITE_FLOAT: return DbVal_FromReal(sqlite3_column_double(st, col), o.type, v);
    default: {
      const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
      bool null = t == nullptr || sqlite3_column_type(st, col) == SQLITE_NULL;
      return DbVal_FromText(t, null ? 0 : static_cast<std::size_t>(sqlite3_column_bytes(st, col)), null, o.type, v);
    }
  }
}

// A statement prepared on one connection.
struct Prepared {
  SqlShape shape;
  sqlite3_stmt* stmt = nullptr;
  std::vector<int> param;  // SQLite parameter index of each bind name
  ~Prepared() { sqlite3_finalize(stmt); }
};

int Prepare(sqlite3* db, const char* sql, std::unique_ptr<Prepared>* out) {
  auto p = std::make_unique<Prepared>();
  if (!Sql_Parse(sql, &p->shape)) return ORA_INVALID_SQL;
  std::string text = Dialect(p->shape);
  int rc = sqlite3_prepare_v3(db, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &p->stmt, nullptr);
  if (rc != SQLITE_OK) return MapStatus(db, rc);
  for (const std::string& name : p->shape.names) {
    p->param.push_back(sqlite3_bind_parameter_index(p->stmt, (":" + name).c_str()));
  }
  *out = std::move(p);
  return DB_OK;
}

// Binds the inputs by name: every name of the text must be given, and no
// name the text does not use.
int Bind(Prepared& p, const DbIn* in, int nin) {
  sqlite3_stmt* st = p.stmt;
  sqlite3_clear_bindings(st);
  std::vector<bool> seen(p.shape.names.size(), false);
  for (int k = 0; k < nin; ++k) {
    const DbIn& b = in[k];
    int which = -1;
    for (std::size_t n = 0; n < p.shape.names.size(); ++n) {
      if (b.name != nullptr && p.shape.names[n] == b.name) which = static_cast<int>(n);
    }
    if (which < 0 || seen[which] || b.value == nullptr) return ORA_NOT_ALL_BOUND;
    seen[which] = true;
    int idx = p.param[which];
    int rc = SQLITE_OK;
    switch (b.type) {
      case DbType::Int16: rc = sqlite3_bind_int(st, idx, *static_cast<const int16_t*>(b.value)); break;
      case DbType::Int32: rc = sqlite3_bind_int(st, idx, *static_cast<const int32_t*>(b.value)); break;
      case DbType::Double: rc = sqlite3_bind_double(st, idx, *static_cast<const double*>(b.value)); break;
      case DbType::Text:
        rc = sqlite3_bind_text(st, idx, static_cast<const char*>(b.value), -1, SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) return ORA_INTERNAL;
  }
  for (bool s : seen) {
    if (!s) return ORA_NOT_ALL_BOUND;
  }
  return DB_OK;
}

int OpenConnection(const char* path, int flags, sqlite3** out) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path, &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    int st = db != nullptr ? MapStatus(db, rc) : ORA_NO_MEMORY;
    if ((rc & 0xff) == SQLITE_CANTOPEN) st = ORA_CANT_RESOLVE;
    sqlite3_close(db);
    return st;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, SQLITE_BUSY_TIMEOUT_MS);
  RegisterFunctions(db);
  *out = db;
  return DB_OK;
}

// ---------------------------------------------------------------------------

class SqliteDriver : public DbDriver {
 public:
  SqliteDriver(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}

  ~SqliteDriver() override {
    cache_.clear();
    for (Cursor& c : cursors_) {
      c.prep.reset();
      if (c.db != nullptr) sqlite3_close(c.db);
    }
    sqlite3_close(db_);
  }

  int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) override {
    Prepared* p = nullptr;
    int st = Lookup(sql, &p);
    if (st != DB_OK) return st;
    switch (p->shape.kind) {
      case SqlKind::Commit: return Commit();
      case SqlKind::RollbackTo: return RollbackTo(*p);
      default: break;
    }
    if (p->shape.hasInto != (nout > 0) || (p->shape.hasInto && p->shape.outputs != nout) ||
        !DbVal_ValidOutputs(out, nout))
      return ORA_SELECT_LIST;
    if (nout > 0 && sqlite3_column_count(p->stmt) != nout) return ORA_SELECT_LIST;
    st = Bind(*p, in, nin);
    if (st != DB_OK) return st;

    sqlite3_stmt* s = p->stmt;
    int rc = sqlite3_step(s);
    if (nout > 0) {
      if (rc == SQLITE_DONE) {
        st = DB_NOTFOUND;
      } else if (rc != SQLITE_ROW) {
        st = MapStatus(db_, rc);
      } else {
        st = ConvertRow(s, out, nout);
        if (st == DB_OK) {
          rc = sqlite3_step(s);
          if (rc == SQLITE_ROW) {
            st = ORA_TOO_MANY_ROWS;
          } else if (rc != SQLITE_DONE) {
            st = MapStatus(db_, rc);
          } else {
            StoreRow(out, nout);
          }
        }
      }
    } else {
      while (rc == SQLITE_ROW) rc = sqlite3_step(s);
      if (rc != SQLITE_DONE) {
        st = MapStatus(db_, rc);
      } else if ((p->shape.kind == SqlKind::Update || p->shape.kind == SqlKind::Delete) &&
                 sqlite3_changes(db_) == 0) {
        st = DB_NOTFOUND;
      } else {
        st = DB_OK;
      }
    }
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    return st;
  }

  int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) override {
    if (cursor < 0 || cursor >= CUR_COUNT) return ORA_INVALID_CURSOR;
    Cursor& c = cursors_[cursor];
    if (c.open) Finish(c);
    if (c.db == nullptr) {
      int st = OpenConnection(path_.c_str(), SQLITE_OPEN_READWRITE, &c.db);
      if (st != DB_OK) return st;
    }
    if (c.prep == nullptr || c.sql != sql) {
      c.prep.reset();
      int st = Prepare(c.db, sql, &c.prep);
      if (st != DB_OK) return st;
      c.sql = sql;
    }
    if (c.prep->shape.hasInto) return ORA_SELECT_LIST;
    int st = Bind(*c.prep, in, nin);
    if (st != DB_OK) return st;
    // The first row is stepped here, inside a read transaction of the
    // cursor's own connection: the rows are those of this moment, whatever
    // the session commits while the cursor is open.
    int rc = sqlite3_exec(c.db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return MapStatus(c.db, rc);
    c.open = true;
    rc = sqlite3_step(c.prep->stmt);
    if (rc == SQLITE_ROW) {
      c.status = DB_OK;
    } else if (rc == SQLITE_DONE) {
      c.status = DB_NOTFOUND;
    } else {
      st = MapStatus(c.db, rc);
      Finish(c);
      return st;
    }
    return DB_OK;
  }

  int FetchCursor(int cursor, const DbOut* out, int nout) override {
    if (cursor < 0 || cursor >= CUR_COUNT || !cursors_[cursor].open) return ORA_INVALID_CURSOR;
    Cursor& c = cursors_[cursor];
    if (c.status != DB_OK) return c.status;
    sqlite3_stmt* s = c.prep->stmt;
    if (!DbVal_ValidOutputs(out, nout) || sqlite3_column_count(s) != nout) return ORA_SELECT_LIST;
    int st = ConvertRow(s, out, nout);
    if (st != DB_OK) return st;
    StoreRow(out, nout);
    int rc = sqlite3_step(s);
    c.status = rc == SQLITE_ROW ? DB_OK : rc == SQLITE_DONE ? DB_NOTFOUND : MapStatus(c.db, rc);
    return DB_OK;
  }

  int CloseCursor(int cursor) override {
    if (cursor < 0 || cursor >= CUR_COUNT || !cursors_[cursor].open) return ORA_INVALID_CURSOR;
    return Finish(cursors_[cursor]);
  }

  int Commit() override {
    if (sqlite3_get_autocommit(db_)) return DB_OK;
    int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DB_OK : MapStatus(db_, rc);
  }

 private:
  struct Cursor {
    sqlite3* db = nullptr;
    std::string sql;
    std::unique_ptr<Prepared> prep;
    bool open = false;
    int status = DB_NOTFOUND;  // what the next fetch returns
  };

  int Lookup(const char* sql, Prepared** out) {
    if (sql == nullptr) return ORA_INVALID_SQL;
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
      std::unique_ptr<Prepared> p;
      int st = Prepare(db_, sql, &p);
      if (st != DB_OK) return st;
      it = cache_.emplace(sql, std::move(p)).first;
    }
    *out = it->second.get();
    return DB_OK;
  }

  // "rollback  to X": undo to the savepoint, then release it, so that the
  // transaction the savepoint opened does not stay open (and hold the file)
  // after a failed write.
  int RollbackTo(Prepared& p) {
    int rc = sqlite3_step(p.stmt);
    sqlite3_reset(p.stmt);
    if (rc != SQLITE_DONE) return MapStatus(db_, rc);
    std::string release = "RELEASE " + p.shape.savepoint;
    rc = sqlite3_exec(db_, release.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DB_OK : MapStatus(db_, rc);
  }

  int Finish(Cursor& c) {
    sqlite3_reset(c.prep->stmt);
    sqlite3_clear_bindings(c.prep->stmt);
    c.open = false;
    c.status = DB_NOTFOUND;
    int rc = sqlite3_exec(c.db, "COMMIT", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DB_OK : MapStatus(c.db, rc);
  }

  int ConvertRow(sqlite3_stmt* s, const DbOut* out, int nout) {
    if (row_.size() < static_cast<std::size_t>(nout)) row_.resize(nout);
    for (int i = 0; i < nout; ++i) {
      int st = Convert(s, i, out[i], &row_[i]);
      if (st != DB_OK) return st;
    }
    return DB_OK;
  }

  void StoreRow(const DbOut* out, int nout) {
    for (int i = 0; i < nout; ++i) DbVal_Store(out[i], row_[i]);
  }

  sqlite3* db_;
  std::string path_;
  std::unordered_map<std::string, std::unique_ptr<Prepared>> cache_;
  Cursor cursors_[CUR_COUNT];
  std::vector<DbVal> row_;
};

}  // namespace

DbDriver* SqliteDriver_Open(const char* path, bool create, int* status) {
  if (path == nullptr || *path == '\0') {
    *status = ORA_CANT_RESOLVE;
    return nullptr;
  }
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int st = OpenConnection(path, flags, &db);
  if (st != DB_OK) {
    *status = st;
    return nullptr;
  }
  // WAL lets the cursors read their snapshot while the session writes, and
  // lets other programs of the system read while the run writes.
  int rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    *status = MapStatus(db, rc);
    sqlite3_close(db);
    return nullptr;
  }
  *status = DB_OK;
  return new SqliteDriver(db, path);
}

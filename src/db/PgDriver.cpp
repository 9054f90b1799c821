#include "db/PgDriver.h"

#include <libpq-fe.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/DbStatus.h"
#include "db/DbValue.h"
#include "db/OraDate.h"

namespace {

// Oracle numbers this driver reports beyond the common ones.
constexpr int ORA_CHILD_FOUND = -2292;       // foreign key: child rows exist
constexpr int ORA_NO_SAVEPOINT = -1086;      // savepoint never established
constexpr int ORA_VALUE_TOO_LARGE = -12899;  // value too large for its column

constexpr Oid OID_INT2 = 21;
constexpr Oid OID_INT4 = 23;
constexpr Oid OID_TEXT = 25;
constexpr Oid OID_FLOAT8 = 701;
constexpr Oid OID_TIMESTAMP = 1114;

// The name a TO_DATE(:bN,...) parameter carries while the text is rewritten.
constexpr const char* DATE_PARAM = "wf__date";

// The savepoint the driver sets itself around a statement inside a
// transaction, so that a failure undoes that statement alone.
constexpr const char* STMT_SAVEPOINT = "wf__stmt_sp";

// ---------------------------------------------------------------------------
// Translation.

bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

void SkipBlanks(const std::string& s, std::size_t& i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// When s is exactly one quoted literal, puts its content into *content.
bool WholeLiteral(const std::string& s, std::string* content) {
  if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return false;
  content->clear();
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] == '\'') {
      if (i + 2 < s.size() && s[i + 1] == '\'') {
        *content += '\'';
        ++i;
        continue;
      }
      return false;  // the literal ends before the last quote
    }
    *content += s[i];
  }
  return true;
}

// When s is exactly one ":name", puts the name into *name.
bool WholeBind(const std::string& s, std::string* name) {
  if (s.size() < 2 || s[0] != ':') return false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (!IsIdent(s[i])) return false;
  }
  *name = s.substr(1);
  return true;
}

// Offset of the last comma of `inner` outside parentheses and literals.
std::size_t LastTopComma(const std::string& inner) {
  std::size_t found = std::string::npos;
  int depth = 0;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    char c = inner[i];
    if (c == '\'') {  // skip the literal; i ends on its closing quote
      for (++i; i < inner.size(); ++i) {
        if (inner[i] != '\'') continue;
        if (i + 1 < inner.size() && inner[i + 1] == '\'') {
          ++i;
          continue;
        }
        break;
      }
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (c == ',' && depth == 0) found = i;
  }
  return found;
}

// "TO_DATE(...)+operand" (a date plus a number of days, the operand a bind
// name or a number) adds the days as an interval; a fraction of a day adds
// its hours, minutes and seconds, as on Oracle.
void RewriteDatePlusDays(std::string& t) {
  std::size_t at = Sql_FindWord(t, "TO_DATE", 0);
  while (at != std::string::npos) {
    std::size_t open = at + 7;
    SkipBlanks(t, open);
    if (open >= t.size() || t[open] != '(') {
      at = Sql_FindWord(t, "TO_DATE", at + 7);
      continue;
    }
    std::size_t close = Sql_MatchParen(t, open);
    if (close == std::string::npos) return;
    std::size_t k = close;
    SkipBlanks(t, k);
    if (k < t.size() && t[k] == '+') {
      std::size_t o = k + 1;
      SkipBlanks(t, o);
      std::size_t e = o;
      if (e < t.size() && t[e] == ':') {
        ++e;
        while (e < t.size() && IsIdent(t[e])) ++e;
        if (e == o + 1) e = o;
      } else {
        while (e < t.size() && (std::isdigit(static_cast<unsigned char>(t[e])) || t[e] == '.')) ++e;
      }
      if (e > o) {
        std::string repl = "+(" + t.substr(o, e - o) + ")*interval '1 day'";
        t.replace(k, e - k, repl);
        at = Sql_FindWord(t, "TO_DATE", k + repl.size());
        continue;
      }
    }
    at = Sql_FindWord(t, "TO_DATE", close);
  }
}

struct DateParam {
  std::string name;    // the bind name it reads
  std::string format;  // Oracle format
};

// TO_DATE(:bN,'format') becomes a parameter of type timestamp that the driver
// fills (see BindParams); TO_DATE('text','format') a timestamp literal; any
// other argument is left to the server's to_timestamp.
void RewriteToDate(std::string& t, std::vector<DateParam>* dates, int* error) {
  std::size_t at = Sql_FindWord(t, "TO_DATE", 0);
  while (at != std::string::npos) {
    std::size_t open = at + 7;
    SkipBlanks(t, open);
    if (open >= t.size() || t[open] != '(') {
      at = Sql_FindWord(t, "TO_DATE", at + 7);
      continue;
    }
    std::size_t close = Sql_MatchParen(t, open);
    if (close == std::string::npos) return;
    std::string inner = t.substr(open + 1, close - open - 2);
    std::size_t comma = LastTopComma(inner);
    if (comma == std::string::npos) {
      at = Sql_FindWord(t, "TO_DATE", close);
      continue;
    }
    std::string arg = Trim(inner.substr(0, comma));
    std::string fmtText = Trim(inner.substr(comma + 1));
    std::string fmt, name, lit, repl;
    if (WholeLiteral(fmtText, &fmt) && WholeBind(arg, &name)) {
      repl = ":" + std::string(DATE_PARAM) + std::to_string(dates->size());
      dates->push_back(DateParam{name, fmt});
    } else if (WholeLiteral(fmtText, &fmt) && WholeLiteral(arg, &lit)) {
      OraDateTime dt{};
      int rc = Ora_ToDate(lit.c_str(), fmt.c_str(), &dt);
      if (rc == 0) {
        repl = "TIMESTAMP '" + Ora_Stored(dt) + "'";
      } else {
        if (rc < 0 && *error == 0) *error = rc;
        repl = "CAST(NULL AS timestamp(0))";
      }
    } else {
      // The server reads the text in its session time zone; only texts
      // naming a wall-clock time that zone skips could move.
      repl = "CAST(to_timestamp(nullif(btrim(CAST((" + arg + ") AS text),' '),'')," + fmtText +
             ") AS timestamp(0))";
    }
    t.replace(at, close - at, repl);
    at = Sql_FindWord(t, "TO_DATE", at + repl.size());
  }
}

// ---------------------------------------------------------------------------
// Status mapping.

int MapSqlState(const char* state, SqlKind kind) {
  if (state == nullptr || std::strlen(state) != 5) return ORA_INTERNAL;
  static const struct {
    const char* state;
    int status;
  } kMap[] = {
      {"23505", ORA_DUP_KEY},         {"42P01", ORA_NO_TABLE},         {"3F000", ORA_NO_TABLE},
      {"42703", ORA_INVALID_IDENT},   {"23502", ORA_NOT_NULL},         {"23514", ORA_CHECK},
      {"22007", ORA_DATE_FORMAT},     {"22008", ORA_DATE_VALUE},       {"22003", ORA_INT_OVERFLOW},
      {"22P02", ORA_NUMBER},          {"22001", ORA_VALUE_TOO_LARGE},  {"40001", ORA_RESOURCE_BUSY},
      {"40P01", ORA_RESOURCE_BUSY},   {"55P03", ORA_RESOURCE_BUSY},    {"57014", ORA_RESOURCE_BUSY},
      {"42601", ORA_INVALID_SQL},     {"42501", ORA_PRIVILEGES},       {"25006", ORA_PRIVILEGES},
      {"42804", ORA_INCONSISTENT_TYPES}, {"53100", ORA_NO_SPACE},      {"53200", ORA_NO_MEMORY},
      {"XX001", ORA_CORRUPT},         {"58030", ORA_IO},               {"57P01", ORA_NOT_CONNECTED},
      {"57P02", ORA_NOT_CONNECTED},   {"57P03", ORA_NOT_CONNECTED},
  };
  if (std::strcmp(state, "23503") == 0) return kind == SqlKind::Delete ? ORA_CHILD_FOUND : ORA_PARENT_KEY;
  if (std::strncmp(state, "08", 2) == 0) return ORA_NOT_CONNECTED;
  for (const auto& m : kMap) {
    if (std::strcmp(state, m.state) == 0) return m.status;
  }
  return ORA_INTERNAL;
}

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, ResultDeleter>;

int MapResult(PGconn* conn, const PGresult* r, SqlKind kind = SqlKind::Other) {
  if (PQstatus(conn) != CONNECTION_OK) return ORA_NOT_CONNECTED;
  if (r == nullptr) return ORA_NO_MEMORY;
  switch (PQresultStatus(r)) {
    case PGRES_COMMAND_OK:
    case PGRES_TUPLES_OK:
      return DB_OK;
    default:
      break;
  }
  return MapSqlState(PQresultErrorField(r, PG_DIAG_SQLSTATE), kind);
}

// Runs a command of the driver's own (no parameters) and returns its status.
int Simple(PGconn* conn, const std::string& sql) {
  PgResult r(PQexec(conn, sql.c_str()));
  return MapResult(conn, r.get());
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// ---------------------------------------------------------------------------
// Values.

int Convert(const PGresult* r, int row, int col, const DbOut& o, DbVal* v) {
  bool null = PQgetisnull(r, row, col) != 0;
  return DbVal_FromText(PQgetvalue(r, row, col), static_cast<std::size_t>(PQgetlength(r, row, col)), null, o.type,
                        v);
}

std::string Number(const DbIn& b) {
  char buf[40];
  switch (b.type) {
    case DbType::Int16: return std::to_string(*static_cast<const int16_t*>(b.value));
    case DbType::Int32: return std::to_string(*static_cast<const int32_t*>(b.value));
    case DbType::Double: {
      double d = *static_cast<const double*>(b.value);
      if (std::isnan(d)) return "NaN";
      if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
      std::snprintf(buf, sizeof buf, "%.17g", d);
      return buf;
    }
    case DbType::Text: break;
  }
  return static_cast<const char*>(b.value);
}

// The parameter values of one run, in the text format, with their types.
struct Bound {
  std::vector<std::string> text;
  std::vector<bool> null;
  std::vector<const char*> values;
  std::vector<Oid> types;
  std::string signature;  // the types of the bind names, part of the key of the prepared statement
};

// Binds the inputs by name: every name of the text must be given once, and no
// name the text does not use. The TO_DATE parameters are filled here.
int BindParams(const PgStatement& p, const DbIn* in, int nin, Bound* b) {
  std::size_t n = p.shape.names.size();
  std::vector<const DbIn*> byName(n, nullptr);
  for (int k = 0; k < nin; ++k) {
    const DbIn& v = in[k];
    int which = -1;
    for (std::size_t i = 0; i < n; ++i) {
      if (v.name != nullptr && p.shape.names[i] == v.name) which = static_cast<int>(i);
    }
    if (which < 0 || byName[which] != nullptr || v.value == nullptr) return ORA_NOT_ALL_BOUND;
    byName[which] = &v;
  }
  for (const DbIn* v : byName) {
    if (v == nullptr) return ORA_NOT_ALL_BOUND;
  }
  if (p.error != DB_OK) return p.error;

  b->signature.clear();
  for (const DbIn* v : byName) b->signature += static_cast<char>('0' + static_cast<int>(v->type));
  std::size_t m = p.source.size();
  b->text.assign(m, std::string());
  b->null.assign(m, false);
  b->types.assign(m, OID_TEXT);
  for (std::size_t k = 0; k < m; ++k) {
    const DbIn& v = *byName[p.source[k]];
    if (!p.dateFormat[k].empty()) {
      std::string src = Number(v);
      OraDateTime dt{};
      int rc = Ora_ToDate(src.c_str(), p.dateFormat[k].c_str(), &dt);
      if (rc < 0) return rc;
      b->types[k] = OID_TIMESTAMP;
      if (rc == 1) {
        b->null[k] = true;
      } else {
        b->text[k] = Ora_Stored(dt);
      }
      continue;
    }
    switch (v.type) {
      case DbType::Int16: b->types[k] = OID_INT2; break;
      case DbType::Int32: b->types[k] = OID_INT4; break;
      case DbType::Double: b->types[k] = OID_FLOAT8; break;
      case DbType::Text: b->types[k] = OID_TEXT; break;
    }
    b->text[k] = Number(v);
  }
  b->values.assign(m, nullptr);
  for (std::size_t k = 0; k < m; ++k) b->values[k] = b->null[k] ? nullptr : b->text[k].c_str();
  return DB_OK;
}

// ---------------------------------------------------------------------------
// Connections.

struct ConnParams {
  std::vector<std::string> keys;
  std::vector<std::string> values;
  void Add(const char* k, const std::string& v) {
    keys.emplace_back(k);
    values.push_back(v);
  }
};

void Quiet(void*, const char*) {}

// Runs libpq's connect with the parameters; the arrays live only here.
PGconn* ConnectRaw(const ConnParams& p, bool ping, PGPing* pinged) {
  std::vector<const char*> k, v;
  for (std::size_t i = 0; i < p.keys.size(); ++i) {
    k.push_back(p.keys[i].c_str());
    v.push_back(p.values[i].c_str());
  }
  k.push_back(nullptr);
  v.push_back(nullptr);
  if (ping) {
    *pinged = PQpingParams(k.data(), v.data(), 1);
    return nullptr;
  }
  return PQconnectdbParams(k.data(), v.data(), 1);
}

// What a failed connect means, in Oracle's numbers. libpq reports no
// SQLSTATE for a refused connect, so the server's answer is told apart by a
// ping and by the text of its message.
int ConnectFailure(PGconn* conn, const ConnParams& p) {
  if (PQconnectionNeedsPassword(conn)) return ORA_LOGON_DENIED;
  PGPing ping = PQPING_NO_ATTEMPT;
  ConnectRaw(p, true, &ping);
  switch (ping) {
    case PQPING_NO_ATTEMPT: return ORA_CANT_RESOLVE;
    case PQPING_NO_RESPONSE:
    case PQPING_REJECT: return ORA_NO_LISTENER;
    case PQPING_OK: break;
  }
  const char* msg = PQerrorMessage(conn);
  if (msg != nullptr && std::strstr(msg, "database \"") != nullptr && std::strstr(msg, "does not exist") != nullptr)
    return ORA_CANT_RESOLVE;
  return ORA_LOGON_DENIED;
}

int Connect(const ConnParams& p, bool forCursor, PGconn** out) {
  PGconn* conn = ConnectRaw(p, false, nullptr);
  if (conn == nullptr) return ORA_NO_MEMORY;
  if (PQstatus(conn) != CONNECTION_OK) {
    int st = ConnectFailure(conn, p);
    PQfinish(conn);
    return st;
  }
  PQsetNoticeProcessor(conn, Quiet, nullptr);
  // A lock held by another session makes a statement wait, but not for ever;
  // numbers come back exactly, timestamps as 'YYYY-MM-DD HH:MM:SS'. A
  // cursor's connection idles in its transaction while the caller works.
  std::string setup = "SET lock_timeout = " + std::to_string(PG_LOCK_TIMEOUT_MS) +
                      "; SET extra_float_digits = 3; SET DateStyle = 'ISO, YMD'";
  if (forCursor) setup += "; SET idle_in_transaction_session_timeout = 0";
  int st = Simple(conn, setup);
  if (st != DB_OK) {
    PQfinish(conn);
    return st;
  }
  *out = conn;
  return DB_OK;
}

// A connection and the statements prepared on it.
struct PgConn {
  PGconn* conn = nullptr;
  std::unordered_map<std::string, std::string> prepared;  // key -> statement name
  int next = 0;

  ~PgConn() { Drop(); }
  void Drop() {
    if (conn != nullptr) PQfinish(conn);
    conn = nullptr;
    prepared.clear();
  }
  bool Alive() const { return conn != nullptr && PQstatus(conn) == CONNECTION_OK; }
  PGTransactionStatusType Tx() const { return PQtransactionStatus(conn); }

  // Prepares `text` once under `key` and runs it with the bound values.
  int Run(const std::string& key, const std::string& text, const Bound& b, SqlKind kind, PgResult* out) {
    int n = static_cast<int>(b.values.size());
    auto it = prepared.find(key);
    if (it == prepared.end()) {
      std::string name = "wf_" + std::to_string(++next);
      PgResult r(PQprepare(conn, name.c_str(), text.c_str(), n, b.types.data()));
      int st = MapResult(conn, r.get(), kind);
      if (st != DB_OK) return st;
      it = prepared.emplace(key, name).first;
    }
    out->reset(PQexecPrepared(conn, it->second.c_str(), n, b.values.data(), nullptr, nullptr, 0));
    return MapResult(conn, out->get(), kind);
  }
};

// ---------------------------------------------------------------------------

class PgDriver : public DbDriver {
 public:
  PgDriver(PGconn* conn, ConnParams params) : params_(std::move(params)) { main_.conn = conn; }

  int Execute(const char* sql, const DbIn* in, int nin, const DbOut* out, int nout) override {
    if (!main_.Alive()) return ORA_NOT_CONNECTED;
    PgStatement* p = nullptr;
    int st = Lookup(sql, &p);
    if (st != DB_OK) return st;
    switch (p->shape.kind) {
      case SqlKind::Commit: return Commit();
      case SqlKind::Savepoint: return Savepoint(p->shape.savepoint);
      case SqlKind::RollbackTo: return RollbackTo(p->shape.savepoint);
      default: break;
    }
    if (p->shape.hasInto != (nout > 0) || (p->shape.hasInto && p->shape.outputs != nout) ||
        !DbVal_ValidOutputs(out, nout))
      return ORA_SELECT_LIST;
    Bound b;
    st = BindParams(*p, in, nin, &b);
    if (st != DB_OK) return st;

    Sync();
    // Inside a transaction a failed statement must not take the transaction
    // down with it: it is undone to the savepoint just set by the caller, or
    // to one the driver sets around it. Outside one it commits by itself.
    enum { NONE, CALLERS, OWN } guard = NONE;
    if (main_.Tx() != PQTRANS_IDLE) {
      if (justSaved_ && !sps_.empty()) {
        guard = CALLERS;
      } else {
        st = Simple(main_.conn, std::string("SAVEPOINT ") + STMT_SAVEPOINT);
        if (st != DB_OK) return Repair(st);
        guard = OWN;
      }
    }
    justSaved_ = false;

    PgResult r;
    if (p->shape.kind == SqlKind::Other && p->source.empty()) {
      // Statements of the operators' tools (definitions): no values, run as
      // they are.
      r.reset(PQexec(main_.conn, p->text.c_str()));
      st = MapResult(main_.conn, r.get(), p->shape.kind);
    } else {
      st = main_.Run(std::string(sql) + '\x1f' + b.signature, p->text, b, p->shape.kind, &r);
    }
    if (st == DB_OK) st = Evaluate(r.get(), p->shape.kind, out, nout);

    if (main_.Alive()) {
      bool aborted = main_.Tx() == PQTRANS_INERROR;
      if (guard == CALLERS && aborted) Simple(main_.conn, "ROLLBACK TO SAVEPOINT " + sps_.back());
      if (guard == OWN) {
        std::string sp = STMT_SAVEPOINT;
        Simple(main_.conn, aborted ? "ROLLBACK TO SAVEPOINT " + sp + "; RELEASE SAVEPOINT " + sp
                                   : "RELEASE SAVEPOINT " + sp);
      }
    }
    return Repair(st);
  }

  int OpenCursor(int cursor, const char* sql, const DbIn* in, int nin) override {
    if (cursor < 0 || cursor >= CUR_COUNT) return ORA_INVALID_CURSOR;
    Cursor& c = cursors_[cursor];
    if (c.open) Finish(c);
    PgStatement* p = nullptr;
    int st = Lookup(sql, &p);
    if (st != DB_OK) return st;
    if (p->shape.hasInto) return ORA_SELECT_LIST;
    Bound b;
    st = BindParams(*p, in, nin, &b);
    if (st != DB_OK) return st;
    if (!c.pg.Alive()) {
      c.pg.Drop();
      st = Connect(params_, true, &c.pg.conn);
      if (st != DB_OK) return st;
    }
    // The cursor's own connection reads in a snapshot taken now, whatever the
    // session commits while the cursor is open, and takes the rows from the
    // server a batch at a time.
    st = Simple(c.pg.conn, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    if (st != DB_OK) return st;
    PgResult r;
    st = c.pg.Run(std::string("C\x1f") + sql + '\x1f' + b.signature, "DECLARE wf_cursor NO SCROLL CURSOR FOR " + p->text,
                  b, SqlKind::Select, &r);
    // The first batch is read here, so that a failing select fails its open.
    if (st == DB_OK) st = NextBatch(c);
    if (st != DB_OK) {
      if (c.pg.Alive()) Simple(c.pg.conn, "ROLLBACK");
      c.batch.reset();
      return st;
    }
    c.open = true;
    c.status = DB_OK;
    return DB_OK;
  }

  int FetchCursor(int cursor, const DbOut* out, int nout) override {
    if (cursor < 0 || cursor >= CUR_COUNT || !cursors_[cursor].open) return ORA_INVALID_CURSOR;
    Cursor& c = cursors_[cursor];
    if (c.status != DB_OK) return c.status;
    if (c.row >= PQntuples(c.batch.get())) {
      if (c.last) return DB_NOTFOUND;
      int st = NextBatch(c);
      if (st != DB_OK) {
        c.status = st;
        return st;
      }
      if (PQntuples(c.batch.get()) == 0) return DB_NOTFOUND;
    }
    if (!DbVal_ValidOutputs(out, nout) || PQnfields(c.batch.get()) != nout) return ORA_SELECT_LIST;
    if (row_.size() < static_cast<std::size_t>(nout)) row_.resize(nout);
    for (int i = 0; i < nout; ++i) {
      int st = Convert(c.batch.get(), c.row, i, out[i], &row_[i]);
      if (st != DB_OK) return st;
    }
    for (int i = 0; i < nout; ++i) DbVal_Store(out[i], row_[i]);
    ++c.row;
    return DB_OK;
  }

  int CloseCursor(int cursor) override {
    if (cursor < 0 || cursor >= CUR_COUNT || !cursors_[cursor].open) return ORA_INVALID_CURSOR;
    return Finish(cursors_[cursor]);
  }

  int Commit() override {
    if (!main_.Alive()) return ORA_NOT_CONNECTED;
    Sync();
    PGTransactionStatusType tx = main_.Tx();
    if (tx == PQTRANS_IDLE) return DB_OK;
    if (tx == PQTRANS_INERROR) return Repair(ORA_INTERNAL);
    PgResult r(PQexec(main_.conn, "COMMIT"));
    int st = MapResult(main_.conn, r.get());
    // A transaction the server had aborted answers COMMIT with ROLLBACK.
    if (st == DB_OK && std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) st = ORA_INTERNAL;
    ClearTx();
    return st;
  }

 private:
  struct Cursor {
    PgConn pg;
    bool open = false;
    PgResult batch;
    int row = 0;
    bool last = false;    // the batch held is the last one
    int status = DB_OK;   // a failed batch: what every further fetch returns
  };

  int Lookup(const char* sql, PgStatement** out) {
    if (sql == nullptr) return ORA_INVALID_SQL;
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
      auto p = std::make_unique<PgStatement>();
      if (!Pg_Translate(sql, p.get())) return ORA_INVALID_SQL;
      it = cache_.emplace(sql, std::move(p)).first;
    }
    *out = it->second.get();
    return DB_OK;
  }

  // "savepoint X": a savepoint needs a transaction, so one is begun when none
  // is open. A name set again replaces the earlier savepoint of that name.
  int Savepoint(const std::string& raw) {
    std::string name = Lower(raw);
    if (name.empty()) return ORA_INVALID_SQL;
    Sync();
    int st = Repair(DB_OK);
    if (st != DB_OK) return st;
    if (main_.Tx() == PQTRANS_IDLE) {
      st = Simple(main_.conn, "BEGIN");
      if (st != DB_OK) return st;
      ClearTx();
      bareStart_ = true;
    } else {
      int i = Find(name);
      if (i >= 0) {
        st = Simple(main_.conn, "RELEASE SAVEPOINT " + name);
        if (st != DB_OK) return Repair(st);
        if (i == 0) bareStart_ = false;
        sps_.resize(static_cast<std::size_t>(i));
      }
    }
    st = Simple(main_.conn, "SAVEPOINT " + name);
    if (st != DB_OK) return Repair(st);
    sps_.push_back(name);
    justSaved_ = true;
    return DB_OK;
  }

  // "rollback  to X": undo to the savepoint and release it. When X began the
  // transaction, the transaction is rolled back whole, so that no transaction
  // stays open after a failed write.
  int RollbackTo(const std::string& raw) {
    if (!main_.Alive()) return ORA_NOT_CONNECTED;
    std::string name = Lower(raw);
    Sync();
    justSaved_ = false;
    int i = Find(name);
    if (i < 0) return Repair(ORA_NO_SAVEPOINT);
    if (i == 0 && bareStart_) {
      int st = Simple(main_.conn, "ROLLBACK");
      ClearTx();
      return st;
    }
    int st = Simple(main_.conn, "ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name);
    if (st != DB_OK) return Repair(st);
    sps_.resize(static_cast<std::size_t>(i));
    return DB_OK;
  }

  int Find(const std::string& name) const {
    for (int i = static_cast<int>(sps_.size()) - 1; i >= 0; --i) {
      if (sps_[static_cast<std::size_t>(i)] == name) return i;
    }
    return -1;
  }

  void ClearTx() {
    sps_.clear();
    bareStart_ = false;
    justSaved_ = false;
  }

  // The driver's picture of the transaction follows the server's.
  void Sync() {
    if (main_.Alive() && main_.Tx() == PQTRANS_IDLE) ClearTx();
  }

  // Leaves the session usable whatever happened: a transaction the server
  // has aborted is undone to the last savepoint, or whole. Returns st.
  int Repair(int st) {
    if (!main_.Alive()) return st == DB_OK ? ORA_NOT_CONNECTED : st;
    if (main_.Tx() == PQTRANS_INERROR && !sps_.empty()) {
      Simple(main_.conn, "ROLLBACK TO SAVEPOINT " + sps_.back());
    }
    if (main_.Tx() == PQTRANS_INERROR) {
      Simple(main_.conn, "ROLLBACK");
      ClearTx();
    }
    Sync();
    return st;
  }

  int Evaluate(const PGresult* r, SqlKind kind, const DbOut* out, int nout) {
    if (nout > 0) {
      if (PQresultStatus(r) != PGRES_TUPLES_OK || PQnfields(r) != nout) return ORA_SELECT_LIST;
      int rows = PQntuples(r);
      if (rows == 0) return DB_NOTFOUND;
      if (rows > 1) return ORA_TOO_MANY_ROWS;
      if (row_.size() < static_cast<std::size_t>(nout)) row_.resize(nout);
      for (int i = 0; i < nout; ++i) {
        int st = Convert(r, 0, i, out[i], &row_[i]);
        if (st != DB_OK) return st;
      }
      for (int i = 0; i < nout; ++i) DbVal_Store(out[i], row_[i]);
      return DB_OK;
    }
    if ((kind == SqlKind::Update || kind == SqlKind::Delete) && std::strcmp(PQcmdTuples(const_cast<PGresult*>(r)), "0") == 0)
      return DB_NOTFOUND;
    return DB_OK;
  }

  int NextBatch(Cursor& c) {
    c.batch.reset(PQexec(c.pg.conn, ("FETCH " + std::to_string(PG_FETCH_ROWS) + " FROM wf_cursor").c_str()));
    c.row = 0;
    int st = MapResult(c.pg.conn, c.batch.get(), SqlKind::Select);
    if (st != DB_OK) {
      c.batch.reset();
      c.last = true;
      return st;
    }
    c.last = PQntuples(c.batch.get()) < PG_FETCH_ROWS;
    return DB_OK;
  }

  int Finish(Cursor& c) {
    c.open = false;
    c.batch.reset();
    c.row = 0;
    c.last = false;
    c.status = DB_OK;
    if (!c.pg.Alive()) return ORA_NOT_CONNECTED;
    // Reading only: ending the transaction closes the cursor.
    return Simple(c.pg.conn, c.pg.Tx() == PQTRANS_INERROR ? "ROLLBACK" : "COMMIT");
  }

  ConnParams params_;
  PgConn main_;
  std::unordered_map<std::string, std::unique_ptr<PgStatement>> cache_;
  Cursor cursors_[CUR_COUNT];
  std::vector<DbVal> row_;
  std::vector<std::string> sps_;  // the caller's savepoints of the open transaction, oldest first
  bool bareStart_ = false;        // the first of sps_ began the transaction
  bool justSaved_ = false;        // the last call set a savepoint
};

}  // namespace

bool Pg_Translate(const char* sql, PgStatement* out) {
  *out = PgStatement{};
  if (!Sql_Parse(sql, &out->shape)) return false;
  std::string t = out->shape.text;
  RewriteDatePlusDays(t);
  std::vector<DateParam> dates;
  RewriteToDate(t, &dates, &out->error);
  Sql_ReplaceWord(t, "trunc(sysdate)", "date_trunc('day',CAST(statement_timestamp() AS timestamp))");
  Sql_ReplaceWord(t, "sysdate", "date_trunc('second',CAST(statement_timestamp() AS timestamp))");

  SqlShape numbered;
  if (!Sql_Parse(t.c_str(), &numbered)) return false;
  out->text = Sql_NumberBinds(numbered, "$");
  const std::size_t prefix = std::strlen(DATE_PARAM);
  for (const std::string& name : numbered.names) {
    std::string source = name;
    std::string format;
    if (name.compare(0, prefix, DATE_PARAM) == 0) {
      std::size_t k = std::strtoul(name.c_str() + prefix, nullptr, 10);
      if (k >= dates.size()) return false;
      source = dates[k].name;
      format = dates[k].format;
    }
    int index = -1;
    for (std::size_t i = 0; i < out->shape.names.size(); ++i) {
      if (out->shape.names[i] == source) index = static_cast<int>(i);
    }
    if (index < 0) return false;
    out->source.push_back(index);
    out->dateFormat.push_back(format);
  }
  return true;
}

DbDriver* PgDriver_Open(const char* service, const char* login, const char* password, int* status) {
  int dummy = 0;
  if (status == nullptr) status = &dummy;
  if (service == nullptr) service = "";
  ConnParams p;
  // Earlier keywords give way to what the service text itself says.
  p.Add("connect_timeout", std::to_string(PG_CONNECT_TIMEOUT_S));
  p.Add("fallback_application_name", "welfrast");
  const char* kService = "pgservice:";
  if (std::strncmp(service, kService, std::strlen(kService)) == 0) {
    const char* name = service + std::strlen(kService);
    if (*name == '\0') {
      *status = ORA_CANT_RESOLVE;
      return nullptr;
    }
    p.Add("service", name);
  } else {
    p.Add("dbname", service);
  }
  if (login != nullptr && *login != '\0') p.Add("user", login);
  if (password != nullptr && *password != '\0') p.Add("password", password);

  PGconn* conn = nullptr;
  int st = Connect(p, false, &conn);
  if (st != DB_OK) {
    *status = st;
    return nullptr;
  }
  *status = DB_OK;
  return new PgDriver(conn, std::move(p));
}

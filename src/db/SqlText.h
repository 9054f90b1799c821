// Analysis of the system's statement texts, shared by the drivers: the
// embedded into list, the bind names, and the spots a dialect rewrites.
#pragma once

#include <string>
#include <vector>

enum class SqlKind { Select, Insert, Update, Delete, Savepoint, RollbackTo, Commit, Other };

struct SqlBindRef {
  std::size_t pos;  // offset of the ':' in SqlShape::text
  std::size_t len;  // length of ":name"
  int index;        // index into SqlShape::names
};

struct SqlShape {
  std::string text;                 // the statement without its into list
  SqlKind kind = SqlKind::Other;
  int outputs = 0;                  // pairs in the into list (0 without one)
  bool hasInto = false;
  std::vector<std::string> names;   // distinct bind names, first occurrence first
  std::vector<SqlBindRef> refs;     // every occurrence in text, in order
  std::string savepoint;            // name after "savepoint" / "rollback to"
};

// Splits off the into list and finds the bind names. Quoted literals are
// left alone. Returns false for a text it cannot analyse (an into list that
// is not a list of ":name" items).
bool Sql_Parse(const char* sql, SqlShape* shape);

// Case-insensitive search for `word` in `text` from `from`, outside quoted
// literals, as a whole word (not preceded or followed by an identifier
// character). Returns std::string::npos when absent.
std::size_t Sql_FindWord(const std::string& text, const char* word, std::size_t from = 0);

// Replaces every whole-word, case-insensitive occurrence of `word` (outside
// literals) by `with`.
void Sql_ReplaceWord(std::string& text, const char* word, const char* with);

// Position just after the ')' that closes the '(' at `open`, outside
// literals; npos when unbalanced.
std::size_t Sql_MatchParen(const std::string& text, std::size_t open);

// Rewrites "TO_DATE(...)+operand" (a date plus a number of days) as
// "<fn>(TO_DATE(...),operand)"; the operand is a bind name or a number.
void Sql_RewriteDatePlusDays(std::string& text, const char* fn);

// Renumbers the bind names as the engine wants them: each occurrence of a
// name becomes prefix + (index + 1), e.g. "$1" for PostgreSQL.
std::string Sql_NumberBinds(const SqlShape& shape, const char* prefix);

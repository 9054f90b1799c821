#include "db/SqlText.h"

#include <cctype>
#include <cstring>

namespace {

bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool EqualNoCase(const std::string& text, std::size_t at, const char* word) {
  std::size_t n = std::strlen(word);
  if (at + n > text.size()) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) !=
        std::tolower(static_cast<unsigned char>(word[i])))
      return false;
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Skips a quoted literal starting at text[i] == '\''; returns the index
// after it.
std::size_t SkipLiteral(const std::string& text, std::size_t i) {
  ++i;
  while (i < text.size()) {
    if (text[i] == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

void SkipBlanks(const std::string& s, std::size_t& i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}

// Reads ":name" at s[i]; returns its length (0 when there is none).
std::size_t BindAt(const std::string& s, std::size_t i) {
  if (i >= s.size() || s[i] != ':') return 0;
  std::size_t j = i + 1;
  while (j < s.size() && IsIdent(s[j])) ++j;
  return j - i - 1 > 0 ? j - i : 0;
}

SqlKind KindOf(const std::string& text, std::string* savepoint) {
  std::size_t i = 0;
  SkipBlanks(text, i);
  std::size_t j = i;
  while (j < text.size() && IsIdent(text[j])) ++j;
  std::string first = Lower(text.substr(i, j - i));
  auto nameAfter = [&](std::size_t k) {
    SkipBlanks(text, k);
    std::size_t e = k;
    while (e < text.size() && IsIdent(text[e])) ++e;
    *savepoint = text.substr(k, e - k);
  };
  if (first == "select") return SqlKind::Select;
  if (first == "insert") return SqlKind::Insert;
  if (first == "update") return SqlKind::Update;
  if (first == "delete") return SqlKind::Delete;
  if (first == "commit") return SqlKind::Commit;
  if (first == "savepoint") {
    nameAfter(j);
    return SqlKind::Savepoint;
  }
  if (first == "rollback") {
    std::size_t k = j;
    SkipBlanks(text, k);
    if (EqualNoCase(text, k, "to") && (k + 2 >= text.size() || !IsIdent(text[k + 2]))) {
      k += 2;
      SkipBlanks(text, k);
      if (EqualNoCase(text, k, "savepoint") && k + 9 < text.size() && !IsIdent(text[k + 9])) k += 9;
      nameAfter(k);
      return SqlKind::RollbackTo;
    }
  }
  return SqlKind::Other;
}

}  // namespace

std::size_t Sql_FindWord(const std::string& text, const char* word, std::size_t from) {
  std::size_t n = std::strlen(word);
  for (std::size_t i = from; i < text.size();) {
    if (text[i] == '\'') {
      i = SkipLiteral(text, i);
      continue;
    }
    if (EqualNoCase(text, i, word) && (i == 0 || !IsIdent(text[i - 1])) &&
        (i + n >= text.size() || !IsIdent(text[i + n]) || !IsIdent(word[n - 1]))) {
      return i;
    }
    ++i;
  }
  return std::string::npos;
}

void Sql_ReplaceWord(std::string& text, const char* word, const char* with) {
  std::size_t n = std::strlen(word);
  std::size_t m = std::strlen(with);
  std::size_t at = Sql_FindWord(text, word, 0);
  while (at != std::string::npos) {
    text.replace(at, n, with);
    at = Sql_FindWord(text, word, at + m);
  }
}

std::size_t Sql_MatchParen(const std::string& text, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < text.size();) {
    char c = text[i];
    if (c == '\'') {
      i = SkipLiteral(text, i);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i + 1;
    ++i;
  }
  return std::string::npos;
}

void Sql_RewriteDatePlusDays(std::string& text, const char* fn) {
  std::size_t at = Sql_FindWord(text, "TO_DATE", 0);
  while (at != std::string::npos) {
    std::size_t open = at + 7;
    SkipBlanks(text, open);
    std::size_t close = open < text.size() && text[open] == '(' ? Sql_MatchParen(text, open)
                                                                 : std::string::npos;
    if (close == std::string::npos) break;
    std::size_t k = close;
    SkipBlanks(text, k);
    if (k < text.size() && text[k] == '+') {
      std::size_t o = k + 1;
      SkipBlanks(text, o);
      std::size_t e = o;
      if (e < text.size() && text[e] == ':') ++e;
      while (e < text.size() && IsIdent(text[e])) ++e;
      if (e > o) {
        std::string call = std::string(fn) + "(" + text.substr(at, close - at) + "," +
                           text.substr(o, e - o) + ")";
        text.replace(at, e - at, call);
        at = Sql_FindWord(text, "TO_DATE", at + call.size());
        continue;
      }
    }
    at = Sql_FindWord(text, "TO_DATE", close);
  }
}

bool Sql_Parse(const char* sql, SqlShape* shape) {
  *shape = SqlShape{};
  std::string text = sql != nullptr ? sql : "";

  // The into list of a single-row select: "into" followed by ":name" items.
  std::size_t into = Sql_FindWord(text, "into", 0);
  while (into != std::string::npos) {
    std::size_t i = into + 4;
    SkipBlanks(text, i);
    if (i < text.size() && text[i] == ':') break;
    into = Sql_FindWord(text, "into", into + 4);
  }
  if (into != std::string::npos) {
    std::size_t i = into + 4;
    int items = 0;
    for (;;) {
      SkipBlanks(text, i);
      std::size_t n = BindAt(text, i);
      if (n == 0) return false;
      i += n;
      std::size_t ind = BindAt(text, i);  // the indicator of the item
      i += ind;
      ++items;
      std::size_t k = i;
      SkipBlanks(text, k);
      if (k < text.size() && text[k] == ',') {
        i = k + 1;
        continue;
      }
      break;
    }
    shape->hasInto = true;
    shape->outputs = items;
    text.erase(into, i - into);
  }

  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {
      i = SkipLiteral(text, i);
      continue;
    }
    std::size_t n = (i == 0 || !IsIdent(text[i - 1])) ? BindAt(text, i) : 0;
    if (n > 0) {
      std::string name = text.substr(i + 1, n - 1);
      int index = -1;
      for (std::size_t k = 0; k < shape->names.size(); ++k) {
        if (shape->names[k] == name) index = static_cast<int>(k);
      }
      if (index < 0) {
        index = static_cast<int>(shape->names.size());
        shape->names.push_back(name);
      }
      shape->refs.push_back(SqlBindRef{i, n, index});
      i += n;
      continue;
    }
    ++i;
  }
  shape->kind = KindOf(text, &shape->savepoint);
  shape->text = std::move(text);
  return true;
}

std::string Sql_NumberBinds(const SqlShape& shape, const char* prefix) {
  std::string out;
  std::size_t last = 0;
  for (const SqlBindRef& r : shape.refs) {
    out.append(shape.text, last, r.pos - last);
    out += prefix;
    out += std::to_string(r.index + 1);
    last = r.pos + r.len;
  }
  out.append(shape.text, last, std::string::npos);
  return out;
}

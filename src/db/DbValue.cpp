#include "db/DbValue.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "db/DbStatus.h"

namespace {

int InRange(long long x, DbType type, DbVal* v) {
  long long lo = type == DbType::Int16 ? -32768 : -2147483648LL;
  long long hi = type == DbType::Int16 ? 32767 : 2147483647LL;
  if (x < lo || x > hi) return ORA_INT_OVERFLOW;
  v->i = x;
  return DB_OK;
}

}  // namespace

int DbVal_FromWhole(long long x, DbType type, DbVal* v) {
  switch (type) {
    case DbType::Text: v->s = std::to_string(x); return DB_OK;
    case DbType::Double: v->d = static_cast<double>(x); return DB_OK;
    default: return InRange(x, type, v);
  }
}

int DbVal_FromReal(double d, DbType type, DbVal* v) {
  switch (type) {
    case DbType::Text: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", d);
      v->s = buf;
      return DB_OK;
    }
    case DbType::Double: v->d = d; return DB_OK;
    default: {
      double t = std::trunc(d);
      if (!(t >= -2147483648.0 && t <= 2147483647.0)) return ORA_INT_OVERFLOW;
      return InRange(static_cast<long long>(t), type, v);
    }
  }
}

int DbVal_FromText(const char* text, std::size_t len, bool null, DbType type, DbVal* v) {
  if (type == DbType::Text) {
    v->s.clear();
    if (!null && text != nullptr) v->s.assign(text, len);
    return DB_OK;
  }
  if (null || text == nullptr) {
    v->i = 0;
    v->d = 0;
    return DB_OK;
  }
  char* end = nullptr;
  if (type != DbType::Double) {
    errno = 0;
    long long x = std::strtoll(text, &end, 10);
    if (end != text && *end == '\0' && errno == 0) return InRange(x, type, v);
  }
  errno = 0;
  double d = std::strtod(text, &end);
  if (end == text || *end != '\0') return ORA_NUMBER;
  return DbVal_FromReal(d, type, v);
}

void DbVal_Store(const DbOut& o, const DbVal& v) {
  switch (o.type) {
    case DbType::Text: {
      char* f = static_cast<char*>(o.value);
      std::size_t room = static_cast<std::size_t>(o.width - 1);
      std::size_t n = v.s.size() < room ? v.s.size() : room;
      std::memcpy(f, v.s.data(), n);
      f[n] = '\0';
      break;
    }
    case DbType::Int16: *static_cast<int16_t*>(o.value) = static_cast<int16_t>(v.i); break;
    case DbType::Int32: *static_cast<int32_t*>(o.value) = static_cast<int32_t>(v.i); break;
    case DbType::Double: *static_cast<double*>(o.value) = v.d; break;
  }
}

bool DbVal_ValidOutputs(const DbOut* out, int nout) {
  for (int i = 0; i < nout; ++i) {
    if (out[i].value == nullptr || (out[i].type == DbType::Text && out[i].width < 1)) return false;
  }
  return true;
}

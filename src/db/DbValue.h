// Output values as the drivers hand them to the statement functions: a
// column is converted into the type of its output field first, for the whole
// row, and stored only when every column converted.
#pragma once

#include <cstddef>
#include <string>

#include "db/DbDriver.h"

struct DbVal {
  long long i = 0;
  double d = 0;
  std::string s;
};

// A column given as text (null: a NULL column, which reads as 0 or the
// empty text). Returns 0, ORA_NUMBER for a text that is no number, or
// ORA_INT_OVERFLOW for a whole number outside the field.
int DbVal_FromText(const char* text, std::size_t len, bool null, DbType type, DbVal* v);

// A column given as a whole number or as a floating-point number.
int DbVal_FromWhole(long long x, DbType type, DbVal* v);
int DbVal_FromReal(double d, DbType type, DbVal* v);

// Writes a converted value into its field; a text longer than the field is
// cut to it.
void DbVal_Store(const DbOut& out, const DbVal& v);

// False when an output has no field or a text field has no room.
bool DbVal_ValidOutputs(const DbOut* out, int nout);

// Fixed-width text fields: a char[N] holds at most N-1 characters and a
// terminating zero. Every copy into such a field goes through these helpers,
// which cut a longer value at the field's width and never write past it.
#pragma once

#include <cstddef>
#include <cstring>

// Copies src into dst (room for n bytes, terminator included); a longer src is
// cut to n-1 characters. A null src gives the empty text.
inline void Txt_CopyN(char* dst, std::size_t n, const char* src) {
  if (n == 0) return;
  std::size_t len = src != nullptr ? strnlen(src, n - 1) : 0;
  if (len > 0) std::memcpy(dst, src, len);
  dst[len] = '\0';
}

template <std::size_t N>
inline void Txt_Copy(char (&dst)[N], const char* src) {
  Txt_CopyN(dst, N, src);
}

template <std::size_t N>
inline void Txt_Clear(char (&dst)[N]) {
  dst[0] = '\0';
}

// True when src fits into a char[N] without being cut.
template <std::size_t N>
inline bool Txt_Fits(const char (&)[N], const char* src) {
  return src == nullptr || std::strlen(src) < N;
}

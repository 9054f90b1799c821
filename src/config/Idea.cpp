#include "config/Idea.h"

#include <cstdint>
#include <cstring>

#include "config/IdeaBlock.h"

namespace {

// Multiplication modulo 65537; the word 0 stands for 65536.
std::uint16_t Mul(std::uint16_t a, std::uint16_t b) {
  const std::uint64_t x = a != 0 ? a : 65536u;
  const std::uint64_t y = b != 0 ? b : 65536u;
  const std::uint64_t p = (x * y) % 65537u;
  return static_cast<std::uint16_t>(p == 65536u ? 0u : p);
}

std::uint16_t Add(std::uint16_t a, std::uint16_t b) { return static_cast<std::uint16_t>(a + b); }

std::uint16_t AddInv(std::uint16_t a) { return static_cast<std::uint16_t>(0u - a); }

// Multiplicative inverse modulo 65537 (x^65535, as 65537 is prime); 0 stands
// for 65536, which is its own inverse, so 0 stays 0.
std::uint16_t MulInv(std::uint16_t a) {
  std::uint64_t base = a != 0 ? a : 65536u;
  std::uint64_t r = 1;
  for (std::uint32_t e = 65535u; e != 0; e >>= 1) {
    if ((e & 1u) != 0) r = (r * base) % 65537u;
    base = (base * base) % 65537u;
  }
  return static_cast<std::uint16_t>(r == 65536u ? 0u : r);
}

constexpr int kGruppe = 5;  // digits per cipher word

// A group of five characters as a cipher word; false unless all five are
// digits and the value fits a 16-bit word.
bool GroupWord(const char* p, std::uint16_t& word) {
  std::uint32_t v = 0;
  for (int i = 0; i < kGruppe; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10u + static_cast<std::uint32_t>(p[i] - '0');
  }
  if (v > 65535u) return false;
  word = static_cast<std::uint16_t>(v);
  return true;
}

}  // namespace

void Idea_KeyWords(const char* keyText, std::uint16_t (&key)[8]) {
  bool ended = keyText == nullptr;
  for (int i = 0; i < 8; ++i) {
    if (!ended && keyText[i] == '\0') ended = true;
    key[i] = ended ? 0 : static_cast<unsigned char>(keyText[i]);
  }
}

void Idea_ExpandKey(const std::uint16_t (&key)[8], std::uint16_t (&ek)[IDEA_TEILSCHLUESSEL]) {
  // The 128-bit key as two halves, word 0 the most significant.
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  for (int i = 0; i < 4; ++i) {
    hi = (hi << 16) | key[i];
    lo = (lo << 16) | key[i + 4];
  }
  int n = 0;
  while (n < IDEA_TEILSCHLUESSEL) {
    for (int i = 0; i < 8 && n < IDEA_TEILSCHLUESSEL; ++i, ++n) {
      const std::uint64_t half = i < 4 ? hi : lo;
      ek[n] = static_cast<std::uint16_t>(half >> (48 - 16 * (i % 4)));
    }
    const std::uint64_t newHi = (hi << 25) | (lo >> 39);
    const std::uint64_t newLo = (lo << 25) | (hi >> 39);
    hi = newHi;
    lo = newLo;
  }
}

void Idea_InvertKey(const std::uint16_t (&ek)[IDEA_TEILSCHLUESSEL],
                    std::uint16_t (&dk)[IDEA_TEILSCHLUESSEL]) {
  // Decryption round r undoes encryption round 8-r; the output
  // transformation is undone first. The two additive subkeys change places
  // in the inner rounds, as the middle words were exchanged there.
  for (int r = 0; r <= 8; ++r) {
    const int e = 48 - 6 * r;  // multiplicative/additive subkeys undone here
    const bool inner = r != 0 && r != 8;
    dk[6 * r] = MulInv(ek[e]);
    dk[6 * r + 1] = AddInv(ek[inner ? e + 2 : e + 1]);
    dk[6 * r + 2] = AddInv(ek[inner ? e + 1 : e + 2]);
    dk[6 * r + 3] = MulInv(ek[e + 3]);
    if (r < 8) {
      dk[6 * r + 4] = ek[e - 2];
      dk[6 * r + 5] = ek[e - 1];
    }
  }
}

void Idea_Block(const std::uint16_t (&in)[4], std::uint16_t (&out)[4],
                const std::uint16_t (&k)[IDEA_TEILSCHLUESSEL]) {
  std::uint16_t x1 = in[0];
  std::uint16_t x2 = in[1];
  std::uint16_t x3 = in[2];
  std::uint16_t x4 = in[3];
  for (int r = 0; r < 8; ++r) {
    const std::uint16_t* s = k + 6 * r;
    const std::uint16_t a = Mul(x1, s[0]);
    const std::uint16_t b = Add(x2, s[1]);
    const std::uint16_t c = Add(x3, s[2]);
    const std::uint16_t d = Mul(x4, s[3]);
    std::uint16_t e = Mul(static_cast<std::uint16_t>(a ^ c), s[4]);
    std::uint16_t f = Mul(Add(static_cast<std::uint16_t>(b ^ d), e), s[5]);
    e = Add(e, f);
    x1 = static_cast<std::uint16_t>(a ^ f);
    x2 = static_cast<std::uint16_t>(c ^ f);  // middle words exchanged
    x3 = static_cast<std::uint16_t>(b ^ e);
    x4 = static_cast<std::uint16_t>(d ^ e);
  }
  // The last round does not exchange the middle words: undo it here.
  out[0] = Mul(x1, k[48]);
  out[1] = Add(x3, k[49]);
  out[2] = Add(x2, k[50]);
  out[3] = Mul(x4, k[51]);
}

void Idea_Decode(const char* stored, const char* keyText, char* out, std::size_t outSize) {
  if (out == nullptr || outSize == 0) return;
  out[0] = '\0';
  if (stored == nullptr) return;

  const std::size_t n = std::strlen(stored) / kGruppe;  // digits after the last whole group are ignored

  // A value with any group that is not a cipher word is refused as a whole:
  // decrypting it would only give arbitrary characters.
  for (std::size_t i = 0; i < n; ++i) {
    std::uint16_t w = 0;
    if (!GroupWord(stored + kGruppe * i, w)) return;
  }

  std::uint16_t key[8];
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  std::uint16_t dk[IDEA_TEILSCHLUESSEL];
  Idea_KeyWords(keyText, key);
  Idea_ExpandKey(key, ek);
  Idea_InvertKey(ek, dk);

  std::size_t len = 0;
  for (std::size_t b = 0; b < n; b += 4) {
    std::uint16_t in[4] = {0, 0, 0, 0};
    for (std::size_t j = 0; j < 4 && b + j < n; ++j) GroupWord(stored + kGruppe * (b + j), in[j]);
    std::uint16_t plain[4];
    Idea_Block(in, plain, dk);
    for (std::size_t j = 0; j < 4 && b + j < n; ++j) {
      const char c = static_cast<char>(plain[j] & 0xFFu);
      if (c == '\0' || len + 1 >= outSize) {
        out[len] = '\0';
        return;
      }
      out[len++] = c;
    }
  }
  out[len] = '\0';
}

std::string Idea_Encode(const char* plain, const char* keyText) {
  std::string stored;
  if (plain == nullptr) return stored;

  std::uint16_t key[8];
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  Idea_KeyWords(keyText, key);
  Idea_ExpandKey(key, ek);

  const std::size_t n = std::strlen(plain);
  for (std::size_t b = 0; b < n; b += 4) {
    std::uint16_t in[4] = {0, 0, 0, 0};
    for (std::size_t j = 0; j < 4 && b + j < n; ++j) in[j] = static_cast<unsigned char>(plain[b + j]);
    std::uint16_t cipher[4];
    Idea_Block(in, cipher, ek);
    for (std::uint16_t w : cipher) {
      char group[kGruppe + 1];
      std::uint32_t v = w;
      for (int i = kGruppe - 1; i >= 0; --i) {
        group[i] = static_cast<char>('0' + v % 10u);
        v /= 10u;
      }
      group[kGruppe] = '\0';
      stored += group;
    }
  }
  return stored;
}

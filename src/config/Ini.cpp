#include "config/Ini.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/Idea.h"
#include "util/Path.h"
#include "util/Text.h"

namespace {

constexpr std::size_t kKopfMax = 198;   // header line, characters before the line break
constexpr std::size_t kWertMax = 398;   // value line, characters before the line break
constexpr std::size_t kFeldMax = 200;   // section, key and value
constexpr std::size_t kNummerMax = 11;  // number field

// One physical line. At most limit+1 characters are kept; length counts all of
// them, so an over-long line is recognised without being held.
struct Zeile {
  std::string text;
  std::size_t length = 0;
  bool broken = false;  // ended with a line break (LF or CR LF)
};

// Reads the next line; the line break is not part of the text. Returns false
// when the file ended before any character of a line was read.
bool ReadLine(std::FILE* f, std::size_t limit, Zeile& line) {
  line.text.clear();
  line.length = 0;
  line.broken = false;
  bool any = false;
  bool pendingCr = false;
  for (;;) {
    const int c = std::fgetc(f);
    if (c == EOF) break;
    any = true;
    if (c == '\n') {
      line.broken = true;
      return true;
    }
    if (pendingCr) {  // a CR not followed by LF is an ordinary character
      if (line.text.size() <= limit) line.text.push_back('\r');
      ++line.length;
    }
    pendingCr = c == '\r';
    if (pendingCr) continue;
    if (line.text.size() <= limit) line.text.push_back(static_cast<char>(c));
    ++line.length;
  }
  if (pendingCr) {
    if (line.text.size() <= limit) line.text.push_back('\r');
    ++line.length;
  }
  return any;
}

// The number field read as a decimal integer: leading blanks, an optional
// sign, the digits up to the first other character; no digits read as 0.
// False when the field is empty, longer than 11 characters or out of range.
bool ReadNumber(const std::string& field, int& number) {
  if (field.empty() || field.size() > kNummerMax) return false;
  std::size_t i = 0;
  while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  long long v = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) v = v * 10 + (field[i] - '0');
  if (negative) v = -v;
  if (v < -2147483648LL || v > 2147483647LL) return false;
  number = static_cast<int>(v);
  return true;
}

struct Eintrag {
  std::string section;
  std::string key;
  std::string value;
  int number = 0;
};

// Splits a pair of lines into section, number, key and value. An empty field
// takes the rest of the line after its first separator, line break included
// (the break is always "\n" here: CR LF counts as one line break). False for a
// pair that cannot be read safely: an over-long line, a value line without
// any ";", an unusable number field, an over-long key or value.
bool SplitPair(const Zeile& header, const Zeile& valueLine, Eintrag& e) {
  e = Eintrag{};
  if (header.length > kKopfMax || valueLine.length > kWertMax) return false;
  const std::string brk = "\n";

  const std::string& h = header.text;
  const std::size_t h1 = h.find(';');
  const std::size_t h2 = h1 == std::string::npos ? std::string::npos : h.find(';', h1 + 1);
  if (h2 != std::string::npos) {
    e.section = h2 == h1 + 1 ? h.substr(h1 + 1) + (header.broken ? brk : "") : h.substr(h1 + 1, h2 - h1 - 1);
  }

  const std::string& v = valueLine.text;
  const std::size_t v1 = v.find(';');
  if (v1 == std::string::npos) return false;
  if (!ReadNumber(v.substr(0, v1), e.number)) return false;
  const std::size_t v2 = v.find(';', v1 + 1);
  if (v2 == std::string::npos) {
    e.value = v.substr(v1 + 1);
  } else {
    e.key = v2 == v1 + 1 ? v.substr(v1 + 1) + brk : v.substr(v1 + 1, v2 - v1 - 1);
    e.value = v.substr(v2 + 1);
  }
  if (e.value.empty()) e.value = brk;  // decodes to empty text

  return e.section.size() <= kFeldMax && e.key.size() <= kFeldMax && e.value.size() <= kFeldMax;
}

}  // namespace

void Ini_Lesen(const char* section, const char* key, int number, const char* fileName, char* out,
               std::size_t outSize) {
  if (out == nullptr || outSize == 0) return;
  out[0] = '\0';
  const std::string wantSection = section != nullptr ? section : "";
  const std::string wantKey = key != nullptr ? key : "";

  std::FILE* f = std::fopen(Path_Native(fileName).c_str(), "rb");
  if (f == nullptr) return;

  Zeile header;
  Zeile valueLine;
  Eintrag e;
  for (;;) {
    ReadLine(f, kKopfMax, header);  // its end of file shows in the value line
    // A value line that reaches the end of the file before its line break
    // ends the search, as does a missing one: the pair is incomplete.
    if (!ReadLine(f, kWertMax, valueLine) || !valueLine.broken) break;
    if (!SplitPair(header, valueLine, e)) continue;
    if (e.section == wantSection || e.key == wantKey || e.number == number) {
      Idea_Decode(e.value.c_str(), IDEA_SCHLUESSEL, out, outSize);
      break;
    }
  }
  std::fclose(f);
}

void Ini_DbLogin(char (&login)[INI_WERT_LEN], char (&password)[INI_WERT_LEN],
                 char (&service)[INI_WERT_LEN]) {
  char wert[INI_WERT_LEN];
  Ini_Lesen("", "LOGIN", 0, INI_DATEI, wert, sizeof wert);
  Txt_Copy(login, wert);
  Ini_Lesen("", "PASS", 0, INI_DATEI, wert, sizeof wert);
  Txt_Copy(password, wert);
  Ini_Lesen("", "NET8", 0, INI_DATEI, wert, sizeof wert);
  Txt_Copy(service, wert);
}

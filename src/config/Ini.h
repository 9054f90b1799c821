// The settings file: pairs of lines whose values are stored encrypted.
#pragma once

#include <cstddef>

// The settings file, relative to the working directory (Windows form).
constexpr const char* INI_DATEI = "..\\..\\..\\..\\files\\korvalis.ini";

// Room of each login setting, terminator included.
constexpr std::size_t INI_WERT_LEN = 52;

// Decrypted value of the first entry matching section, key or number, into
// out (room for outSize bytes); empty text when none matches or the file
// cannot be read.
void Ini_Lesen(const char* section, const char* key, int number, const char* fileName, char* out,
               std::size_t outSize);

// LOGIN, PASS and NET8 from the settings file.
void Ini_DbLogin(char (&login)[INI_WERT_LEN], char (&password)[INI_WERT_LEN],
                 char (&service)[INI_WERT_LEN]);

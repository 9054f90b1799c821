// Writing the settings file the batch reads its database login from.
//
// The file holds three pairs of lines, CR LF at every line end:
//   [Datenbank];KORVALIS;Benutzer        header: section KORVALIS
//   1;LOGIN;<stored form of the login>   value:  number 1, key LOGIN
//   [Datenbank];KORVALIS;Kennwort
//   2;PASS;<stored form of the password>
//   [Datenbank];KORVALIS;Dienst
//   3;NET8;<stored form of the service>
// The batch asks with an empty section and number 0, so with a non-empty
// section and non-zero numbers each pair is found by its key alone.
#pragma once

#include <cstddef>
#include <string>

// Longest plain text of a settings value (200 stored digits).
constexpr std::size_t SETTINGS_WERT_MAX = 40;

// The file's text for the three values; false (and *error says which value)
// when one is longer than SETTINGS_WERT_MAX. The message never holds a value.
bool Settings_Text(const char* login, const char* password, const char* service, std::string* text,
                   std::string* error);

// Writes text to path, readable and writable by the owner only (created with
// mode 0600 on POSIX, never widened afterwards). Without replace an existing
// file is refused; with replace it is replaced as a whole (a new file renamed
// over it). False with *error set on failure.
bool Settings_Schreiben(const char* path, const std::string& text, bool replace, std::string* error);

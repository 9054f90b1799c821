// The settings value cipher: IDEA in ECB mode over 16-bit words, each word
// carrying one character, stored as groups of five decimal digits.
#pragma once

#include <cstddef>
#include <string>

// The key text of the settings file.
constexpr const char* IDEA_SCHLUESSEL = "QARBLON";

// Decodes a stored value into out (room for outSize bytes, terminator
// included); always yields a text.
void Idea_Decode(const char* stored, const char* keyText, char* out, std::size_t outSize);

// Forms the stored value of a plain text (the operators' tool uses it).
std::string Idea_Encode(const char* plain, const char* keyText);

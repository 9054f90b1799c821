// The IDEA block cipher itself: key schedule, inversion of the subkeys and
// one 64-bit block. Idea.cpp builds the settings value format on top of it.
#pragma once

#include <cstdint>

constexpr int IDEA_TEILSCHLUESSEL = 52;

// The eight 16-bit key words of a key text: each character code is one whole
// word; missing places (the terminating zero and after) are 0.
void Idea_KeyWords(const char* keyText, std::uint16_t (&key)[8]);

// The 52 encryption subkeys: the 128-bit key, rotated left by 25 bits after
// every eight subkeys.
void Idea_ExpandKey(const std::uint16_t (&key)[8], std::uint16_t (&ek)[IDEA_TEILSCHLUESSEL]);

// The 52 decryption subkeys of a set of encryption subkeys.
void Idea_InvertKey(const std::uint16_t (&ek)[IDEA_TEILSCHLUESSEL],
                    std::uint16_t (&dk)[IDEA_TEILSCHLUESSEL]);

// One block of four words through eight rounds and the output transformation;
// encrypts with encryption subkeys, decrypts with decryption subkeys.
void Idea_Block(const std::uint16_t (&in)[4], std::uint16_t (&out)[4],
                const std::uint16_t (&k)[IDEA_TEILSCHLUESSEL]);

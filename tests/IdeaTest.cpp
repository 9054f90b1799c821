#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/Idea.h"
#include "config/IdeaBlock.h"

namespace {

std::string Decode(const std::string& stored, std::size_t outSize = 256) {
  std::string out(outSize + 8, '#');  // '#' beyond outSize shows an overrun
  Idea_Decode(stored.c_str(), IDEA_SCHLUESSEL, out.data(), outSize);
  for (std::size_t i = outSize; i < out.size(); ++i) EXPECT_EQ(out[i], '#') << "written past the buffer at " << i;
  return std::string(out.c_str());
}

// The stored form of an arbitrary word sequence, for values the encoding rule
// cannot produce (a zero character inside the text).
std::string StoreWords(const std::uint16_t (&plain)[4]) {
  std::uint16_t key[8];
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  Idea_KeyWords(IDEA_SCHLUESSEL, key);
  Idea_ExpandKey(key, ek);
  std::uint16_t cipher[4];
  Idea_Block(plain, cipher, ek);
  std::string s;
  char g[8];
  for (std::uint16_t w : cipher) {
    std::snprintf(g, sizeof g, "%05u", static_cast<unsigned>(w));
    s += g;
  }
  return s;
}

}  // namespace

TEST(IdeaBlock, PublishedTestVector) {
  const std::uint16_t key[8] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008};
  const std::uint16_t plain[4] = {0x0000, 0x0001, 0x0002, 0x0003};
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  std::uint16_t dk[IDEA_TEILSCHLUESSEL];
  Idea_ExpandKey(key, ek);
  Idea_InvertKey(ek, dk);

  // Second eight subkeys: the key rotated left by 25 bits.
  const std::uint16_t second[8] = {0x0400, 0x0600, 0x0800, 0x0A00, 0x0C00, 0x0E00, 0x1000, 0x0200};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ek[8 + i], second[i]) << "subkey " << 8 + i;

  std::uint16_t cipher[4];
  Idea_Block(plain, cipher, ek);
  EXPECT_EQ(cipher[0], 0x11FB);
  EXPECT_EQ(cipher[1], 0xED2B);
  EXPECT_EQ(cipher[2], 0x0198);
  EXPECT_EQ(cipher[3], 0x6DE5);

  std::uint16_t back[4];
  Idea_Block(cipher, back, dk);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(back[i], plain[i]) << "word " << i;
}

TEST(IdeaBlock, DecryptionReversesEncryptionForZeroAndEdgeWords) {
  // The settings key ends in a zero word, so zero subkeys (65536) occur.
  std::uint16_t key[8];
  Idea_KeyWords(IDEA_SCHLUESSEL, key);
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  std::uint16_t dk[IDEA_TEILSCHLUESSEL];
  Idea_ExpandKey(key, ek);
  Idea_InvertKey(ek, dk);
  const std::uint16_t blocks[][4] = {
      {0, 0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {1, 0, 0xFFFF, 0x8000}, {'a', 'b', 'c', 'd'}};
  for (const auto& b : blocks) {
    std::uint16_t c[4];
    std::uint16_t p[4];
    Idea_Block(b, c, ek);
    Idea_Block(c, p, dk);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p[i], b[i]);
  }
}

TEST(IdeaKey, EachKeyCharacterIsOneWholeWordThenZero) {
  std::uint16_t key[8];
  Idea_KeyWords(IDEA_SCHLUESSEL, key);
  const std::uint16_t want[8] = {'Q', 'A', 'R', 'B', 'L', 'O', 'N', 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(key[i], want[i]) << "word " << i;
}

TEST(IdeaValue, EveryLengthUpTo40RoundTrips) {
  const std::string source = "Az09 ~!scott/tiger@PROD;\x7F\x80\xE4\xFF-_.,:+*#%&()[]{}";
  for (std::size_t n = 1; n <= 40; ++n) {
    const std::string plain = source.substr(0, n);
    const std::string stored = Idea_Encode(plain.c_str(), IDEA_SCHLUESSEL);
    ASSERT_EQ(stored.size(), 20 * ((n + 3) / 4)) << "length " << n;
    for (std::size_t g = 0; g < stored.size(); g += 5) {
      for (std::size_t i = 0; i < 5; ++i) ASSERT_TRUE(stored[g + i] >= '0' && stored[g + i] <= '9');
      ASSERT_LE(std::stoi(stored.substr(g, 5)), 65535);
    }
    EXPECT_EQ(Decode(stored), plain) << "length " << n;
  }
}

TEST(IdeaValue, EmptyValueAndEmptyText) {
  EXPECT_EQ(Idea_Encode("", IDEA_SCHLUESSEL), "");
  EXPECT_EQ(Decode(""), "");
  EXPECT_EQ(Decode("\n"), "");    // an empty value field of the settings file
  EXPECT_EQ(Decode("1234"), "");  // no whole group
  char out[4] = "xyz";
  Idea_Decode(nullptr, IDEA_SCHLUESSEL, out, sizeof out);
  EXPECT_STREQ(out, "");
}

TEST(IdeaValue, CharactersAfterTheLastWholeGroupAreIgnored) {
  const std::string stored = Idea_Encode("scott", IDEA_SCHLUESSEL);  // 40 digits
  ASSERT_EQ(stored.size(), 40u);
  const std::string first20 = Idea_Encode("scot", IDEA_SCHLUESSEL);
  EXPECT_EQ(Decode(first20 + "987"), "scot");  // 23 digits
  EXPECT_EQ(Decode(stored.substr(0, 23)), Decode(stored.substr(0, 20)));
  EXPECT_EQ(Decode(stored + "12 x"), "scott");
  EXPECT_EQ(Decode(stored + "\n"), "scott");
}

TEST(IdeaValue, IncompleteLastBlockUsesOnlyItsWords) {
  const std::string stored = Idea_Encode("scotty", IDEA_SCHLUESSEL);
  const std::string cut = stored.substr(0, 30);  // one block and two words
  const std::string plain = Decode(cut);
  ASSERT_GE(plain.size(), 4u);
  EXPECT_LE(plain.size(), 6u);
  EXPECT_EQ(plain.substr(0, 4), "scot");
}

TEST(IdeaValue, DecodingEndsAtTheFirstZeroCharacter) {
  const std::uint16_t words[4] = {'A', 0, 'B', 'C'};
  EXPECT_EQ(Decode(StoreWords(words)), "A");
  // Only the low eight bits carry the character.
  const std::uint16_t high[4] = {0x4142, 0x0143, 0x0100, 'D'};
  EXPECT_EQ(Decode(StoreWords(high)), "BC");
}

TEST(IdeaValue, GroupsThatAreNoCipherWordRejectTheWholeValue) {
  const std::string good = Idea_Encode("password", IDEA_SCHLUESSEL);
  ASSERT_EQ(Decode(good), "password");
  const char* bad[] = {"65536", "99999", "12a45", " 1234", "-1234", "+1234", "1234 "};
  for (const char* group : bad) {
    EXPECT_EQ(Decode(good.substr(0, 20) + group + good.substr(25)), "") << group;
    EXPECT_EQ(Decode(std::string(group) + good.substr(5)), "") << group;
  }
}

TEST(IdeaValue, LargestAndSmallestWordsAreValid) {
  std::uint16_t key[8];
  std::uint16_t ek[IDEA_TEILSCHLUESSEL];
  std::uint16_t dk[IDEA_TEILSCHLUESSEL];
  Idea_KeyWords(IDEA_SCHLUESSEL, key);
  Idea_ExpandKey(key, ek);
  Idea_InvertKey(ek, dk);
  const std::uint16_t cipher[4] = {65535, 0, 65535, 0};
  std::uint16_t plain[4];
  Idea_Block(cipher, plain, dk);
  std::string want;
  for (std::uint16_t w : plain) {
    if ((w & 0xFF) == 0) break;
    want += static_cast<char>(w & 0xFF);
  }
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(Decode("65535000006553500000"), want);
}

TEST(IdeaValue, OutputIsCutToTheBuffer) {
  const std::string stored = Idea_Encode("ABCDEFGHIJ", IDEA_SCHLUESSEL);
  EXPECT_EQ(Decode(stored, 11), "ABCDEFGHIJ");
  EXPECT_EQ(Decode(stored, 10), "ABCDEFGHI");
  EXPECT_EQ(Decode(stored, 4), "ABC");
  EXPECT_EQ(Decode(stored, 1), "");
  char untouched = '#';
  Idea_Decode(stored.c_str(), IDEA_SCHLUESSEL, &untouched, 0);
  EXPECT_EQ(untouched, '#');
}

TEST(IdeaValue, AnotherKeyDoesNotDecode) {
  const std::string stored = Idea_Encode("scott", IDEA_SCHLUESSEL);
  char out[64];
  Idea_Decode(stored.c_str(), "QARBLOM", out, sizeof out);
  EXPECT_STRNE(out, "scott");
}

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/Idea.h"
#include "config/Ini.h"

namespace fs = std::filesystem;

namespace {

std::string Enc(const char* plain) { return Idea_Encode(plain, IDEA_SCHLUESSEL); }

// A scratch folder laid out like an installation: the settings file four
// folders up from the working directory, in "files".
class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "welfrast-ini-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    work_ = root_ / "a" / "b" / "c" / "d";
    fs::create_directories(work_);
    fs::create_directories(root_ / "files");
    oldCwd_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Writes the settings file byte for byte and returns its path.
  std::string Write(const std::string& content) {
    const fs::path p = root_ / "files" / "korvalis.ini";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f != nullptr) {
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
    }
    return p.string();
  }

  std::string Read(const std::string& content, const char* section, const char* key, int number,
                   std::size_t outSize = INI_WERT_LEN) {
    const std::string path = Write(content);
    std::string out(outSize + 8, '#');
    Ini_Lesen(section, key, number, path.c_str(), out.data(), outSize);
    for (std::size_t i = outSize; i < out.size(); ++i) EXPECT_EQ(out[i], '#') << "written past the buffer";
    return std::string(out.c_str());
  }

  struct Login {
    std::string login, password, service;
  };
  Login DbLogin(const std::string& content) {
    Write(content);
    fs::current_path(work_);
    char l[INI_WERT_LEN];
    char p[INI_WERT_LEN];
    char s[INI_WERT_LEN];
    Ini_DbLogin(l, p, s);
    fs::current_path(oldCwd_);
    return {l, p, s};
  }

  fs::path root_, work_, oldCwd_;
};

// A pair with a non-empty section, so only its key or number can match.
std::string Pair(const std::string& number, const std::string& key, const std::string& value,
                 const char* eol = "\n") {
  return std::string("[x];Sektion") + number + ";frei" + eol + number + ";" + key + ";" + value + eol;
}

std::string ThreeSettings(const char* eol) {
  return Pair("3", "NET8", Enc("PROD"), eol) + Pair("2", "PASS", Enc("tiger"), eol) +
         Pair("1", "LOGIN", Enc("scott"), eol);
}

}  // namespace

TEST_F(IniFile, EachSettingFromItsOwnPairInAnyOrder) {
  for (const char* eol : {"\n", "\r\n"}) {
    const Login r = DbLogin(ThreeSettings(eol));
    EXPECT_EQ(r.login, "scott") << "eol size " << std::string(eol).size();
    EXPECT_EQ(r.password, "tiger");
    EXPECT_EQ(r.service, "PROD");
  }
  const Login r = DbLogin(Pair("1", "PASS", Enc("pw")) + "\n;;\n" + Pair("2", "LOGIN", Enc("user")) +
                          Pair("3", "NET8", Enc("svc")));
  EXPECT_EQ(r.login, "user");
  EXPECT_EQ(r.password, "pw");
  EXPECT_EQ(r.service, "svc");
}

TEST_F(IniFile, MissingFileGivesEmptySettings) {
  const Login r = DbLogin(ThreeSettings("\n"));
  fs::remove(root_ / "files" / "korvalis.ini");
  fs::current_path(work_);
  char l[INI_WERT_LEN] = "x";
  char p[INI_WERT_LEN] = "x";
  char s[INI_WERT_LEN] = "x";
  Ini_DbLogin(l, p, s);
  EXPECT_STREQ(l, "");
  EXPECT_STREQ(p, "");
  EXPECT_STREQ(s, "");
  EXPECT_EQ(r.login, "scott");  // the same tree with the file present
}

TEST_F(IniFile, FirstMatchingPairWins) {
  const std::string two = Pair("1", "LOGIN", Enc("first")) + Pair("2", "LOGIN", Enc("second"));
  EXPECT_EQ(DbLogin(two).login, "first");
  // An empty value still matches and ends the search.
  const std::string emptyFirst = Pair("1", "LOGIN", "") + Pair("2", "LOGIN", Enc("second"));
  EXPECT_EQ(DbLogin(emptyFirst).login, "");
}

TEST_F(IniFile, HeaderWithoutSectionMatchesEveryLoginRequest) {
  for (const char* header : {"no separators\n", "one;separator\n", "\n", "x;\r\n"}) {
    const Login r = DbLogin(std::string(header) + "7;OTHER;" + Enc("any") + "\n" + ThreeSettings("\n"));
    EXPECT_EQ(r.login, "any") << header;
    EXPECT_EQ(r.password, "any");
    EXPECT_EQ(r.service, "any");
  }
}

TEST_F(IniFile, NumberZeroMatchesEveryLoginRequest) {
  for (const char* number : {"0", " 0", "-0", "+0", "abc", " x1", "0042x" /* reads 42: no match */}) {
    const Login r = DbLogin(Pair(number, "OTHER", Enc("zero")) + ThreeSettings("\n"));
    const bool zero = std::string(number) != "0042x";
    EXPECT_EQ(r.login, zero ? "zero" : "scott") << number;
    EXPECT_EQ(r.password, zero ? "zero" : "tiger") << number;
    EXPECT_EQ(r.service, zero ? "zero" : "PROD") << number;
  }
}

TEST_F(IniFile, NumberIsReadAsDecimalInteger) {
  const struct {
    const char* field;
    int number;
  } cases[] = {{"17", 17}, {"  17", 17}, {"\t-17", -17}, {"+17", 17}, {"17abc", 17}, {"0017", 17},
               {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
  for (const auto& c : cases) {
    const std::string file = Pair(c.field, "K", Enc("hit"));
    EXPECT_EQ(Read(file, "none", "none", c.number), "hit") << c.field;
    EXPECT_EQ(Read(file, "none", "none", c.number ^ 1), "") << c.field;
  }
}

TEST_F(IniFile, MatchingValueLineAtTheEndWithoutLineBreakGivesEmptyValue) {
  const std::string last = "h;S;t\n1;LOGIN;" + Enc("scott");
  EXPECT_EQ(Read(last + "\n", "", "LOGIN", 9), "scott");
  EXPECT_EQ(Read(last + "\r\n", "", "LOGIN", 9), "scott");
  EXPECT_EQ(Read(last, "", "LOGIN", 9), "");
  EXPECT_EQ(Read(last + "\r", "", "LOGIN", 9), "");
  EXPECT_EQ(DbLogin(Pair("2", "PASS", Enc("tiger")) + last).login, "");
}

TEST_F(IniFile, KeyComparisonIsExactAndCaseSensitive) {
  const std::string file = Pair("1", "login", Enc("lower")) + Pair("2", "LOGIN ", Enc("blank")) +
                           Pair("3", "LOGIN", Enc("exact"));
  EXPECT_EQ(DbLogin(file).login, "exact");
  EXPECT_EQ(Read(file, "x", "Login", 9), "");
}

TEST_F(IniFile, SectionMatches) {
  const std::string file = "[a];Db;x\n1;K1;" + Enc("one") + "\n[b];DB;x\n2;K2;" + Enc("two") + "\n";
  EXPECT_EQ(Read(file, "DB", "none", 9), "two");
  EXPECT_EQ(Read(file, "Db", "none", 9), "one");
  EXPECT_EQ(Read(file, "db", "none", 9), "");
}

TEST_F(IniFile, TrailingSingleLineIsIgnored) {
  const std::string file = Pair("1", "PASS", Enc("tiger"));
  EXPECT_EQ(Read(file + "[x];LOGIN;\n", "LOGIN", "LOGIN", 9), "");
  EXPECT_EQ(Read(file + "lonely", "", "LOGIN", 9), "");
  // Pairs are lines two by two: the value line of a pair is never a header.
  EXPECT_EQ(Read("1;LOGIN;" + Enc("x") + "\n" + Pair("2", "PASS", Enc("p")), "", "LOGIN", 9), "");
}

TEST_F(IniFile, EmptyFieldsTakeTheRestOfTheLine) {
  // ";;" in a header: the section begins with ";" and carries the line break.
  for (const char* eol : {"\n", "\r\n"}) {
    const std::string file = std::string("x;;abc") + eol + "1;K;" + Enc("rest") + eol;
    EXPECT_EQ(Read(file, ";abc\n", "none", 9), "rest");
    EXPECT_EQ(Read(file, ";abc", "none", 9), "");
    EXPECT_EQ(Read(file, "", "none", 9), "");
  }
  // An empty key field: the key is the rest of the line; the value stays.
  const std::string emptyKey = "[x];S;\n5;;" + Enc("val") + "\n";
  const std::string restKey = ";" + Enc("val") + "\n";
  EXPECT_EQ(Read(emptyKey, "none", restKey.c_str(), 9), "val");
  EXPECT_EQ(Read(emptyKey, "none", "", 9), "");
  EXPECT_EQ(Read(emptyKey, "none", "none", 5), "val");
}

TEST_F(IniFile, ValueLineWithOneSeparatorHasEmptyKey) {
  const std::string file = "[x];S;\n5;" + Enc("only") + "\r\n";
  EXPECT_EQ(Read(file, "none", "", 9), "only");
  EXPECT_EQ(Read(file, "none", "none", 5), "only");
  EXPECT_EQ(Read(file, "none", "none", 9), "");
}

TEST_F(IniFile, ResultIsCutToTheBuffer) {
  const std::string file = Pair("1", "LOGIN", Enc("0123456789ABCDEFGHIJ"));
  EXPECT_EQ(Read(file, "", "LOGIN", 9, 21), "0123456789ABCDEFGHIJ");
  EXPECT_EQ(Read(file, "", "LOGIN", 9, 8), "0123456");
  EXPECT_EQ(Read(file, "", "LOGIN", 9, 1), "");
}

// Pairs the reader cannot take safely are skipped as not matching; the search
// goes on with the next pair.
TEST_F(IniFile, UnreadablePairsAreSkipped) {
  const std::string next = Pair("2", "LOGIN", Enc("next"));
  const std::string value40 = Enc("0123456789012345678901234567890123456789");
  ASSERT_EQ(value40.size(), 200u);
  const std::string header198 = "h;S;" + std::string(194, 'x');
  const std::string key195(195, 'K');

  const std::string ok = "ok";
  const std::string all40 = "0123456789012345678901234567890123456789";
  const struct {
    std::string header, valueLine;
    std::string want;
  } cases[] = {
      {header198, "1;LOGIN;" + Enc("ok"), ok},
      {header198 + "x", "1;LOGIN;" + Enc("ok"), "next"},                 // header 199 characters
      {"h;S;x", "1;" + key195 + ";" + value40, all40},                    // value line 398
      {"h;S;x", "1;" + key195 + "K;" + value40, "next"},                  // value line 399
      {"h;S;x", "1;" + std::string(2000, 'K') + ";" + value40, "next"},   // far too long
      {"h;S;x", "1LOGIN" + Enc("ok"), "next"},                            // no ";" at all
      {"h;S;x", ";LOGIN;" + Enc("ok"), "next"},                           // empty number
      {"h;S;x", "00000000001;LOGIN;" + Enc("ok"), ok},                    // 11 characters
      {"h;S;x", "000000000001;LOGIN;" + Enc("ok"), "next"},               // 12 characters
      {"h;S;x", "99999999999;LOGIN;" + Enc("ok"), "next"},                // beyond int
      {"h;S;x", "1;" + std::string(200, 'K') + ";" + Enc("ok"), ok},      // key 200
      {"h;S;x", "1;" + std::string(201, 'K') + ";" + Enc("ok"), "next"},  // key 201
      {"h;S;x", "1;LOGIN;" + value40 + "     ", "next"},                  // value 205
      {"h;S;x", "1;;" + std::string(199, '1'), "next"},                   // empty key: rest 201
  };
  for (const auto& c : cases) {
    for (const char* eol : {"\n", "\r\n"}) {
      const std::string file = c.header + eol + c.valueLine + eol + next;
      EXPECT_EQ(Read(file, "", "LOGIN", 1), c.want) << c.header.size() << " / " << c.valueLine.size();
    }
  }
}

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "config/Idea.h"

namespace {

struct Ergebnis {
  std::string out;
  int exitCode = -1;
};

// Runs a shell command line and collects its standard output.
Ergebnis Shell(const std::string& cmd) {
  Ergebnis r;
  std::FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[256];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const std::string kAdmin = WELFRAST_BIN_DIR "/welfrast-admin";

}  // namespace

TEST(AdminEncrypt, PrintsTheStoredFormThatDecodesBack) {
  for (const std::string plain : {"scott", "Tiger 01", "x", "0123456789012345678901234567890123456789"}) {
    const Ergebnis r = Shell(kAdmin + " encrypt '" + plain + "'");
    ASSERT_EQ(r.exitCode, 0) << plain;
    ASSERT_FALSE(r.out.empty());
    ASSERT_EQ(r.out.back(), '\n');
    const std::string stored = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(stored.find_first_not_of("0123456789"), std::string::npos) << stored;
    EXPECT_EQ(stored.size(), 20 * ((plain.size() + 3) / 4));
    char back[64];
    Idea_Decode(stored.c_str(), IDEA_SCHLUESSEL, back, sizeof back);
    EXPECT_EQ(back, plain);
  }
}

TEST(AdminEncrypt, RefusesOverlongTextWithoutEchoingIt) {
  const std::string plain = "secret-" + std::string(34, 'p');  // 41 characters
  const Ergebnis r = Shell(kAdmin + " encrypt '" + plain + "' 2>&1 >/dev/null");
  EXPECT_NE(r.exitCode, 0);
  ASSERT_FALSE(r.out.empty());
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line expected: " << r.out;
  EXPECT_EQ(r.out.find("secret"), std::string::npos);
  const Ergebnis quiet = Shell(kAdmin + " encrypt '" + plain + "' 2>/dev/null");
  EXPECT_EQ(quiet.out, "");
}

TEST(AdminEncrypt, UsageAndWrongArguments) {
  const Ergebnis help = Shell(kAdmin + " encrypt --help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: welfrast-admin encrypt TEXT"), std::string::npos);
  const Ergebnis list = Shell(kAdmin + " --help");
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_NE(list.out.find("encrypt"), std::string::npos);
  EXPECT_NE(Shell(kAdmin + " encrypt 2>/dev/null").exitCode, 0);
  EXPECT_NE(Shell(kAdmin + " encrypt a b 2>/dev/null").exitCode, 0);
}

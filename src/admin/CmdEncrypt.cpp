#include <cstdio>
#include <cstring>
#include <string>

#include "admin/Commands.h"
#include "config/Idea.h"

namespace {

// Longest plain text a settings value holds (200 digits).
constexpr std::size_t kKlartextMax = 40;

void EncryptUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: welfrast-admin encrypt TEXT\n"
               "\n"
               "Prints the stored form of TEXT (at most %zu characters) for a value line of\n"
               "the settings file: NUMBER;KEY;<printed digits>\n",
               kKlartextMax);
}

}  // namespace

int Admin_Encrypt(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    EncryptUsage(stdout);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "welfrast-admin encrypt: expected exactly one TEXT (try --help)\n");
    return 2;
  }
  // The text itself is never echoed: it is usually a password.
  const std::size_t len = std::strlen(argv[1]);
  if (len > kKlartextMax) {
    std::fprintf(stderr, "welfrast-admin encrypt: TEXT has %zu characters, at most %zu are allowed\n", len,
                 kKlartextMax);
    return 1;
  }
  const std::string stored = Idea_Encode(argv[1], IDEA_SCHLUESSEL);
  std::printf("%s\n", stored.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

#include "admin/Admin.h"

#include <cstdio>
#include <cstring>

#include "admin/Commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);  // argv[0] is the subcommand
  const char* summary;
};

const Command kCommands[] = {
    {"init", Admin_Init, "create the tables the batch reads and writes"},
    {"calendar", Admin_Calendar, "add days to the calendar table"},
    {"settings", Admin_Settings, "write the encrypted settings file with the database login"},
    {"encrypt", Admin_Encrypt, "print the stored (encrypted) form of a settings value"},
    {"report", Admin_Report, "show the work rows, buckets, protocol and leftovers of the batch"},
    {"demo", Admin_Demo, "create a complete demo installation to run the batch in"},
};

void Usage(std::FILE* to) {
  std::fprintf(to, "usage: welfrast-admin COMMAND [ARGS]\n\ncommands:\n");
  for (const Command& c : kCommands) {
    if (c.name != nullptr) std::fprintf(to, "  %-10s %s\n", c.name, c.summary);
  }
  std::fprintf(to,
               "\nAn installation: init SERVICE, calendar SERVICE FROM TO, settings ... FILE;\n"
               "then run the batch in its working directory and look with report SERVICE.\n"
               "demo DIR builds all of it with sample data.\n"
               "welfrast-admin COMMAND --help describes a command.\n");
}

}  // namespace

int Admin_Main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "welfrast-admin: missing command (try --help)\n");
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage(stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (c.name != nullptr && std::strcmp(c.name, argv[1]) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "welfrast-admin: unknown command '%.40s' (try --help)\n", argv[1]);
  return 2;
}

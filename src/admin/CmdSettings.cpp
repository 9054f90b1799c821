// welfrast-admin settings --login L --password P --service S FILE: writes the
// encrypted settings file the batch reads its database login from.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "admin/AdminArgs.h"
#include "admin/AdminSettings.h"
#include "admin/Commands.h"

namespace {

const char kCmd[] = "settings";

void SettingsUsage() {
  std::printf(
      "usage: welfrast-admin settings --login L --password P --service S [--force] FILE\n\n"
      "Writes the settings file FILE with the database login of the batch: the three\n"
      "entries LOGIN, PASS and NET8, each value stored encrypted (at most %zu\n"
      "characters each). The file is created readable by its owner only (mode 0600).\n\n"
      "  --login L      database user\n"
      "  --password P   its password; '-' reads it from the first line of standard\n"
      "                 input, so that it does not show in the process list\n"
      "  --service S    the database: sqlite:PATH (a relative PATH is taken from the\n"
      "                 batch's working directory), postgresql://HOST/DB or\n"
      "                 pgservice:NAME\n"
      "  --force        replace an existing FILE\n\n"
      "The batch reads ..\\..\\..\\..\\files\\korvalis.ini relative to its working\n"
      "directory: for a working directory ROOT/a/b/c/d, FILE is ROOT/files/korvalis.ini.\n",
      SETTINGS_WERT_MAX);
}

}  // namespace

int Admin_Settings(int argc, char** argv) {
  const char* login = nullptr;
  const char* password = nullptr;
  const char* service = nullptr;
  bool force = false;
  const AdminOption options[] = {
      {"--login", &login, nullptr},
      {"--password", &password, nullptr},
      {"--service", &service, nullptr},
      {"--force", nullptr, &force},
  };
  const char* pos[1] = {};
  int count = 0;
  switch (Admin_ParseArgs(kCmd, argc, argv, options, 4, pos, 1, &count)) {
    case AdminParse::Help: SettingsUsage(); return 0;
    case AdminParse::Error: return 2;
    case AdminParse::Ok: break;
  }
  if (login == nullptr) return Admin_UsageError(kCmd, "--login is missing");
  if (password == nullptr) return Admin_UsageError(kCmd, "--password is missing");
  if (service == nullptr) return Admin_UsageError(kCmd, "--service is missing");
  if (count != 1) return Admin_UsageError(kCmd, "expected the settings FILE");
  if (!Admin_ServiceKnown(service)) {
    return Admin_UsageError(kCmd, "unknown service form (expected sqlite:PATH, postgresql://..., or pgservice:NAME)");
  }

  std::string fromStdin;
  if (std::strcmp(password, "-") == 0) {
    if (!std::getline(std::cin, fromStdin) && fromStdin.empty()) {
      return Admin_Fail(kCmd, "--password -: no line on standard input");
    }
    if (!fromStdin.empty() && fromStdin.back() == '\r') fromStdin.pop_back();
    password = fromStdin.c_str();
  }

  std::string text;
  std::string error;
  if (!Settings_Text(login, password, service, &text, &error)) return Admin_UsageError(kCmd, "%s", error.c_str());
  if (!Settings_Schreiben(pos[0], text, force, &error)) return Admin_Fail(kCmd, "%s", error.c_str());
  std::printf("settings written to %s (LOGIN, PASS, NET8)\n", pos[0]);
  return 0;
}

// Paths are written in the system's Windows form (".\Msg\Welfrast.Txt");
// this maps them onto the platform's separators.
#pragma once

#include <string>

inline std::string Path_Native(const char* windowsPath) {
  std::string p = windowsPath != nullptr ? windowsPath : "";
#ifndef _WIN32
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
#endif
  return p;
}

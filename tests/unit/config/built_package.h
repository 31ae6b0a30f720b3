#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "base/file_util.h"
#include "base/strings.h"

namespace config {

// A package that the build made with gcab (MSZIP), next to the test program:
// build/<arch>/generated/packages/<name>.
inline std::string BuiltPackage(const char* name) {
  const std::string path =
      base::WideToUtf8(base::DirName(base::GetModulePath())) + "\\..\\generated\\packages\\" + name;
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace config

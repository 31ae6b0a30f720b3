#pragma once

#include <string>

#include "base/file_util.h"
#include "config/tag.h"

namespace config {

// A package that the build made with gcab (MSZIP), next to the test program:
// build/<arch>/generated/packages/<name>.
inline std::string BuiltPackage(const wchar_t* name) {
  std::string bytes;
  ReadAllBytesFromFile(base::DirName(base::GetModulePath()) + L"\\..\\generated\\packages\\" + name,
                       &bytes);
  return bytes;
}

}  // namespace config

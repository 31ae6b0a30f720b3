#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

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

// A cabinet holding `content` stored without compression as its one member.
inline std::string StoredCabinet(const std::string& name, const std::string& content) {
  const uint32_t size = static_cast<uint32_t>(content.size());
  const uint32_t data_offset = 44 + 16 + static_cast<uint32_t>(name.size()) + 1;
  std::string cabinet = "MSCF";
  // Appends each {value, bytes} little-endian.
  const auto put = [&cabinet](std::initializer_list<std::pair<uint32_t, int>> fields) {
    for (const auto& [value, bytes] : fields) {
      for (int i = 0; i < bytes; ++i) cabinet.push_back(static_cast<char>(value >> (8 * i)));
    }
  };
  // The header (version 1.3, one folder, one file), the folder (first block,
  // one block, stored) and the file (size, offset, folder, date, time,
  // attributes, name).
  put({{0, 4},    {data_offset + 8 + size, 4},
       {0, 4},    {44, 4},
       {0, 4},    {0x0103, 2},
       {1, 2},    {1, 2},
       {0, 2},    {0x1234, 2},
       {0, 2},    {data_offset, 4},
       {1, 2},    {0, 2},
       {size, 4}, {0, 4},
       {0, 2},    {0x5a21, 2},
       {0, 2},    {0x20, 2}});
  cabinet += name + '\0';
  // The data block: no checksum, its stored and its whole size.
  put({{0, 4}, {size, 2}, {size, 2}});
  return cabinet + content;
}

}  // namespace config

#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "base/strings.h"

namespace config {

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// A package that the build made with gcab (MSZIP), next to the test program:
// build/<arch>/generated/packages/<name>.
inline std::string BuiltPackage(const char* name) {
  return ReadFileBytes(base::WideToUtf8(base::DirName(base::GetModulePath())) +
                       "\\..\\generated\\packages\\" + name);
}

inline void Put16(std::string* out, uint16_t value) {
  out->push_back(static_cast<char>(value & 0xff));
  out->push_back(static_cast<char>(value >> 8));
}
inline void Put32(std::string* out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xffff));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

struct StoredFile {
  std::string name;
  uint32_t size;
  uint16_t folder;  // 0xFFFE: continued in the next cabinet
};

// A one-folder cabinet without compression, one data block per entry of
// `blocks`; `next_cabinet` marks it as the first part of a spanned set whose
// last block goes on in the next cabinet.
inline std::string StoredCabinet(const std::vector<StoredFile>& files,
                                 const std::vector<std::string>& blocks, bool next_cabinet) {
  std::string header_strings = next_cabinet ? std::string("next.cab\0disk2\0", 15) : "";
  const uint32_t files_offset = 36 + static_cast<uint32_t>(header_strings.size()) + 8;
  std::string file_table;
  uint32_t folder_offset = 0;
  for (const StoredFile& file : files) {
    Put32(&file_table, file.size);
    Put32(&file_table, folder_offset);
    Put16(&file_table, file.folder);
    Put16(&file_table, 0x5a21);  // date
    Put16(&file_table, 0);       // time
    Put16(&file_table, 0x20);    // archive attribute
    file_table += file.name;
    file_table.push_back('\0');
    folder_offset += file.size;
  }
  std::string data;
  for (size_t i = 0; i < blocks.size(); ++i) {
    const bool continued = next_cabinet && i + 1 == blocks.size();
    Put32(&data, 0);  // no checksum
    Put16(&data, static_cast<uint16_t>(blocks[i].size()));
    Put16(&data, continued ? 0 : static_cast<uint16_t>(blocks[i].size()));
    data += blocks[i];
  }
  const uint32_t data_offset = files_offset + static_cast<uint32_t>(file_table.size());
  std::string cabinet = "MSCF";
  Put32(&cabinet, 0);
  Put32(&cabinet, data_offset + static_cast<uint32_t>(data.size()));
  Put32(&cabinet, 0);
  Put32(&cabinet, files_offset);
  Put32(&cabinet, 0);
  cabinet += "\x03\x01";
  Put16(&cabinet, 1);  // folders
  Put16(&cabinet, static_cast<uint16_t>(files.size()));
  Put16(&cabinet, next_cabinet ? 0x0002 : 0);
  Put16(&cabinet, 0x1234);  // set id
  Put16(&cabinet, 0);       // cabinet number
  cabinet += header_strings;
  Put32(&cabinet, data_offset);
  Put16(&cabinet, static_cast<uint16_t>(blocks.size()));
  Put16(&cabinet, 0);  // stored
  return cabinet + file_table + data;
}

}  // namespace config

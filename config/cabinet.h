#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace config {

// Member name (bytes, with backslashes) to member content.
using CabinetMembers = std::map<std::string, std::string>;

// Loads the system cabinet library once per process and resolves the three
// FDI entry points; true only when all three are there.
bool LoadCabinetLibrary();

// Extracts `member` (every member when empty) from the cabinet in `cabinet`
// without touching the disk. Empty on any failure; a member is in the result
// only when it was extracted whole. Spanned sets are not supported: extraction
// stops where one would ask for another cabinet.
CabinetMembers ExtractFromCabinet(std::string_view cabinet, std::string_view member);

// A read-only cursor over a cabinet in memory, as the FDI callbacks see it.
class MemoryStream {
 public:
  MemoryStream(const char* data, size_t size) : data_(data), size_(size) {}

  // Copies up to `count` bytes from the position on and advances; returns the count copied.
  size_t Read(void* buffer, size_t count);
  // Moves to `distance` from the start, the position or the end (SEEK_SET,
  // SEEK_CUR, SEEK_END); a target outside [0, size] gives -1 and stays put.
  long Seek(long distance, int origin);

 private:
  const char* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace config

#include "config/tag.h"

#include <windows.h>

#include <limits>

#include "base/log.h"
#include "base/scoped_handle.h"
#include "config/tag_parser.h"

namespace config {

bool ReadAllBytesFromFile(const std::wstring& path, std::string* bytes) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    LOG_ERROR << "Can't open file " << path;
    return false;
  }
  LARGE_INTEGER length = {};
  if (!::GetFileSizeEx(file.Get(), &length)) {
    LOG_ERROR << "Failed to get length of " << path;
    return false;
  }
  // One ReadFile call reads at most 4 GiB less one byte.
  if (static_cast<uint64_t>(length.QuadPart) > std::numeric_limits<DWORD>::max()) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    LOG_ERROR << "Failed to read all bytes of " << path;
    return false;
  }
  const DWORD size = static_cast<DWORD>(length.QuadPart);
  bytes->assign(size, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes->data(), size, &read, nullptr) || read != size) {
    LOG_ERROR << "Failed to read all bytes of " << path;
    bytes->clear();
    return false;
  }
  return true;
}

std::string ExtractTagFromFakeCertificate(const std::wstring& path) {
  std::string image;
  if (!ReadAllBytesFromFile(path, &image)) {
    LOG_ERROR << "Failed to read file " << path;
    return std::string();
  }
  std::string tag;
  switch (ParseTagFromImage(image, &tag)) {
    case TagParseResult::kOk:
      break;
    case TagParseResult::kNoCertificateTable:
      LOG_ERROR << "Failed to find certificate table in " << path;
      break;
    case TagParseResult::kInvalidAsn1:
      LOG_ERROR << "Invalid ASN1 format of certificate table in " << path;
      break;
  }
  return tag;
}

}  // namespace config

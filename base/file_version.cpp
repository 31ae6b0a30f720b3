#include "base/file_version.h"

#include <windows.h>

#include <vector>

#include "base/strings.h"

namespace base {

bool GetFixedFileInfo(const std::wstring& path, VS_FIXEDFILEINFO* fixed_info) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
      info == nullptr || info_size < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  *fixed_info = *info;
  return true;
}

std::wstring GetFileVersionString(const std::wstring& path) {
  VS_FIXEDFILEINFO info = {};
  if (!GetFixedFileInfo(path, &info)) return std::wstring();
  return base::NumberToWide(HIWORD(info.dwFileVersionMS)) + L"." +
         base::NumberToWide(LOWORD(info.dwFileVersionMS)) + L"." +
         base::NumberToWide(HIWORD(info.dwFileVersionLS)) + L"." +
         base::NumberToWide(LOWORD(info.dwFileVersionLS));
}

}  // namespace base

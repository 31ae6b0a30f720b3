#include "installer/disk_space.h"

#include <windows.h>
#include <shlobj.h>

#include "base/log.h"

namespace installer {

bool DiskSpaceProbe::GetInstallFolder(bool system_level, std::wstring* folder) const {
  wchar_t buffer[MAX_PATH] = {};
  const int id = system_level ? CSIDL_PROGRAM_FILES : CSIDL_LOCAL_APPDATA;
  if (FAILED(::SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buffer))) return false;
  *folder = buffer;
  return true;
}

bool DiskSpaceProbe::GetFreeBytes(const std::wstring& folder, uint64_t* free_bytes) const {
  ULARGE_INTEGER available = {};
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return false;
  *free_bytes = available.QuadPart;
  return true;
}

bool HasEnoughDiskSpace(bool system_level, uint64_t required_bytes, const DiskSpaceProbe& probe) {
  std::wstring folder;
  if (!probe.GetInstallFolder(system_level, &folder)) {
    LOG_INFO << "SHGetFolderPath failed";
    return true;
  }
  uint64_t free_bytes = 0;
  if (!probe.GetFreeBytes(folder, &free_bytes)) {
    LOG_INFO << "GetDiskFreeSpaceEx failed";
    return true;
  }
  if (free_bytes >= required_bytes) return true;
  LOG_INFO << "There is not enough disk space to install browser";
  return false;
}

}  // namespace installer

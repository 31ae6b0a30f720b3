#include "net/setup_urls.h"

#include <windows.h>

#include "base/file_util.h"
#include "base/log.h"
#include "base/os_version.h"
#include "endpoints.h"
#include "net/download_experiment.h"

namespace net {
namespace {

int64_t FileTimeToMicroseconds(uint64_t file_time) { return static_cast<int64_t>(file_time / 10); }

uint64_t JoinFileTime(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// The date in the version resource; 0 when there is none or it is 0.
uint64_t GetVersionResourceDate(const std::wstring& path) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT info_size = 0;
  if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &info_size) ||
      info_size < sizeof(VS_FIXEDFILEINFO)) {
    LOG_INFO << "File version resource is absent in " << path;
    return 0;
  }
  const uint64_t date = JoinFileTime(info->dwFileDateMS, info->dwFileDateLS);
  if (date == 0) LOG_INFO << "Version time is 0 in " << path;
  return date;
}

}  // namespace

std::vector<std::string> BuildSetupUrlList(int os_version_index, uint32_t architecture,
                                           const SetupUrls& urls, bool versioned_allowed) {
  std::vector<std::string> list;
  if (base::IsXpOrVista(os_version_index)) {
    list.push_back(std::string(endpoints::kDownloadHost) + kOldWindowsSetupPath);
  } else {
    if (architecture == kArchitecture64) list.push_back(urls.setup_url64);
    if (architecture == kArchitecture32) list.push_back(urls.setup_url32);
    if (versioned_allowed) list.push_back(urls.setup_url_version);
    list.push_back(urls.setup_url);
  }
  for (std::string& url : list) url += kFromInstallerQuery;
  return list;
}

std::vector<std::string> SelectSetupUrls(uint32_t architecture, const SetupUrls& urls) {
  return BuildSetupUrlList(base::GetOsVersionIndex(), architecture, urls,
                           IsVersionedSetupUrlAllowed(urls.setup_url_version));
}

bool IsVersionedSetupUrlUsable(const std::string& url) {
  if (url.empty()) return false;
  if (url.find('{') != std::string::npos) {
    LOG_INFO << "Wrong setup url: " << url;
    return false;
  }
  return true;
}

bool IsInstallerFresh(int64_t module_time_us, int64_t now_us) {
  return module_time_us != 0 && now_us - module_time_us < kVersionedUrlMaxAgeUs;
}

bool IsVersionedSetupUrlAllowed(const std::string& url) {
  int64_t module_time_us = 0;
  if (!IsVersionedSetupUrlUsable(url) ||
      !GetModuleModificationTime(base::GetModulePath(), &module_time_us)) {
    return false;
  }
  FILETIME now = {};
  ::GetSystemTimeAsFileTime(&now);
  return IsInstallerFresh(
      module_time_us, FileTimeToMicroseconds(JoinFileTime(now.dwHighDateTime, now.dwLowDateTime)));
}

bool GetModuleModificationTime(const std::wstring& path, int64_t* time_us) {
  uint64_t file_time = GetVersionResourceDate(path);
  if (file_time == 0) {
    LOG_INFO << "Used the last write file time";
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
      LOG_ERROR << "GetFileAttributesEx failed: " << path;
      return false;
    }
    file_time = JoinFileTime(attributes.ftLastWriteTime.dwHighDateTime,
                             attributes.ftLastWriteTime.dwLowDateTime);
  }
  *time_us = FileTimeToMicroseconds(file_time);
  return true;
}

}  // namespace net

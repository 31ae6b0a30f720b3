#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace net {

// The brand's setup archive URLs ("install.setup_url", "install.setup_url_version",
// "install.setup_url64", "install.setup_url32").
struct SetupUrls {
  std::string setup_url;
  std::string setup_url_version;
  std::string setup_url64;
  std::string setup_url32;
};

inline constexpr char kOldWindowsSetupPath[] = "/browser-partners/_xp_builds/browser-setup.arc";
inline constexpr char kFromInstallerQuery[] = "?from_installer=true";
inline constexpr int64_t kVersionedUrlMaxAgeUs = 2592000000000;  // 30 days

// The URLs to try, in order, for an OS version index and an architecture choice.
std::vector<std::string> BuildSetupUrlList(int os_version_index, uint32_t architecture,
                                           const SetupUrls& urls, bool versioned_allowed);

// The list for this machine and this installer now.
std::vector<std::string> SelectSetupUrls(uint32_t architecture, const SetupUrls& urls);

// A versioned URL must be set and filled in (no "{" of an unexpanded template).
bool IsVersionedSetupUrlUsable(const std::string& url);
// An installer built at `module_time_us` (wall-clock microseconds, 0 when
// unknown) is fresh at `now_us` for 30 days.
bool IsInstallerFresh(int64_t module_time_us, int64_t now_us);
// Both for this installer now.
bool IsVersionedSetupUrlAllowed(const std::string& url);

// The build time of a module: the date of its version resource, or its last
// write time when that date is absent or 0 (wall-clock microseconds).
bool GetModuleModificationTime(const std::wstring& path, int64_t* time_us);

}  // namespace net

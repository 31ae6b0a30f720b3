#pragma once

#include <cstdint>
#include <string>

namespace installer {

inline constexpr uint64_t kRequiredDiskSpaceBytes = 629145600;  // 600 MiB

// The two system answers the disk-space check needs, replaceable in tests.
class DiskSpaceProbe {
 public:
  virtual ~DiskSpaceProbe() = default;
  // The program files folder (system level) or the user's local application data.
  virtual bool GetInstallFolder(bool system_level, std::wstring* folder) const;
  virtual bool GetFreeBytes(const std::wstring& folder, uint64_t* free_bytes) const;
};

// True when the install folder's volume has at least `required_bytes` free for
// the caller, and also when that cannot be found out.
bool HasEnoughDiskSpace(bool system_level, uint64_t required_bytes,
                        const DiskSpaceProbe& probe = DiskSpaceProbe());

}  // namespace installer

#pragma once

#include <cstdint>

namespace base {

// One small number for the running Windows version (0 = older than XP ...
// 7-14 = Windows 10 by build, 15 = another major version above 6).
enum OsVersionIndex : int {
  kOsPreXp = 0,
  kOsXp = 1,
  kOsServer2003 = 2,
  kOsVista = 3,
  kOsWin7 = 4,
  kOsWin8 = 5,
  kOsWin81 = 6,
  kOsWin10 = 7,
  kOsWin10Th2 = 8,
  kOsWin10Rs1 = 9,
  kOsWin10Rs2 = 10,
  kOsWin10Rs3 = 11,
  kOsWin10Rs4 = 12,
  kOsWin10Rs5 = 13,
  kOsWin10_19H1 = 14,
  kOsOther = 15,
};

int OsVersionIndexFor(uint32_t major, uint32_t minor, uint32_t build);

// Windows XP and Vista: the systems the browser no longer supports, which get
// the last build made for them.
inline bool IsXpOrVista(int os_version_index) {
  return os_version_index == kOsXp || os_version_index == kOsVista;
}

enum class ProcessorArchitecture { kX86, kX64, kIa64, kOther };
enum class Wow64State { kOff, kOn, kUnknown };

struct OsInfo {
  int index = kOsPreXp;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t service_pack = 0;
  uint32_t update_revision = 0;  // "UBR"
  ProcessorArchitecture architecture = ProcessorArchitecture::kOther;
  Wow64State wow64 = Wow64State::kUnknown;
};

// Computed once per process.
const OsInfo& GetOsInfo();
inline int GetOsVersionIndex() { return GetOsInfo().index; }

}  // namespace base

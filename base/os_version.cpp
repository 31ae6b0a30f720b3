#include "base/os_version.h"

#include <windows.h>

#include "base/scoped_handle.h"

namespace base {
namespace {

struct BuildThreshold {
  uint32_t first_build;
  int index;
};

// Windows 10 releases by their first build, newest first.
constexpr BuildThreshold kWin10Builds[] = {
    {18204, kOsWin10_19H1}, {17604, kOsWin10Rs5}, {17127, kOsWin10Rs4}, {16299, kOsWin10Rs3},
    {15063, kOsWin10Rs2},   {14393, kOsWin10Rs1}, {10586, kOsWin10Th2},
};

uint32_t ReadUpdateRevision() {
  base::ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExW(key.Get(), L"UBR", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS) {
    return 0;
  }
  return value;
}

OsInfo ReadOsInfo() {
  OsInfo info;
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
#pragma GCC diagnostic pop
    info.major = version.dwMajorVersion;
    info.minor = version.dwMinorVersion;
    info.build = version.dwBuildNumber;
    info.service_pack = version.wServicePackMajor;
  }
  info.index = OsVersionIndexFor(info.major, info.minor, info.build);
  info.update_revision = ReadUpdateRevision();

  SYSTEM_INFO system = {};
  ::GetNativeSystemInfo(&system);
  switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      info.architecture = ProcessorArchitecture::kX86;
      break;
    case PROCESSOR_ARCHITECTURE_AMD64:
      info.architecture = ProcessorArchitecture::kX64;
      break;
    case PROCESSOR_ARCHITECTURE_IA64:
      info.architecture = ProcessorArchitecture::kIa64;
      break;
    default:
      info.architecture = ProcessorArchitecture::kOther;
      break;
  }
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);
  const auto is_wow64 = reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (is_wow64 != nullptr && is_wow64(::GetCurrentProcess(), &wow64)) {
    info.wow64 = wow64 ? Wow64State::kOn : Wow64State::kOff;
  }
  return info;
}

}  // namespace

int OsVersionIndexFor(uint32_t major, uint32_t minor, uint32_t build) {
  if (major < 5 || (major == 5 && minor == 0)) return kOsPreXp;
  if (major == 5) return minor == 1 ? kOsXp : kOsServer2003;
  if (major == 6) {
    if (minor == 0) return kOsVista;
    if (minor == 1) return kOsWin7;
    if (minor == 2) return kOsWin8;
    return kOsWin81;
  }
  if (major == 10) {
    for (const BuildThreshold& threshold : kWin10Builds) {
      if (build >= threshold.first_build) return threshold.index;
    }
    return kOsWin10;
  }
  return kOsOther;
}

const OsInfo& GetOsInfo() {
  static const OsInfo info = ReadOsInfo();
  return info;
}

}  // namespace base

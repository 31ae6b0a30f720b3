#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace net {

// What a structured exception inside a guarded system call left behind.
struct DownloadErrorInfo {
  uint32_t exception_code = 0;  // 0: no exception
  std::string dll_name;
  std::string proc_name;
};

// Raised by the delay-load helper when a module or an import cannot be found.
inline constexpr uint32_t kDelayLoadModuleNotFound = 0xC06D007E;

// Fills `info` from an exception record: the code, and for a missing delay-loaded
// module the DLL name and, for an import by name, the procedure name.
DownloadErrorInfo DescribeException(const EXCEPTION_RECORD& record);

// Runs `call(context)` on a thread of its own. An exception that nothing inside
// the call handles ends that thread instead of the process and is described in
// `info`; returns false then, true when the call returned.
bool RunGuarded(void (*call)(void*), void* context, DownloadErrorInfo* info);

}  // namespace net

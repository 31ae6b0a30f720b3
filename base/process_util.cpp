#include "base/process_util.h"

#include <vector>

namespace base {

ScopedHandle LaunchProcess(const std::wstring& command_line, DWORD creation_flags) {
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, creation_flags, nullptr,
                        nullptr, &startup, &info)) {
    return ScopedHandle();
  }
  ::CloseHandle(info.hThread);
  return ScopedHandle(info.hProcess);
}

}  // namespace base

#include "base/browser_registry.h"

#include "base/command_line.h"
#include "base/log.h"
#include "base/registry.h"

namespace base {
namespace {

std::wstring FullValueName(const std::wstring& name) {
  return std::wstring(L" HKEY_CURRENT_USER\\") + base::kBrowserRegistryKey + L"\\" + name;
}

}  // namespace

bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value) {
  if (!base::WriteRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name, value)) {
    LOG_ERROR << "Failed to store" << FullValueName(name) << " = " << value;
    return false;
  }
  LOG_INFO << "Stored" << FullValueName(name) << " = " << value;
  return true;
}

bool RemoveValueFromRegistry(const std::wstring& name) {
  if (!base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name)) {
    // A value that was never stored is already as it should be.
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    LOG_ERROR << "Failed to remove" << FullValueName(name);
    return false;
  }
  LOG_INFO << "Removed" << FullValueName(name);
  return true;
}

std::wstring ReadFilePathFromRegistry(const char* switch_name, const std::wstring& name) {
  const CommandLine& command_line = CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(switch_name)) return command_line.GetSwitchValue(switch_name);
  std::wstring path;
  base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name, &path);
  return path;
}

}  // namespace base

#include "installer/browser_registry.h"

#include "base/registry.h"
#include "installer/log.h"

namespace installer {
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
    LOG_ERROR << "Failed to remove" << FullValueName(name);
    return false;
  }
  LOG_INFO << "Removed" << FullValueName(name);
  return true;
}

}  // namespace installer

#include "base/registry.h"

#include <vector>

#include "base/scoped_handle.h"

namespace base {
namespace {

ScopedRegKey OpenKey(HKEY root, const std::wstring& key, REGSAM access, bool create) {
  ScopedRegKey handle;
  const LONG result = create ? ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, access, nullptr,
                                                 handle.Receive(), nullptr)
                             : ::RegOpenKeyExW(root, key.c_str(), 0, access, handle.Receive());
  if (result != ERROR_SUCCESS) {
    handle.Take();
    ::SetLastError(static_cast<DWORD>(result));
  }
  return handle;
}

bool Succeeded(LONG result) {
  if (result == ERROR_SUCCESS) return true;
  ::SetLastError(static_cast<DWORD>(result));
  return false;
}

}  // namespace

bool ReadRegistryString(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring* value) {
  ScopedRegKey handle = OpenKey(root, key, KEY_QUERY_VALUE, false);
  if (!handle.IsValid()) return false;
  DWORD type = 0;
  DWORD size = 0;
  if (!Succeeded(::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size)) ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (!Succeeded(::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size))) {
    return false;
  }
  value->assign(buffer.data());
  return true;
}

bool WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& name,
                         const std::wstring& value) {
  ScopedRegKey handle = OpenKey(root, key, KEY_SET_VALUE, true);
  if (!handle.IsValid()) return false;
  return Succeeded(::RegSetValueExW(handle.Get(), name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

bool ReadRegistryDword(HKEY root, const std::wstring& key, const std::wstring& name,
                       uint32_t* value) {
  ScopedRegKey handle = OpenKey(root, key, KEY_QUERY_VALUE, false);
  if (!handle.IsValid()) return false;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof(data);
  if (!Succeeded(::RegQueryValueExW(handle.Get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(&data), &size)) ||
      type != REG_DWORD) {
    return false;
  }
  *value = data;
  return true;
}

bool WriteRegistryDword(HKEY root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) {
  ScopedRegKey handle = OpenKey(root, key, KEY_SET_VALUE, true);
  if (!handle.IsValid()) return false;
  const DWORD data = value;
  return Succeeded(::RegSetValueExW(handle.Get(), name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&data), sizeof(data)));
}

bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  ScopedRegKey handle = OpenKey(root, key, KEY_SET_VALUE, false);
  if (!handle.IsValid()) return false;
  return Succeeded(::RegDeleteValueW(handle.Get(), name.c_str()));
}

}  // namespace base

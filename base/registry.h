#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace base {

// The browser's key under HKEY_CURRENT_USER, where the installer leaves values
// for the setup and for its own later processes.
inline constexpr wchar_t kBrowserRegistryKey[] = L"Software\\Velmar\\VelmarBrowser";

// Small reads and writes of one value; a missing key or value reads as false.
bool ReadRegistryString(HKEY root, const std::wstring& key, const std::wstring& name,
                        std::wstring* value);
bool WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& name,
                         const std::wstring& value);
bool ReadRegistryDword(HKEY root, const std::wstring& key, const std::wstring& name,
                       uint32_t* value);
bool WriteRegistryDword(HKEY root, const std::wstring& key, const std::wstring& name,
                        uint32_t value);
bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name);

}  // namespace base

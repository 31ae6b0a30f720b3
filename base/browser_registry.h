#pragma once

#include <string>

namespace base {

// Values the installer leaves under the browser's key in HKEY_CURRENT_USER for
// the setup and for its own later processes. Each logs what it did, naming the
// full value ("HKEY_CURRENT_USER\<key>\<name>").
bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value);
bool RemoveValueFromRegistry(const std::wstring& name);
// A distribution file's path: the switch of this process when present, else
// the value stored under `name` by an earlier run; empty when neither is.
std::wstring ReadFilePathFromRegistry(const char* switch_name, const std::wstring& name);

}  // namespace base

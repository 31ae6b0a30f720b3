#pragma once

#include <string>

namespace installer {

// Values the installer leaves under the browser's key in HKEY_CURRENT_USER for
// the setup and for its own later processes. Each logs what it did, naming the
// full value ("HKEY_CURRENT_USER\<key>\<name>").
bool StoreValueInRegistry(const std::wstring& name, const std::wstring& value);
bool RemoveValueFromRegistry(const std::wstring& name);

}  // namespace installer

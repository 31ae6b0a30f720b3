#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_handle.h"

namespace testing_support {

// The built installer beside the tests folder, loaded as data for its resources.
inline base::ScopedModule LoadInstallerResources() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring installer(path, length);
  installer.resize(installer.find_last_of(L'\\'));
  installer.resize(installer.find_last_of(L'\\') + 1);
  installer += L"lite_installer.exe";
  return base::ScopedModule(::LoadLibraryExW(
      installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

}  // namespace testing_support

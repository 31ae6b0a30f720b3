#include "installer/secure_loading.h"

#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/process_util.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/exit_codes.h"

namespace installer {
namespace {

constexpr DWORD kSafeSearchModePermanent =
    0x8001;  // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | PERMANENT
constexpr DWORD kLoadLibrarySearchSystem32 = 0x800;
constexpr int kProtectedFolderAttempts = 50;

bool HasStrayDll(const std::wstring& exe_path) {
  const std::wstring pattern = base::DirName(exe_path) + L"\\*.dll";
  WIN32_FIND_DATAW data = {};
  base::ScopedFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
  return find.IsValid();
}

int RunProtectedCopy(const std::wstring& exe_path, int* exit_code) {
  std::wstring folder;
  const std::wstring temp = base::GetTempFolder();
  for (int attempt = 0; attempt < kProtectedFolderAttempts && folder.empty(); ++attempt) {
    const std::wstring candidate = temp + base::NumberToWide(::GetCurrentProcessId()) + L"_" +
                                   base::NumberToWide(std::rand() % 32768);
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) folder = candidate;
  }
  if (temp.empty() || folder.empty()) return kSecureEnvironmentNotFound;
  base::ScopedDeleteFolder delete_folder(folder);

  const std::wstring copy = folder + L"\\" + base::BaseName(exe_path);
  if (copy.find(L"..") != std::wstring::npos || copy.size() > MAX_PATH - 1 ||
      !::CopyFileW(exe_path.c_str(), copy.c_str(), FALSE)) {
    return kSecureEnvironmentNotFound;
  }
  ::SetFileAttributesW(copy.c_str(), ::GetFileAttributesW(copy.c_str()) & ~FILE_ATTRIBUTE_READONLY);

  base::CommandLine command_line = base::CommandLine::ForCurrentProcess();
  command_line.SetProgram(copy);
  command_line.AppendSwitch("spawned_in_protected_dir");
  base::ScopedHandle process = base::LaunchProcess(command_line.GetCommandLineString());
  if (!process.IsValid()) return kSecureEnvironmentNotFound;
  DWORD code = 0;
  if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.Get(), &code)) {
    return kInsecureEnvironment;
  }
  *exit_code = static_cast<int>(code);
  return *exit_code == kExitInsecureDllEnvironment ? kInsecureEnvironment : kProtectedCopyFinished;
}

}  // namespace

FARPROC LoaderCallLookup::Find(const char* name) const {
  return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
}

int EnsureSecureDllLoading(int* exit_code, const LoaderCallLookup& lookup) {
  *exit_code = 0;
  ::SetDllDirectoryW(L"");

  using SetSearchPathModeFunction = BOOL(WINAPI*)(DWORD);
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto set_search_path_mode = reinterpret_cast<SetSearchPathModeFunction>(
      reinterpret_cast<void*>(lookup.Find("SetSearchPathMode")));
  const auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(lookup.Find("SetDefaultDllDirectories")));
  if (set_search_path_mode != nullptr && set_default_dll_directories != nullptr) {
    if (!set_search_path_mode(kSafeSearchModePermanent)) return kSecureEnvironmentNotFound;
    return set_default_dll_directories(kLoadLibrarySearchSystem32) ? kSecureEnvironment
                                                                   : kSecureEnvironmentNotFound;
  }

  const std::wstring exe_path = base::GetModulePath();
  if (exe_path.empty()) return kSecureEnvironmentNotFound;
  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  if (!command_line.HasSwitch("run-as-admin") &&
      !command_line.HasSwitch("spawned_in_protected_dir")) {
    return RunProtectedCopy(exe_path, exit_code);
  }
  return HasStrayDll(exe_path) ? kDllFilesFound : kSecureEnvironment;
}

}  // namespace installer

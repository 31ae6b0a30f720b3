// A small stand-in for the browser's setup program, for the demo and the
// end-to-end tests: it takes the installer's command line and files, posts
// progress to the installer's window, installs a demo browser for the user and
// records what it received in setup_record.json beside it.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/registry.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/tag.h"
#include "demo_browser_version.h"
#include "setup_record.h"

namespace demo_setup {
namespace {

constexpr int kFailedExitCode = 1;
constexpr wchar_t kLogFileName[] = L"velmar_demo_setup.log";
constexpr wchar_t kRecordFileName[] = L"setup_record.json";
constexpr wchar_t kVersionFileName[] = L"version.txt";
constexpr wchar_t kBrowserFileName[] = L"browser.exe";

std::string GetEnvironmentText(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::string();
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), size));
  return base::WideToUtf8(value);
}

bool WriteFileBytes(const std::wstring& path, std::string_view content) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.IsValid() ||
      !::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                   nullptr) ||
      written != content.size()) {
    LOG_ERROR << "Cannot write " << path;
    return false;
  }
  return true;
}

std::vector<NamedFile> ReadNamedFiles(const base::CommandLine& command_line) {
  std::vector<NamedFile> files;
  for (const char* name : kFileSwitches) {
    if (!command_line.HasSwitch(name)) continue;
    NamedFile file;
    file.switch_name = name;
    file.path = command_line.GetSwitchValue(name);
    file.readable = config::ReadAllBytesFromFile(file.path, &file.content);
    files.push_back(std::move(file));
  }
  return files;
}

std::wstring GetInstallFolder() {
  wchar_t local_appdata[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, local_appdata))) {
    LOG_ERROR << "Cannot get the local application data folder";
    return std::wstring();
  }
  return std::wstring(local_appdata) + L"\\" + kInstallFolder;
}

bool WriteUninstallEntry(const std::wstring& install_folder, const std::wstring& browser_path) {
  const std::wstring key = kUninstallKey;
  const bool written =
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"DisplayName", L"Velmar Browser (demo)") &&
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"DisplayVersion",
                                TEXT(DEMO_BROWSER_VERSION_STRING)) &&
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"Publisher", L"Velmar") &&
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"InstallLocation", install_folder) &&
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"DisplayIcon", browser_path) &&
      base::WriteRegistryString(HKEY_CURRENT_USER, key, L"UninstallString",
                                BuildUninstallCommand(install_folder)) &&
      base::WriteRegistryDword(HKEY_CURRENT_USER, key, L"NoModify", 1) &&
      base::WriteRegistryDword(HKEY_CURRENT_USER, key, L"NoRepair", 1);
  if (!written) LOG_ERROR << "Cannot write the uninstall entry " << key;
  return written;
}

// The demo browser is a copy of this program with a version file beside it.
bool InstallDemoBrowser(const std::wstring& install_folder) {
  const std::wstring application = install_folder + L"\\" + kApplicationSubfolder;
  const int created = ::SHCreateDirectoryExW(nullptr, application.c_str(), nullptr);
  if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS) {
    ::SetLastError(static_cast<DWORD>(created));
    LOG_ERROR << "Cannot create " << application;
    return false;
  }
  const std::wstring browser = application + L"\\" + kBrowserFileName;
  if (!::CopyFileW(base::GetModulePath().c_str(), browser.c_str(), FALSE)) {
    LOG_ERROR << "Cannot copy the browser to " << browser;
    return false;
  }
  return WriteFileBytes(application + L"\\" + kVersionFileName, DEMO_BROWSER_VERSION_STRING) &&
         WriteUninstallEntry(install_folder, browser);
}

// Posts the install stages and the import progress to the installer's window
// as a real setup does while it works, pausing `step_ms` after each message.
int PostProgress(const std::string& window_text, DWORD step_ms) {
  uint64_t window = 0;
  if (!base::ParseUnsignedDecimal(window_text, &window) || window == 0) return 0;
  int posted = 0;
  for (const ProgressMessage& message : kProgressMessages) {
    const UINT id = ::RegisterWindowMessageW(message.name);
    if (id != 0 && ::PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), id,
                                  message.value, 0)) {
      ++posted;
    } else {
      LOG_ERROR << "Cannot post " << message.name << " to window " << window;
    }
    ::Sleep(step_ms);
  }
  return posted;
}

int Run() {
  base::InitLogging(base::GetTempFolder() + kLogFileName);
  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  LOG_INFO << "Demo setup started: " << ::GetCommandLineW();
  DemoRequest request;
  if (!ParseDemoRequest(GetEnvironmentText(L"DEMO_SETUP_EXIT_CODE"),
                        GetEnvironmentText(L"DEMO_SETUP_SLEEP_MS"),
                        GetEnvironmentText(L"DEMO_SETUP_STEP_MS"), &request)) {
    LOG_ERROR << "Invalid DEMO_SETUP_EXIT_CODE, DEMO_SETUP_SLEEP_MS or DEMO_SETUP_STEP_MS";
    return ERROR_INVALID_PARAMETER;
  }
  const std::wstring install_folder = GetInstallFolder();
  if (install_folder.empty() || !InstallDemoBrowser(install_folder)) return kFailedExitCode;

  SetupRecord record;
  record.raw_command_line = ::GetCommandLineW();
  record.command_line = command_line;
  record.files = ReadNamedFiles(command_line);
  record.progress_messages_posted =
      PostProgress(command_line.GetSwitchValueASCII("progress-window"), request.step_ms);
  record.exit_code = request.exit_code;
  const std::wstring record_path =
      install_folder + L"\\" + kApplicationSubfolder + L"\\" + kRecordFileName;
  if (!WriteFileBytes(record_path, BuildSetupRecordJson(record, DEMO_BROWSER_VERSION_STRING))) {
    return kFailedExitCode;
  }
  ::Sleep(request.sleep_ms);
  LOG_INFO << "Demo setup exits with " << request.exit_code;
  return static_cast<int>(request.exit_code);
}

}  // namespace
}  // namespace demo_setup

int wmain() { return demo_setup::Run(); }

#include "installer/elevation.h"

#include <shlobj.h>

#include "base/command_line.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/strings.h"
#include "config/distribution_params.h"

namespace installer {

const char* const kNonInstallSwitches[16] = {
    "update-setup-exe",
    "show-eula",
    "configure-user-settings",
    "register-dev-chrome",
    "register-browser-browser",
    "rename-browser-exe",
    "on-os-upgrade",
    "fake-rename-velmar-internet",
    "patch",
    "reenable-autoupdates",
    "simulate-crash",
    "delete-old-versions",
    "set-as-default-browser",
    "set-as-default-browser-dll",
    "pttw1",
    "pttw0",
};

base::ScopedHandle GetProcessToken(HANDLE process) {
  base::ScopedHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.Receive())) token.Reset();
  return token;
}

bool GetTokenInfo(HANDLE token, TOKEN_INFORMATION_CLASS info_class, std::vector<BYTE>* buffer) {
  DWORD size = 0;
  ::GetTokenInformation(token, info_class, nullptr, 0, &size);
  if (size == 0) return false;
  buffer->assign(size, 0);
  return ::GetTokenInformation(token, info_class, buffer->data(), size, &size) != FALSE;
}

bool IsUserAnAdminGroup(HANDLE process) {
  base::ScopedHandle token = GetProcessToken(process);
  if (!token.IsValid()) {
    LOG_ERROR << "OpenProcessToken fail";
    return false;
  }
  BYTE sid_buffer[SECURITY_MAX_SID_SIZE] = {};
  DWORD sid_size = sizeof(sid_buffer);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid_buffer, &sid_size)) {
    LOG_ERROR << "CreateWellKnownSid failed";
    return false;
  }
  std::vector<BYTE> groups_buffer;
  if (!GetTokenInfo(token.Get(), TokenGroups, &groups_buffer)) {
    LOG_ERROR << "GetTokenInformation failed";
    return false;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(groups_buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (::EqualSid(groups->Groups[i].Sid, sid_buffer)) return true;
  }
  return false;
}

bool AreUACNotificationsEnabled() {
  constexpr wchar_t kKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  constexpr wchar_t kValue[] = L"ConsentPromptBehaviorAdmin";
  DWORD value = 0;
  base::ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key.Get(), kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS) {
      value = 0;
    }
  }
  LOG_INFO << L"HKEY_LOCAL_MACHINE\\" << kKey << L"\\" << kValue << L" = \"" << value << L"\"";
  return value != 0;
}

bool ElevationEnvironment::IsUserInAdminGroup() const {
  return IsUserAnAdminGroup(::GetCurrentProcess());
}

int ElevationEnvironment::OsVersionIndex() const { return base::GetOsVersionIndex(); }

bool ElevationEnvironment::IsProcessElevated() const { return ::IsUserAnAdmin() != FALSE; }

const base::CommandLine& ElevationEnvironment::GetCommandLine() const {
  return base::CommandLine::ForCurrentProcess();
}

bool NeedStartThisProcessAsAdmin(const ElevationEnvironment& environment) {
  if (!environment.IsUserInAdminGroup()) {
    LOG_INFO << "User is not in admin group.";
    return false;
  }
  if (environment.OsVersionIndex() <= base::kOsServer2003) {
    LOG_INFO << "Windows version is not suitable for elevated restart.";
    return false;
  }
  const base::CommandLine& command_line = environment.GetCommandLine();
  for (const char* name : kNonInstallSwitches) {
    if (command_line.HasSwitch(name)) {
      LOG_INFO << "Found non install-switch:" << name;
      return false;
    }
  }
  if (command_line.HasSwitch("run-as-admin")) {
    LOG_INFO << "Run-as-admin functionality is already enabled.";
    return false;
  }
  if (command_line.HasSwitch("silent") && !command_line.HasSwitch("uac-enabled") &&
      !environment.IsProcessElevated()) {
    LOG_INFO << "Elevated run is necessary but silent instalation is requested - UAC will not be "
                "shown.";
    return false;
  }
  return true;
}

bool NeedStartThisProcessAsAdmin() { return NeedStartThisProcessAsAdmin(ElevationEnvironment()); }

int GetElevationMode(const config::DistributionParams& params,
                     const base::CommandLine& command_line) {
  if (command_line.HasSwitch("system-level") ||
      command_line.HasSwitch("program-files-installation")) {
    return 0;
  }
  std::string uac;
  int64_t mode = 0;
  if (!params.Get("uac", &uac) || !base::ParseInt64(uac, &mode)) return 0;
  if (mode == 2 || mode == 1) return static_cast<int>(mode);
  if (mode == 0) {
    std::string first;
    std::string statpromo;
    const bool statpromo_true =
        params.Get("statpromo", &statpromo) && (statpromo == "1" || statpromo == "true");
    const bool automatic_start = params.Has("def") && (params.Has("stat") || statpromo_true);
    return params.Get("first", &first) && first == "1" && automatic_start ? 1 : 0;
  }
  return 0;
}

}  // namespace installer

#pragma once

#include <windows.h>

#include <vector>

#include "base/scoped_handle.h"

namespace base {
class CommandLine;
}  // namespace base
namespace config {
class DistributionParams;
}  // namespace config

namespace installer {

// Switches that mean "not an install"; with any of them no elevation is offered.
extern const char* const kNonInstallSwitches[16];

base::ScopedHandle GetProcessToken(HANDLE process);
bool GetTokenInfo(HANDLE token, TOKEN_INFORMATION_CLASS info_class, std::vector<BYTE>* buffer);
// Membership of the Administrators group, even when UAC filters the rights.
bool IsUserAnAdminGroup(HANDLE process);
bool AreUACNotificationsEnabled();

// The inputs of the elevation decision, so that each can be replaced.
class ElevationEnvironment {
 public:
  virtual ~ElevationEnvironment() = default;
  virtual bool IsUserInAdminGroup() const;
  virtual int OsVersionIndex() const;
  virtual bool IsProcessElevated() const;
  virtual const base::CommandLine& GetCommandLine() const;
};

bool NeedStartThisProcessAsAdmin(const ElevationEnvironment& environment);
bool NeedStartThisProcessAsAdmin();

// 0: no elevation; 1: the window elevates at once; 2: the setup shows the prompt later.
int GetElevationMode(const config::DistributionParams& params,
                     const base::CommandLine& command_line);

}  // namespace installer

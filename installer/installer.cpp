#include "installer/installer.h"

#include "base/process_util.h"
#include "installer/command_line.h"
#include "installer/exit_codes.h"
#include "installer/log.h"

namespace installer {

Installer::Installer(InstallerObserver* observer, const config::BrandInfo* brand_info,
                     const DistributionParams* params)
    : observer_(observer), brand_info_(brand_info), params_(params) {}

void Installer::RunSync() {
  LOG_ERROR << "No setup archive source is configured in this build.";
  exit_code_ = kExitArchiveNotObtained;
}

bool Installer::RunModuleDirectly(const CommandLine& setup_command_line) {
  CommandLine command_line = setup_command_line;
  command_line.AppendSwitchASCII("source", "lite");
  base::ScopedHandle process = base::LaunchProcess(command_line.GetCommandLineString());
  if (!process.IsValid()) {
    LOG_ERROR << "Failed to start setup: " << command_line.GetCommandLineString();
    exit_code_ = 1;
    return false;
  }
  DWORD code = 0;
  if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.Get(), &code)) {
    LOG_ERROR << "Failed to wait for setup.";
    exit_code_ = 1;
    return false;
  }
  LOG_INFO << "Setup process exit with code: " << FormatSetupExitCode(code);
  exit_code_ = static_cast<int>(code);
  return code == 0;
}

}  // namespace installer

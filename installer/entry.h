#pragma once

#include <memory>

#include "installer/disk_space.h"
#include "installer/secure_loading.h"
#include "ui/installer_observer.h"

namespace config {
class BrandInfo;
}

namespace config {
class DistributionParams;
}  // namespace config

namespace installer {

class Installer;

// What the start-up asks of the machine, and the installer it makes, so that a
// test build can replace one answer (no SSE2, an old loader, a full disk,
// Windows XP, a short retry delay) and run the real flow.
class StartupProbes : public LoaderCallLookup, public DiskSpaceProbe {
 public:
  virtual bool IsSse2Supported() const;
  virtual int OsVersionIndex() const;
  // `observer` is the window, or null in a silent run.
  virtual std::unique_ptr<Installer> CreateInstaller(
      ui::InstallerObserver* observer, const config::BrandInfo* brand_info,
      const config::DistributionParams* params) const;
};

// Whether the run shows the Windows XP and Vista dialog and ends with
// kExitOldWindows: a person on those systems learns that this browser no
// longer supports them, while a silent run installs the last build made for
// them (net/setup_urls.h).
bool ShowsOldWindowsDialog(int os_version_index, bool silent);

// The whole life of one installer process; returns its exit code.
int RunLiteInstaller(const StartupProbes& probes);

// The elevated instance: waits for the master's start signal and runs the setup.
int ExecuteAsAdmin();

inline constexpr wchar_t kSingleInstanceMutexName[] =
    L"Local\\VelmarBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A";

}  // namespace installer

#pragma once

#include <cstdint>
#include <string>

namespace config {
class BrandInfo;
}

namespace installer {

class CommandLine;
class DistributionParams;

// Callbacks from the installer to its window, or to a sink in the elevated copy.
class InstallerObserver {
 public:
  virtual ~InstallerObserver() = default;
};

// Downloads, verifies and runs the browser's setup.
class Installer {
 public:
  Installer(InstallerObserver* observer, const config::BrandInfo* brand_info,
            const DistributionParams* params);
  virtual ~Installer() = default;

  void set_make_browser_default(bool value) { make_browser_default_ = value; }
  void set_send_statistics(bool value) { send_statistics_ = value; }

  // Runs the whole installation on the calling thread.
  void RunSync();
  // Starts the setup with this command line plus "source=lite" and waits for it.
  bool RunModuleDirectly(const CommandLine& setup_command_line);

  int exit_code() const { return exit_code_; }

 private:
  InstallerObserver* observer_;
  const config::BrandInfo* brand_info_;
  const DistributionParams* params_;
  bool make_browser_default_ = false;
  bool send_statistics_ = false;
  int exit_code_ = 0;
};

}  // namespace installer

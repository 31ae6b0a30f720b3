#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "installer/distribution_files.h"
#include "ui/installation.h"
#include "ui/installer_observer.h"

namespace config {
class BrandInfo;
}
namespace net {
class BrowserExtras;
class InstallStatSender;
class Writer;
class DownloadProgressSink;
struct DownloadErrorInfo;
}  // namespace net

namespace base {
class CommandLine;
}  // namespace base
namespace config {
class DistributionParams;
}  // namespace config

namespace installer {

class ElevatedRunner;

inline constexpr int kInstallerExitCodeInitial = 400;
inline constexpr DWORD kRetryDelayMs = 15000;           // 15 seconds
inline constexpr DWORD kStopWaitMs = 60000;             // 1 minute
inline constexpr DWORD kMessageWindowPollMs = 20000;    // 20 seconds
inline constexpr DWORD kPlainDownloadTimeoutMs = 5000;  // 5 seconds
inline constexpr int kTimeLeftOffsetSeconds = 240;      // added to every estimate shown
inline constexpr int kAttemptsForSingleUrl = 6;
inline constexpr int kAttemptsPerUrl = 3;
using ui::InstallerObserver;
using ui::kOldCryptoComponentResult;

// How many consecutive attempts each URL of a list gets, and in total.
struct AttemptPlan {
  int total;
  int per_url;
};
AttemptPlan PlanDownloadAttempts(size_t url_count);

// The host of a URL after canonicalisation; empty when it has none.
std::wstring GetUrlHost(const std::wstring& url);

// A fault that means an old third-party crypto component blocks the download.
bool IsOldCryptoComponentFault(uint32_t exception_code, const std::string& dll_name,
                               const std::string& proc_name);

// Downloads, verifies and runs the browser's setup: one installation attempt.
class Installer : public ui::Installation {
 public:
  // With `prepare_extras`, the browser extras start downloading at once.
  Installer(InstallerObserver* observer, const config::BrandInfo* brand_info,
            const config::DistributionParams* params, bool prepare_extras = false);
  ~Installer() override;
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;

  virtual bool RunModuleInElevatedProcess();
  // Runs the setup with this command line plus "source=lite" and waits for it.
  virtual bool RunModuleDirectly(const base::CommandLine& setup_command_line);
  virtual void InitializeStatistics();
  // One plain download of one URL, for the final report.
  virtual bool Download(const std::wstring& url, net::Writer* writer);
  virtual bool WriteResourceToFile(int resource_id, const std::wstring& path);
  virtual int DownloadModule(HANDLE file, const base::CommandLine& command_line);
  virtual bool DownloadFile(const std::wstring& url, net::Writer* writer, std::string* error_text,
                            std::wstring* redirect_url, uint32_t* total_size,
                            net::DownloadErrorInfo* error_info);
  virtual DWORD GetRetryDelay() const { return kRetryDelayMs; }
  // This product always downloads its setup.
  virtual bool ExtractBrowserSetupResource(HANDLE) { return false; }
  virtual std::wstring GetModulePath();
  virtual int GetModule(const std::wstring& path, base::ScopedHandle* lock);
  virtual bool VerifyModule(const std::wstring& path);

  // The window starts the worker at once; the install button releases it.
  bool StartAsync() override;
  void RunSync();
  void AllowInstallation() override;
  bool StopAndWait() override;

  void set_make_browser_default(bool value) override;
  void set_send_statistics(bool value) override { send_statistics_ = value; }
  void set_ok_pressed_time(int64_t value) override { ok_pressed_time_ = value; }
  void set_elevation_times(int64_t start, int64_t done) {
    elevation_start_time_ = start;
    elevation_done_time_ = done;
  }
  void set_disable_uac(bool value) { disable_uac_ = value; }
  void set_interface_availability(uint64_t value) { interface_availability_ = value; }
  // Whether the make-default offer can be shown on this Windows; keeps the
  // value the setup gets as "the-interface-availability".
  bool CanMakeDefaultBrowser() override;
  void set_elevated_runner(std::unique_ptr<ElevatedRunner> runner);
  void IncrementCancelCount() override { ++cancel_count_; }

  void SendEvent(const std::map<std::wstring, std::wstring>& values) override;

  int ElevationMode() const override;
  bool NeedsElevation() const override;
  bool StartElevated() override;

  // The setup command line for an archive, with or without the file switches.
  base::CommandLine BuildSetupCommandLineFor(const std::wstring& program, bool with_file_switches);

  int exit_code() const override { return exit_code_; }
  const std::wstring& module_path() const { return module_path_; }

 protected:
  void Install();
  int InstallBrowser();
  int DownloadOrExtractModule(const std::wstring& path, bool* downloaded, base::ScopedHandle* lock);
  bool RunModuleAndWait(const std::wstring& command_line);
  // Whether a browser was installed before: the events then say "update".
  bool IsUpdate() const;
  void ReportInstallationFinished(bool success);
  static DWORD WINAPI WorkerThread(void* installer);
  // Starts the browser extras anew and keeps the paths handed to the setup.
  void PrepareBrowserExtras();

 private:
  bool extras_not_prepared_ = true;
  std::wstring variations_update_path_;
  std::wstring server_config_bundle_path_;
  std::wstring preloaded_wallpaper_bundle_path_;
  std::unique_ptr<net::BrowserExtras> browser_extras_;
  std::unique_ptr<net::InstallStatSender> statistics_;
  InstallerObserver* observer_;
  const config::BrandInfo* brand_info_;
  const config::DistributionParams* params_;
  bool make_browser_default_ = false;
  bool send_statistics_ = false;
  std::wstring temp_dir_;
  DistributionFilePaths files_;
  std::wstring module_path_;
  int exit_code_ = kInstallerExitCodeInitial;
  base::ScopedHandle worker_thread_;
  base::ScopedHandle stop_event_;
  base::ScopedHandle install_event_;
  std::atomic<long> cancel_count_{0};
  int64_t total_time_ = 0;
  int64_t download_time_ = 0;
  int64_t install_time_ = 0;
  int64_t ok_pressed_time_ = 0;
  int64_t elevation_start_time_ = 0;
  int64_t elevation_done_time_ = 0;
  int64_t download_end_time_ = 0;
  uint64_t interface_availability_ = 0;
  bool launch_browser_ = true;
  std::unique_ptr<ElevatedRunner> elevated_runner_;
  bool disable_uac_ = false;
  std::wstring partner_package_override_path_;
  std::wstring installation_id_;
  bool architecture_x64_ = false;
};

}  // namespace installer

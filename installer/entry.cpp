#include "installer/entry.h"

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"
#include "crash/crash_reporter.h"
#include "endpoints.h"
#include "installer/default_browser_check.h"
#include "installer/delayed_params.h"
#include "installer/disk_space.h"
#include "installer/elevated_runner.h"
#include "installer/elevation.h"
#include "installer/exit_codes.h"
#include "installer/held_archive.h"
#include "installer/installer.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/message_dialog.h"
#include "ui/page_urls.h"
#include "ui/process_window.h"
#include "ui/remote_observer.h"
#include "version.h"

// The id of the master instance, seen by every process started from this file.
__attribute__((section("SHARED"), shared)) volatile DWORD g_master_process_id = 0;

namespace installer {
namespace {

// COM, and for a run with a window common controls and GDI+, for the master's
// lifetime; GDI+ goes first. Those two DLLs are delay-loaded: a silent run never
// maps them.
class UserInterfaceEnvironment {
 public:
  explicit UserInterfaceEnvironment(bool with_window) {
    com_initialized_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (!with_window) return;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_token_, &input, nullptr) != Gdiplus::Ok) {
      gdiplus_token_ = 0;
    }
  }
  ~UserInterfaceEnvironment() {
    if (gdiplus_token_ != 0) Gdiplus::GdiplusShutdown(gdiplus_token_);
    if (com_initialized_) ::CoUninitialize();
  }
  UserInterfaceEnvironment(const UserInterfaceEnvironment&) = delete;
  UserInterfaceEnvironment& operator=(const UserInterfaceEnvironment&) = delete;

 private:
  bool com_initialized_ = false;
  ULONG_PTR gdiplus_token_ = 0;
};

// Owns the single-instance mutex when the zero-time wait got it.
class SingleInstanceLock {
 public:
  SingleInstanceLock() : mutex_(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName)) {
    owned_ = mutex_.IsValid() && ::WaitForSingleObject(mutex_.Get(), 0) == WAIT_OBJECT_0;
  }
  ~SingleInstanceLock() {
    if (owned_) ::ReleaseMutex(mutex_.Get());
  }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  bool owned() const { return owned_; }

 private:
  base::ScopedHandle mutex_;
  bool owned_ = false;
};

// Every distribution parameter, then the brand, go with a crash report.
void AnnotateCrashReports(const config::DistributionParams& params,
                          const config::BrandInfo& brand_info) {
  crash::CrashReporter* reporter = crash::CrashReporter::Instance();
  if (reporter == nullptr) return;
  for (const auto& [key, value] : params.params()) reporter->SetAnnotation(key, value);
  reporter->SetAnnotation("brand_id", brand_info.brand_id());
  reporter->SetAnnotation("brand_name", brand_info.brand_name());
  reporter->SetAnnotation("default_language", brand_info.default_language());
}

// Tells a person on Windows XP or Vista that this browser does not support
// their system; "More info" opens the help page on the brand's regional site.
void ShowOldWindowsDialog(const config::BrandInfo& brand_info) {
  const std::string help_page = ui::BuildHelpPageUrl(endpoints::kMakerSite, brand_info.brand_id());
  ui::MessageDialog(ui::MessageDialogKind::kOldWindows, brand_info.language_id(), [&help_page] {
    LOG_INFO_AS("ShowOldWindowsDialog") << "Opening the help page " << help_page;
    ::ShellExecuteA(nullptr, "open", help_page.c_str(), nullptr, nullptr, SW_SHOW);
  }).DoModal(nullptr);
}

int RunMaster(const StartupProbes& probes) {
  UserInterfaceEnvironment ui_environment(
      !base::CommandLine::ForCurrentProcess().HasSwitch("silent"));
  LOG_INFO_AS("wWinMain") << "Lite installer mode.";

  SingleInstanceLock instance_lock;
  if (!instance_lock.owned()) {
    LOG_INFO_AS("wWinMain") << "Another installer instance is already running.";
    const DWORD master_id = g_master_process_id;
    LOG_INFO_AS("wWinMain") << "Master installer process id: " << master_id;
    ui::BringProcessWindowToTop(master_id);
    return kExitAnotherInstanceRunning;
  }
  g_master_process_id = ::GetCurrentProcessId();
  LOG_INFO_AS("wWinMain") << "Installer process id: " << ::GetCurrentProcessId();

  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  const bool silent = command_line.HasSwitch("silent");
  const bool system_level = command_line.HasSwitch("system-level");
  const std::string brand_name = command_line.GetSwitchValueASCII("brand-name");

  const std::wstring temp_path = base::GetTempFolder();
  LOG_INFO_AS("wWinMain") << "Temporary path is: " << temp_path;

  config::DistributionParams params;
  params.CreateJsonFromDistribParams();
  config::BrandInfo brand_info(temp_path);
  brand_info.GetInfo(brand_name);
  std::string language;
  if (params.Get("lang", &language)) brand_info.SetDefaultLanguage(language);
  brand_info.ApplyDefaults();
  const int os_version_index = probes.OsVersionIndex();
  AnnotateCrashReports(params, brand_info);

  if (ShowsOldWindowsDialog(os_version_index, silent)) {
    LOG_INFO_AS("wWinMain") << "Windows XP or Vista is not supported, os version index: "
                            << os_version_index;
    ShowOldWindowsDialog(brand_info);
    return kExitOldWindows;
  }

  if (!probes.IsSse2Supported()) {
    LOG_ERROR_AS("wWinMain") << "CPU is not supported";
    if (!silent) ui::ShowFatalMessageBox(brand_info.language_id(), ui::kStringNoSse2);
    return kExitCpuNotSupported;
  }
  const bool enough_disk_space = HasEnoughDiskSpace(system_level, kRequiredDiskSpaceBytes, probes);

  int exit_code = kExitSuccess;
  if (silent) {
    LOG_INFO_AS("wWinMain") << "Installing in silent mode.";
    std::unique_ptr<Installer> installer = probes.CreateInstaller(nullptr, &brand_info, &params);
    installer->set_make_browser_default(
        command_line.HasSwitch("make-browser-default-after-import"));
    installer->set_send_statistics(command_line.HasSwitch("send-statistics") ||
                                   brand_info.IsSendStatistics());
    installer->RunSync();
    exit_code = installer->exit_code();
  } else if (!enough_disk_space) {
    ui::MessageDialog(ui::MessageDialogKind::kNotEnoughDiskSpace, brand_info.language_id())
        .DoModal(nullptr);
    exit_code = kExitNotEnoughDiskSpace;
  } else {
    ui::MainWindow window(brand_info, params, [&](InstallerObserver* observer) {
      return probes.CreateInstaller(observer, &brand_info, &params);
    });
    if (window.DoModal() == 1) {
      exit_code = window.installer()->exit_code();
    } else {
      LOG_INFO_AS("wWinMain") << "User cancelled installation.";
      exit_code = kExitUserCancelled;
    }
  }
  LOG_INFO_AS("wWinMain") << "Installer exit with code: " << exit_code;
  return exit_code;
}

}  // namespace

bool ShowsOldWindowsDialog(int os_version_index, bool silent) {
  return !silent && base::IsXpOrVista(os_version_index);
}

int StartupProbes::OsVersionIndex() const { return base::GetOsVersionIndex(); }

bool StartupProbes::IsSse2Supported() const {
  return ::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
}

std::unique_ptr<Installer> StartupProbes::CreateInstaller(
    InstallerObserver* observer, const config::BrandInfo* brand_info,
    const config::DistributionParams* params) const {
  return std::make_unique<Installer>(observer, brand_info, params, true);
}

int ExecuteAsAdmin() {
  const base::CommandLine& own = base::CommandLine::ForCurrentProcess();
  const std::wstring setup_text = own.GetSwitchValue("setup-cmd-line");
  const std::string parent_text = own.GetSwitchValueASCII("parent-installer-process-id");
  uint64_t parent_id = 0;
  if (!base::ParseUnsignedDecimal(parent_text, &parent_id)) {
    LOG_ERROR << "Suspicious process id=" << parent_text;
    parent_id = 0;
  }
  base::ScopedHandle parent(::OpenProcess(SYNCHRONIZE, TRUE, static_cast<DWORD>(parent_id)));
  LOG_INFO << "Start installer as admin";

  base::CommandLine setup_command_line = base::CommandLine::FromString(setup_text);
  base::ScopedHandle start_event(::OpenEventA(SYNCHRONIZE, FALSE, kElevatedStartEventName));
  base::ScopedHandle cancel_event(::OpenEventA(SYNCHRONIZE, FALSE, kElevatedCancelEventName));
  const HANDLE handles[] = {start_event.Get(), cancel_event.Get(), parent.Get()};
  const DWORD wait = ::WaitForMultipleObjects(3, handles, FALSE, INFINITE);
  if (wait != WAIT_OBJECT_0) {
    LOG_ERROR << "Installer started as admin has been unexpectedly synced, wr="
              << static_cast<unsigned long>(wait);
    return kExitElevatedFailure;
  }

  ApplyDelayedParams(&setup_command_line);
  const std::wstring archive_path = setup_command_line.GetProgram();
  if (!base::PathExists(archive_path)) {
    LOG_ERROR << L"Browser archive " << archive_path << L" does not exist";
    return kExitElevatedFailure;
  }
  // The shared block is writable by any process of this user: the archive it
  // names is checked like a download of our own, and held until it has run.
  base::ScopedHandle archive;
  std::wstring held_path;
  if (!HoldArchiveInFolder(archive_path, base::GetTempFolder(), &archive, &held_path)) {
    LOG_ERROR << L"Refused the archive handed over: " << archive_path;
    return kExitArchiveNotTrusted;
  }
  setup_command_line.SetProgram(held_path);
  uint64_t window = 0;
  base::ParseUnsignedDecimal(setup_command_line.GetSwitchValueASCII("progress-window"), &window);
  ui::RemoteObserver observer(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
  bool success = false;
  {
    Installer installer(&observer, nullptr, nullptr);
    if (!installer.VerifyModule(held_path)) {
      LOG_ERROR << L"Module verification failed: " << held_path;
      return kExitArchiveNotTrusted;
    }
    LOG_INFO << L"Verification succeeded: " << held_path;
    success = installer.RunModuleDirectly(setup_command_line) && installer.exit_code() == 0;
  }
  LOG_INFO << "RunModule results: success=" << (success ? 1 : 0);
  return success ? kExitSuccess : kExitElevatedFailure;
}

int RunLiteInstaller(const StartupProbes& probes) {
  int secure_exit_code = 0;
  const int status = EnsureSecureDllLoading(&secure_exit_code, probes);
  crash::CrashReporter crash_reporter;

  const std::wstring temp = base::GetTempFolder();
  base::InitLogging(temp.empty() ? std::wstring() : temp + base::kLogFileName);
  LOG_INFO_AS("wWinMain") << "-------------------------------------- Start install.";
  if (LITE_TEST_BUILD) {
    LOG_INFO_AS("wWinMain") << "Test build: test hosts and keys, not for distribution.";
  }

  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch("check-the-interface")) {
    const int code = CheckDefaultBrowserInterface();
    LOG_INFO_AS("wWinMain")
        << "Handled non install cmd line option by win10 default browser helper, ret code: "
        << code;
    return code;
  }

  switch (status) {
    case kInsecureEnvironment:
      LOG_INFO_AS("wWinMain") << "Exiting, because of insecure environment.";
      return secure_exit_code;
    case kSecureEnvironmentNotFound:
      LOG_INFO_AS("wWinMain") << "Can't find secure environment.";
      break;
    case kSecureEnvironment:
      LOG_INFO_AS("wWinMain") << "Runned in secure environment.";
      break;
    case kDllFilesFound:
      LOG_INFO_AS("wWinMain") << "Exiting, DLL files found in working directory";
      return kExitInsecureDllEnvironment;
    default:
      return secure_exit_code;
  }
  return command_line.HasSwitch("run-as-admin") ? ExecuteAsAdmin() : RunMaster(probes);
}

}  // namespace installer

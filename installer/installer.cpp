#include "installer/installer.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

#include "base/browser_registry.h"
#include "base/command_line.h"
#include "base/file_util.h"
#include "base/file_version.h"
#include "base/log.h"
#include "base/os_version.h"
#include "base/process_util.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/time_util.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"
#include "config/module_trust.h"
#include "installer/default_browser_check.h"
#include "installer/delayed_params.h"
#include "installer/distribution_files.h"
#include "installer/elevated_runner.h"
#include "installer/elevation.h"
#include "installer/exit_codes.h"
#include "installer/held_archive.h"
#include "installer/setup_command_line.h"
#include "net/browser_extras.h"
#include "net/download_experiment.h"
#include "net/downloader.h"
#include "net/install_report.h"
#include "net/install_stat_sender.h"
#include "net/setup_urls.h"
#include "net/user_id.h"
#include "ui/scale_factor.h"

namespace installer {
namespace {

// The setup gets a package path only when this run wrote that package.
std::wstring BrandPackageForSetup(const config::BrandInfo& info) {
  return info.has_brand_package() ? info.brand_package_path() : std::wstring();
}
std::wstring PartnerPackageForSetup(const config::BrandInfo& info) {
  return info.has_partner_package() ? info.partner_package_path() : std::wstring();
}

constexpr wchar_t kMessageWindowClass[] = L"VelmarBrowser_MessageWindow";

// Registry values under the browser's key that hand files over to the setup.
struct DistributionFileValue {
  const char* switch_name;
  const wchar_t* registry_name;
};
constexpr DistributionFileValue kInstallerDataValue = {"installerdata", L"InstallerData"};
constexpr DistributionFileValue kClidsValue = {"clids-file", L"ClidsFile"};
constexpr DistributionFileValue kClidsSearchbandValue = {"clids-searchband-file",
                                                         L"ClidsSearchbandFile"};
constexpr DistributionFileValue kWebsiteIconValue = {"velmar-website-icon-file",
                                                     L"VelmarWebsiteIconFile"};

int64_t WholeSeconds(int64_t micros) { return micros / base::kMicrosPerSecond; }

// Forwards the download's progress to the observer, as the window shows it.
class ObserverProgressSink : public net::DownloadProgressSink {
 public:
  explicit ObserverProgressSink(InstallerObserver* observer) : observer_(observer) {}
  void SetProgress(float fraction) override { observer_->OnDownloadProgress(fraction); }
  void OnSlowDownload() override { observer_->OnSlowDownload(); }
  void SetTimeLeft(int value, int kind) override {
    observer_->OnTimeLeft(value + kTimeLeftOffsetSeconds, kind);
  }

 private:
  InstallerObserver* observer_;
};

// Deletes the archive when the installation is over, whatever its outcome.
class ScopedDeleteFile {
 public:
  explicit ScopedDeleteFile(std::wstring path) : path_(std::move(path)) {}
  ~ScopedDeleteFile() { ::DeleteFileW(path_.c_str()); }
  ScopedDeleteFile(const ScopedDeleteFile&) = delete;
  ScopedDeleteFile& operator=(const ScopedDeleteFile&) = delete;

 private:
  std::wstring path_;
};

}  // namespace

std::wstring GetUrlHost(const std::wstring& url) {
  if (url.empty()) return std::wstring();
  wchar_t canonical[INTERNET_MAX_URL_LENGTH] = {};
  DWORD size = INTERNET_MAX_URL_LENGTH;
  const std::wstring source =
      ::InternetCanonicalizeUrlW(url.c_str(), canonical, &size, 0) ? canonical : url;
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
  if (!::InternetCrackUrlW(source.c_str(), 0, 0, &parts)) return std::wstring();
  return std::wstring(host, parts.dwHostNameLength);
}

bool IsOldCryptoComponentFault(uint32_t exception_code, const std::string& dll_name,
                               const std::string& proc_name) {
  return exception_code == net::kDelayLoadModuleNotFound &&
         base::ToLowerAscii(dll_name) == "cplib.dll" &&
         base::ToLowerAscii(proc_name).find("cryptopro") != std::string::npos;
}

AttemptPlan PlanDownloadAttempts(size_t url_count) {
  if (url_count <= 1) return {kAttemptsForSingleUrl, kAttemptsForSingleUrl};
  return {static_cast<int>(url_count) * kAttemptsPerUrl, kAttemptsPerUrl};
}

Installer::Installer(InstallerObserver* observer, const config::BrandInfo* brand_info,
                     const config::DistributionParams* params, bool prepare_extras)
    : observer_(observer), brand_info_(brand_info), params_(params) {
  if (brand_info_ != nullptr) temp_dir_ = brand_info_->temp_path();
  files_.installer_data = base::ReadFilePathFromRegistry(kInstallerDataValue.switch_name,
                                                         kInstallerDataValue.registry_name);
  files_.clids = base::ReadFilePathFromRegistry(kClidsValue.switch_name, kClidsValue.registry_name);
  files_.searchband_clids = base::ReadFilePathFromRegistry(kClidsSearchbandValue.switch_name,
                                                           kClidsSearchbandValue.registry_name);
  files_.website_icon = base::ReadFilePathFromRegistry(kWebsiteIconValue.switch_name,
                                                       kWebsiteIconValue.registry_name);
  if (prepare_extras) PrepareBrowserExtras();
  InitializeStatistics();
}

void Installer::PrepareBrowserExtras() {
  if (brand_info_ == nullptr || params_ == nullptr) return;
  browser_extras_.reset();
  browser_extras_ = std::make_unique<net::BrowserExtras>(*brand_info_, *params_);
  variations_update_path_ = browser_extras_->variations_path();
  server_config_bundle_path_ = browser_extras_->server_config_path();
  preloaded_wallpaper_bundle_path_ = browser_extras_->wallpapers_path();
  extras_not_prepared_ = false;
}

Installer::~Installer() {
  if (!StopAndWait()) {
    LOG_ERROR << "Failed to wait for install async exit. Terminate install_thread_";
    ::TerminateThread(worker_thread_.Get(), 0);
  }
}

void Installer::InitializeStatistics() {
  net::StatValues values;
  const auto id_or_unknown = [](const std::string& id) {
    return base::Utf8ToWide(id.empty() ? "unknown" : id);
  };
  values[net::kStatBrandId] = id_or_unknown(brand_info_ != nullptr ? brand_info_->brand_id() : "");
  values[net::kStatPartnerId] =
      id_or_unknown(brand_info_ != nullptr ? brand_info_->partner_id() : "");
  const std::pair<const char*, const wchar_t*> from_params[] = {
      {"banerid", net::kStatBannerId},
      {"velmaruid", net::kStatPortalUserId},
      {"distr_velmaruid", net::kStatDistrUserId}};
  for (const auto& [param, key] : from_params) {
    std::string value;
    if (params_ != nullptr && params_->Get(param, &value)) values[key] = base::Utf8ToWide(value);
  }
  const std::string user_id = net::GetUserId();
  if (!user_id.empty()) values[net::kStatUserId] = base::Utf8ToWide(user_id);
  statistics_ = std::make_unique<net::InstallStatSender>(0, net::kInstallerTypeLite, std::wstring(),
                                                         values, net::StatKind::kExtendedStat);
  stop_event_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  install_event_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

void Installer::set_make_browser_default(bool value) {
  const int os = base::GetOsVersionIndex();
  if (os == base::kOsWin8 || os == base::kOsWin81) return;
  make_browser_default_ = value;
}

bool Installer::CanMakeDefaultBrowser() {
  const InterfaceCheck run_child = [](uint32_t* status) {
    return IsInternalInterfaceAvailableSafeCheck(
        base::CommandLine::ForCurrentProcess().GetProgram(), status);
  };
  return installer::CanMakeDefaultBrowser(base::GetOsInfo(), run_child, &interface_availability_);
}

void Installer::set_elevated_runner(std::unique_ptr<ElevatedRunner> runner) {
  elevated_runner_ = std::move(runner);
}

bool Installer::StartAsync() {
  ::ResetEvent(stop_event_.Get());
  ::ResetEvent(install_event_.Get());
  worker_thread_.Reset(::CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr));
  return worker_thread_.IsValid();
}

DWORD WINAPI Installer::WorkerThread(void* installer) {
  static_cast<Installer*>(installer)->Install();
  return 0;
}

void Installer::RunSync() {
  ::ResetEvent(stop_event_.Get());
  ::SetEvent(install_event_.Get());
  Install();
}

void Installer::AllowInstallation() { ::SetEvent(install_event_.Get()); }

bool Installer::StopAndWait() {
  if (!worker_thread_.IsValid()) return true;
  ::SetEvent(stop_event_.Get());
  return ::WaitForSingleObject(worker_thread_.Get(), kStopWaitMs) == WAIT_OBJECT_0;
}

void Installer::SendEvent(const net::StatValues& values) { statistics_->Send(values); }

bool Installer::IsUpdate() const { return !statistics_->GetValue(net::kStatOldVersion).empty(); }

void Installer::Install() {
  installation_id_ = net::NewInstallationId();
  SendEvent(net::InstallerStartedEvent(ui::GetScaleFactor(), ::GetSystemMetrics(SM_CXSCREEN),
                                       ::GetSystemMetrics(SM_CYSCREEN)));

  if (brand_info_ != nullptr) {
    brand_info_->StoreLanguage();
    WriteDistributionFiles(temp_dir_, &files_);
    base::StoreValueInRegistry(kInstallerDataValue.registry_name, files_.installer_data);
    base::StoreValueInRegistry(kClidsValue.registry_name, files_.clids);
    base::StoreValueInRegistry(kClidsSearchbandValue.registry_name, files_.searchband_clids);
    base::StoreValueInRegistry(kWebsiteIconValue.registry_name, files_.website_icon);
    brand_info_->StoreBrand();
  }

  const int code = InstallBrowser();
  if (code != 0) {
    if (observer_ != nullptr && ::WaitForSingleObject(stop_event_.Get(), 0) != WAIT_OBJECT_0) {
      observer_->OnInstallFinished(code);
    }
  } else {
    for (const DistributionFileValue* value :
         {&kInstallerDataValue, &kClidsValue, &kClidsSearchbandValue, &kWebsiteIconValue}) {
      base::RemoveValueFromRegistry(value->registry_name);
    }
    base::RemoveValueFromRegistry(L"DistribInfoParams");
    config::BrandInfo::RemoveStoredBrand();
    if (brand_info_ != nullptr) {
      for (const std::wstring* path :
           {&brand_info_->brand_package_path(), &brand_info_->partner_package_path()}) {
        if (!path->empty()) ::DeleteFileW(path->c_str());
      }
    }
  }

  while (observer_ != nullptr &&
         ::WaitForSingleObject(stop_event_.Get(), kMessageWindowPollMs) == WAIT_TIMEOUT) {
    if (::FindWindowExW(HWND_MESSAGE, nullptr, kMessageWindowClass, nullptr) == nullptr) {
      observer_->CloseIfStarted(true);
      break;
    }
  }
  ReportInstallationFinished(code == 0);
}

int Installer::InstallBrowser() {
  LOG_INFO << "Install Browser.";
  module_path_ = GetModulePath();
  if (module_path_.empty()) return 1;
  std::string lock_value;
  const bool permanent_lock = params_ != nullptr &&
                              params_->Get("setup_arc_permanent_lock", &lock_value) &&
                              !lock_value.empty();
  LOG_INFO << L"Executable path: " << module_path_;
  ::DeleteFileW(module_path_.c_str());
  ScopedDeleteFile delete_module(module_path_);

  const int64_t start = base::MonotonicMicros();
  base::ScopedHandle lock;
  const int module_result = GetModule(module_path_, permanent_lock ? &lock : nullptr);
  if (module_result != 0) return module_result;

  download_end_time_ = base::MonotonicMicros();
  const HANDLE events[] = {stop_event_.Get(), install_event_.Get()};
  if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
    LOG_INFO << "Installation after download event isn't in signal state or installation was "
                "stopped early.";
    return 1;
  }
  const int64_t wait_end = base::MonotonicMicros();

  if (permanent_lock) {
    lock.Reset(::ReOpenFile(lock.Get(), GENERIC_READ | GENERIC_EXECUTE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
    if (lock.IsValid()) {
      lock.Reset(::ReOpenFile(lock.Get(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, 0));
    }
  } else {
    lock = HoldArchive(module_path_);
  }
  if (!lock.IsValid()) {
    if (permanent_lock) SendEvent(net::SetupArcLockErrorEvent());
    LOG_ERROR << L"Cannot lock file: " << module_path_;
    return 1;
  }

  if (!VerifyModule(module_path_)) {
    LOG_ERROR << L"Module verification failed: " << module_path_;
    exit_code_ = kExitArchiveNotTrusted;
    SendEvent(net::VerificationErrorEvent());
    return 1;
  }
  LOG_INFO << L"Verification succeeded: " << module_path_;
  const int64_t verified = base::MonotonicMicros();

  statistics_->Persist();
  const bool elevated = elevated_runner_ != nullptr;
  SendEvent(net::SetupExeLaunchedEvent(IsUpdate(), !AreUACNotificationsEnabled(), elevated));

  bool ran = false;
  if (elevated) {
    DelayedParams delayed;
    delayed.browser_arc_path = module_path_;
    delayed.clids_file_path = files_.clids;
    delayed.clids_searchband_file_path = files_.searchband_clids;
    delayed.velmar_website_icon_file_path = files_.website_icon;
    delayed.installer_data_path = files_.installer_data;
    if (brand_info_ != nullptr) {
      delayed.brand_package_path = BrandPackageForSetup(*brand_info_);
      delayed.partner_package_path = PartnerPackageForSetup(*brand_info_);
    }
    delayed.partner_package_override_path = partner_package_override_path_;
    delayed.histogram_download_time = base::NumberToWide(WholeSeconds(download_time_));
    delayed.send_statistics = send_statistics_;
    delayed.make_default = make_browser_default_;
    if (!WriteDelayedParams(delayed)) {
      LOG_ERROR << "Unexpected error in CreateDelayedParamsMapping()";
      return 1;
    }
    ran = RunModuleInElevatedProcess();
  } else {
    ran = RunModuleDirectly(BuildSetupCommandLineFor(module_path_, true));
  }
  lock.Reset();
  install_time_ = base::MonotonicMicros() - verified;
  if (elevated && elevated_runner_->exit_code() == kExitArchiveNotTrusted) {
    LOG_ERROR << L"The elevated installer refused the archive: " << module_path_;
    exit_code_ = kExitArchiveNotTrusted;
    SendEvent(net::VerificationErrorEvent());
    elevated_runner_.reset();
    return 1;
  }
  SendEvent(net::SetupExeExitedEvent(IsUpdate(), ran, elevated, static_cast<uint32_t>(exit_code_),
                                     install_time_));
  if (elevated) exit_code_ = static_cast<int>(elevated_runner_->exit_code());
  elevated_runner_.reset();
  if (!ran) return 1;

  const bool keep_browser_closed =
      base::CommandLine::ForCurrentProcess().HasSwitch("do-not-launch-browser") && launch_browser_;
  if (!keep_browser_closed && observer_ != nullptr) {
    observer_->SetProgress(100);
    observer_->CloseIfStarted(true);
    observer_ = nullptr;
  }
  total_time_ = (download_end_time_ - start) + (base::MonotonicMicros() - wait_end);
  return 0;
}

base::CommandLine Installer::BuildSetupCommandLineFor(const std::wstring& program,
                                                      bool with_file_switches) {
  SetupCommandLineInputs inputs;
  inputs.program = program;
  inputs.disable_uac = disable_uac_;
  inputs.progress_window =
      observer_ != nullptr ? reinterpret_cast<uintptr_t>(observer_->GetWindow()) : 0;
  if (brand_info_ != nullptr) {
    inputs.brand_name = brand_info_->brand_name();
    inputs.brand_package_path = BrandPackageForSetup(*brand_info_);
    inputs.partner_package_path = PartnerPackageForSetup(*brand_info_);
  }
  if (params_ != nullptr) inputs.distr_info_file = params_->info_file_path();
  inputs.make_default = make_browser_default_;
  inputs.send_statistics = send_statistics_;
  inputs.ok_pressed_time = ok_pressed_time_;
  inputs.elevation_start_time = elevation_start_time_;
  inputs.elevation_done_time = elevation_done_time_;
  inputs.download_end_time = download_end_time_;
  inputs.interface_availability = interface_availability_;
  inputs.with_file_switches = with_file_switches;
  inputs.installer_data_path = files_.installer_data;
  inputs.clids_path = files_.clids;
  inputs.clids_searchband_path = files_.searchband_clids;
  inputs.website_icon_path = files_.website_icon;
  inputs.partner_package_override_path = partner_package_override_path_;
  inputs.elevation_mode = ElevationMode();
  inputs.launch_browser = launch_browser_;
  inputs.extras_prepared = !extras_not_prepared_;
  inputs.variations_update_path = variations_update_path_;
  inputs.server_config_bundle_path = server_config_bundle_path_;
  inputs.preloaded_wallpaper_bundle_path = preloaded_wallpaper_bundle_path_;
  return BuildSetupCommandLine(base::CommandLine::ForCurrentProcess(), inputs);
}

std::wstring Installer::GetModulePath() {
  wchar_t path[MAX_PATH] = {};
  if (::GetTempFileNameW(temp_dir_.c_str(), L"vb", 0, path) == 0) {
    LOG_ERROR << "Cannot obtain temp file.";
    return std::wstring();
  }
  return path;
}

int Installer::GetModule(const std::wstring& path, base::ScopedHandle* lock) {
  const int64_t start = base::MonotonicMicros();
  bool downloaded = false;
  const int result = DownloadOrExtractModule(path, &downloaded, lock);
  download_time_ = base::MonotonicMicros() - start;
  if (result != 0) {
    LOG_ERROR << L"Module was not downloaded: " << path;
    exit_code_ = kExitArchiveNotObtained;
    return result;
  }
  LOG_INFO << L"Module downloaded: " << path;
  statistics_->SetValue(net::kStatNewVersion, base::GetFileVersionString(path));
  std::string code;
  if (downloaded) {
    statistics_->SetValue(net::kStatInstallType, L"normal");
    SendEvent(net::DownloadFinishedEvent(download_time_));
  } else if (params_ != nullptr && params_->Get("code", &code) && code == "lite_install_failed") {
    statistics_->SetValue(net::kStatInstallType, L"lite_install_failed");
  }
  return 0;
}

int Installer::DownloadOrExtractModule(const std::wstring& path, bool* downloaded,
                                       base::ScopedHandle* lock) {
  base::ScopedHandle own_file;
  base::ScopedHandle* file = lock != nullptr ? lock : &own_file;
  file->Reset(::CreateFileW(path.c_str(), GENERIC_WRITE, lock != nullptr ? FILE_SHARE_READ : 0,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file->IsValid()) {
    LOG_ERROR << L"Cannot create file:" << path;
    return 1;
  }
  *downloaded = false;
  if (ExtractBrowserSetupResource(file->Get())) return 0;
  LOG_INFO << L"Try to download module:" << path;
  const int result = DownloadModule(file->Get(), base::CommandLine::ForCurrentProcess());
  *downloaded = result == 0;
  return result;
}

int Installer::DownloadModule(HANDLE file, const base::CommandLine& command_line) {
  net::ModuleWriter writer(file);
  net::DownloadExperiment experiment;
  experiment.ChooseArchitecture(command_line, params_);
  architecture_x64_ = experiment.architecture() == net::kArchitecture64;
  net::SetupUrls brand_urls;
  if (brand_info_ != nullptr) {
    brand_urls = {brand_info_->setup_url(), brand_info_->setup_url_version(),
                  brand_info_->setup_url64(), brand_info_->setup_url32()};
  }
  std::vector<std::wstring> urls;
  for (const std::string& url : net::SelectSetupUrls(experiment.architecture(), brand_urls)) {
    urls.push_back(base::Utf8ToWide(url));
  }
  if (urls.empty()) {
    LOG_ERROR << "Setup url is empty.";
    return 2;
  }
  {
    base::LogMessage selected(base::kLogInfo, __func__, __LINE__);
    selected << "Selected download urls:";
    for (const std::wstring& url : urls) selected << L" " << url;
  }
  SendEvent(net::DownloadStartedEvent());

  const AttemptPlan plan = PlanDownloadAttempts(urls.size());
  const std::wstring* previous_url = nullptr;
  for (int attempt = 0; attempt < plan.total; ++attempt) {
    if (::WaitForSingleObject(stop_event_.Get(), 0) == WAIT_OBJECT_0) break;
    const size_t index = static_cast<size_t>(attempt / plan.per_url);
    const std::wstring& url = urls[index];
    if (previous_url != nullptr && *previous_url != url) writer.Reset();
    previous_url = &url;

    std::string error_text;
    std::wstring redirect;
    uint32_t total_size = 0;
    net::DownloadErrorInfo error_info;
    const bool success =
        DownloadFile(url, &writer, &error_text, &redirect, &total_size, &error_info);
    if (!success && error_info.exception_code != 0) {
      LOG_ERROR << "Exception with code=" << static_cast<unsigned long>(error_info.exception_code);
      LOG_ERROR << "dll_name=" << error_info.dll_name;
      LOG_ERROR << "proc_name=" << error_info.proc_name;
      return IsOldCryptoComponentFault(error_info.exception_code, error_info.dll_name,
                                       error_info.proc_name)
                 ? kOldCryptoComponentResult
                 : 2;
    }
    // A failed attempt reports what is kept for the next one.
    if (!success && net::ShouldEmptyWriterAfterFailure(writer.GetSize(), total_size)) {
      writer.Reset();
    }
    net::DownloadAttempt attempt_record;
    attempt_record.success = success;
    attempt_record.error = base::Utf8ToWide(error_text);
    attempt_record.attempt_number = attempt + 1;
    attempt_record.downloaded_size = writer.GetSize();
    attempt_record.total_size = total_size;
    attempt_record.url = url;
    attempt_record.redirect = GetUrlHost(redirect);
    attempt_record.x64 = architecture_x64_;
    if (success) {
      if (cancel_count_ == 0) SendEvent(net::DownloadAttemptEvent(attempt_record));
      experiment.ConfigurateRegistry(index == 0);
      return 0;
    }
    if (cancel_count_ == 0) SendEvent(net::DownloadAttemptEvent(attempt_record));
    SendEvent(net::DownloadErrorEvent(attempt + 1, attempt_record.error));
    if (attempt + 1 < plan.total &&
        ::WaitForSingleObject(stop_event_.Get(), GetRetryDelay()) == WAIT_OBJECT_0) {
      break;
    }
  }
  LOG_ERROR << "Max download attempts failed (" << plan.total << ")";
  experiment.ConfigurateRegistry(false);
  return 2;
}

bool Installer::DownloadFile(const std::wstring& url, net::Writer* writer, std::string* error_text,
                             std::wstring* redirect_url, uint32_t* total_size,
                             net::DownloadErrorInfo* error_info) {
  ObserverProgressSink sink(observer_);
  return net::DownloadFile(url, writer, error_text, redirect_url, total_size, stop_event_.Get(),
                           observer_ != nullptr ? &sink : nullptr, error_info);
}

bool Installer::Download(const std::wstring& url, net::Writer* writer) {
  LOG_INFO << L"Attempt to download module:" << url;
  writer->Reset();
  // A server that takes the request and never answers must not hold the
  // installer: the request ends when this timer fires.
  base::ScopedHandle deadline(::CreateWaitableTimerW(nullptr, TRUE, nullptr));
  LARGE_INTEGER due = {};
  due.QuadPart = -static_cast<LONGLONG>(kPlainDownloadTimeoutMs) * 10000;
  ::SetWaitableTimer(deadline.Get(), &due, 0, nullptr, nullptr, FALSE);
  return net::DownloadFile(url, writer, nullptr, nullptr, nullptr, deadline.Get(), nullptr,
                           nullptr);
}

bool Installer::WriteResourceToFile(int resource_id, const std::wstring& path) {
  return installer::WriteResourceToFile(resource_id, path);
}

bool Installer::VerifyModule(const std::wstring& path) { return config::IsModuleTrusted(path); }

bool Installer::RunModuleInElevatedProcess() {
  LOG_INFO << "Started waiting the elevated installer has finished its work.";
  const bool success = elevated_runner_->RunModule(stop_event_.Get());
  LOG_INFO << "The elevated installer has finished, success=" << (success ? 1 : 0);
  return success;
}

bool Installer::RunModuleDirectly(const base::CommandLine& setup_command_line) {
  base::CommandLine command_line = setup_command_line;
  command_line.AppendSwitchASCII("source", "lite");
  return RunModuleAndWait(command_line.GetCommandLineString());
}

bool Installer::RunModuleAndWait(const std::wstring& command_line) {
  LOG_INFO << L"Run: " << command_line;
  exit_code_ = kInstallerExitCodeInitial;
  base::ScopedHandle process = base::LaunchProcess(command_line, CREATE_NO_WINDOW);
  if (!process.IsValid()) {
    LOG_ERROR << "Create process failed.";
    return false;
  }
  LOG_INFO << "Process created: " << ::GetProcessId(process.Get());
  if (observer_ != nullptr) {
    observer_->SetProgress(40);
    observer_->HideCancelButton();
  }
  LOG_INFO << "Wait for process finish.";
  if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
    LOG_ERROR << "Wait process failed.";
    return false;
  }
  DWORD code = 0;
  bool success = true;
  if (!::GetExitCodeProcess(process.Get(), &code)) {
    LOG_ERROR << "Get setup process exit code failed.";
    success = false;
  }
  exit_code_ = static_cast<int>(code);
  LOG_INFO << "Setup process exit with code: " << FormatSetupExitCode(code);
  return success;
}

void Installer::ReportInstallationFinished(bool success) {
  net::InstallationOutcome outcome;
  outcome.installation_id = installation_id_;
  outcome.cancelled = cancel_count_ > 0;
  outcome.success = success;
  outcome.total_time_us = total_time_;
  outcome.download_time_us = download_time_;
  outcome.install_time_us = install_time_;
  net::ReportInstallationFinished(outcome, [this](const std::wstring& url) {
    net::MemoryWriter writer;
    return Download(url, &writer);
  });
}

int Installer::ElevationMode() const {
  return params_ != nullptr ? GetElevationMode(*params_, base::CommandLine::ForCurrentProcess())
                            : 0;
}

bool Installer::NeedsElevation() const { return NeedStartThisProcessAsAdmin(); }

bool Installer::StartElevated() { return StartElevatedInstaller(this); }

}  // namespace installer

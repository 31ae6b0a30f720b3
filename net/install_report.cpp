#include "net/install_report.h"

#include "base/guid.h"
#include "base/log.h"
#include "base/strings.h"
#include "endpoints.h"

namespace net {
namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;

std::wstring WholeSeconds(int64_t microseconds) {
  return base::NumberToWide(microseconds / kMicrosecondsPerSecond);
}

std::wstring& StorageUrl() {
  static std::wstring url = base::Utf8ToWide(endpoints::kStorageHost);
  return url;
}

StatValues SetupStageEvent(bool update, const wchar_t* stage) {
  return {{L"action", update ? L"update" : L"setup"}, {L"stage", stage}};
}

}  // namespace

StatValues InstallerStartedEvent(double scale_factor, int screen_width, int screen_height) {
  const int dpi = static_cast<int>(scale_factor * 100 + 0.5);
  return {
      {L"action", L"installer_started"},
      {L"dpi", base::NumberToWide(dpi)},
      {L"resolution", base::NumberToWide(screen_width) + L"x" + base::NumberToWide(screen_height)}};
}

StatValues DownloadStartedEvent() { return {{L"action", L"download"}, {L"stage", L"started"}}; }

StatValues DownloadFinishedEvent(int64_t download_time_us) {
  return {{L"action", L"download"},
          {L"stage", L"finished"},
          {L"download_time", WholeSeconds(download_time_us)}};
}

StatValues DownloadAttemptEvent(const DownloadAttempt& attempt) {
  StatValues values = {{L"action", L"download_attempt"},
                       {L"status", attempt.success ? L"success" : L"failed"},
                       {L"attempt_number", base::NumberToWide(attempt.attempt_number)},
                       {L"downloaded_size", base::NumberToWide(attempt.downloaded_size)},
                       {L"total_size", base::NumberToWide(attempt.total_size)}};
  if (!attempt.success) values[L"error"] = attempt.error;
  if (!attempt.url.empty()) values[L"url"] = EscapeStatText(attempt.url);
  if (!attempt.redirect.empty()) values[L"redirect"] = attempt.redirect;
  if (attempt.x64) values[L"x64"] = L"1";
  return values;
}

StatValues DownloadErrorEvent(int attempt_number, const std::wstring& error) {
  return {{L"action", L"download"},
          {L"stage", L"error"},
          {L"error", L"attempt-" + base::NumberToWide(attempt_number) + L"-" + error}};
}

StatValues SetupArcLockErrorEvent() {
  return {{L"action", L"setup_arc_lock"}, {L"stage", L"error"}};
}

StatValues VerificationErrorEvent() { return {{L"action", L"verification"}, {L"stage", L"error"}}; }

StatValues SetupExeLaunchedEvent(bool update, bool uac_prompts_off, bool elevated) {
  StatValues values = SetupStageEvent(update, L"setup_exe_launched");
  values[L"uac"] = uac_prompts_off ? L"100" : elevated ? L"1" : L"0";
  return values;
}

StatValues SetupExeExitedEvent(bool update, bool ran, bool elevated, uint32_t exit_code,
                               int64_t setup_time_us) {
  StatValues values = SetupStageEvent(update, L"setup_exe_exited");
  const std::wstring error = SetupExitError(ran, elevated, exit_code);
  if (!error.empty()) values[L"error"] = error;
  values[L"setup_time"] = WholeSeconds(setup_time_us);
  return values;
}

std::wstring SetupExitError(bool ran, bool elevated, uint32_t exit_code) {
  if (!ran) return L"FailedToStart";
  // 400 is what the exit-code field holds when an elevated copy ran the setup.
  if (elevated && exit_code == 400) return std::wstring();
  if (!elevated && (exit_code == 1 || exit_code == 3 || exit_code == 5)) return std::wstring();
  return base::NumberToWide(exit_code);
}

std::wstring GetStorageUrl() { return StorageUrl(); }

void SetStorageUrlForTesting(const std::wstring& url) { StorageUrl() = url; }

std::wstring NewInstallationId() {
  const std::wstring guid = base::CreateGuidString();
  return guid.size() > 2 ? guid.substr(1, guid.size() - 2) : std::wstring();
}

std::wstring GetInstallationFinishedUrl(const std::wstring& storage_url,
                                        const InstallationOutcome& outcome) {
  const wchar_t* result = outcome.cancelled ? L"cancelled"
                          : outcome.success ? L"success"
                                            : L"failed";
  std::wstring url = storage_url + L"/get/browser/install?ui=" + outcome.installation_id +
                     L"&result=" + result + L"&time=" + WholeSeconds(outcome.total_time_us);
  if (outcome.download_time_us != 0) {
    url += L"&download_time=" + WholeSeconds(outcome.download_time_us);
  }
  if (outcome.install_time_us != 0) {
    url += L"&install_time=" + WholeSeconds(outcome.install_time_us);
  }
  return url;
}

void ReportInstallationFinished(const InstallationOutcome& outcome, const ReportFetch& fetch,
                                const std::wstring& storage_url) {
  const std::wstring url = GetInstallationFinishedUrl(storage_url, outcome);
  if (!fetch(url)) LOG_ERROR << "Cannot report installation status:" << url;
}

}  // namespace net

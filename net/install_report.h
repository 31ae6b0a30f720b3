#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/install_stat_sender.h"

namespace net {

// The installer's stage events: each returns the extra values of one report for
// InstallStatSender::Send. Times are microseconds and leave as whole seconds.

// "dpi" is the drawing scale factor (1.5 for 144 DPI or a forced 1.5) times
// 100, rounded to a whole number.
StatValues InstallerStartedEvent(double scale_factor, int screen_width, int screen_height);
StatValues DownloadStartedEvent();
StatValues DownloadFinishedEvent(int64_t download_time_us);

// One attempt of the download loop; `error` is the downloader's error text.
struct DownloadAttempt {
  bool success = false;
  std::wstring error;
  int attempt_number = 0;  // from 1
  uint64_t downloaded_size = 0;
  uint64_t total_size = 0;
  std::wstring url;
  std::wstring redirect;  // host name of the final URL
  bool x64 = false;
};
StatValues DownloadAttemptEvent(const DownloadAttempt& attempt);
// Sent beside a failed attempt's event: "error" = "attempt-<n>-<error>".
StatValues DownloadErrorEvent(int attempt_number, const std::wstring& error);

StatValues SetupArcLockErrorEvent();
StatValues VerificationErrorEvent();

// How the setup is started: "uac" = "100" when user account control prompts are
// off, else "1" through an elevated copy and "0" directly.
StatValues SetupExeLaunchedEvent(bool update, bool uac_prompts_off, bool elevated);
// After the setup: `ran` is false when it could not be started or waited for.
StatValues SetupExeExitedEvent(bool update, bool ran, bool elevated, uint32_t exit_code,
                               int64_t setup_time_us);
// The "error" of setup_exe_exited; empty when none is sent.
std::wstring SetupExitError(bool ran, bool elevated, uint32_t exit_code);

// The storage endpoint from the build settings, or what a test program set
// before the report. No trailing slash.
std::wstring GetStorageUrl();
void SetStorageUrlForTesting(const std::wstring& url);

// A new installation identifier: a GUID without its braces; empty on failure.
std::wstring NewInstallationId();

// How an installation ended, for the final report.
struct InstallationOutcome {
  std::wstring installation_id;
  bool success = false;
  bool cancelled = false;  // the user cancelled at least once
  int64_t total_time_us = 0;
  int64_t download_time_us = 0;
  int64_t install_time_us = 0;
};

// storage_url + "/get/browser/install?ui=...&result=...&time=..." and the
// download and install times when they are not 0.
std::wstring GetInstallationFinishedUrl(const std::wstring& storage_url,
                                        const InstallationOutcome& outcome);

// Fetches the final report's address with `fetch` (the installer's plain
// download; its answer is ignored) and logs a failure.
using ReportFetch = std::function<bool(const std::wstring& url)>;
void ReportInstallationFinished(const InstallationOutcome& outcome, const ReportFetch& fetch,
                                const std::wstring& storage_url = GetStorageUrl());

}  // namespace net

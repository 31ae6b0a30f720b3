// Sends statistics through the installer's real sender, for the end-to-end
// tests: the stage events of one installation to a given address, the
// persisted "install_stat" value, and the user identifier.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/file_util.h"
#include "base/log.h"
#include "base/strings.h"
#include "net/install_report.h"
#include "net/install_stat_sender.h"
#include "net/user_id.h"

namespace {

// The events of one successful installation, in the order the installer sends them.
int SendInstallationEvents(const std::wstring& api_url) {
  ULONGLONG shutdown_start = 0;
  {
    net::InstallStatSender sender(0, net::kInstallerTypeLite, L"", {{net::kStatBrandId, L"velmar"}},
                                  net::StatKind::kExtendedStat, api_url);
    net::DownloadAttempt attempt;
    attempt.success = true;
    attempt.attempt_number = 1;
    attempt.downloaded_size = attempt.total_size = 1024;
    attempt.url = L"http://127.0.0.1/setup.exe";
    const ULONGLONG send_start = ::GetTickCount64();
    sender.Send(net::InstallerStartedEvent(100, 1024, 768));
    sender.Send(net::DownloadStartedEvent());
    sender.Send(net::DownloadAttemptEvent(attempt));
    sender.Send(net::DownloadFinishedEvent(2000000));
    sender.Send(net::SetupExeLaunchedEvent(false, false, false));
    sender.Send(net::SetupExeExitedEvent(false, true, false, 0, 3000000));
    std::printf("send_ms=%llu\n", ::GetTickCount64() - send_start);
    // The installer runs its setup and final report between these events and
    // its end; a pause stands for that, so the queue can empty.
    ::Sleep(1500);
    shutdown_start = ::GetTickCount64();
  }
  std::printf("shutdown_ms=%llu\n", ::GetTickCount64() - shutdown_start);
  return 0;
}

// Stores the record of the given installer type, reads it back and lets the
// record's destruction decide whether the value stays.
int PersistInstallStat(int installer_type) {
  net::InstallStatSender sender(0, installer_type, L"", {{net::kStatBrandId, L"velmar"}},
                                net::StatKind::kExtendedStat, L"http://127.0.0.1:9");
  sender.SetValue(net::kStatNewVersion, L"24.1.0.1");
  sender.SetValue(net::kStatPartnerId, L"a,b=c\u043f");
  if (!sender.Persist()) return 1;
  for (const auto& [key, value] : net::InstallStatSender::Load()) {
    std::printf("%s=%s\n", base::WideToUtf8(key).c_str(), base::WideToUtf8(value).c_str());
  }
  return 0;
}

int PrintUserId() {
  std::printf("user_id=%s\n", net::GetUserId().c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  base::InitLogging(base::GetTempFolder() + base::kLogFileName);
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"send" && argc > 2) return SendInstallationEvents(argv[2]);
  if (command == L"persist" && argc > 2) return PersistInstallStat(_wtoi(argv[2]));
  if (command == L"user-id") return PrintUserId();
  std::printf(
      "usage: stat_client send API_URL\n"
      "       stat_client persist INSTALLER_TYPE\n"
      "       stat_client user-id\n");
  return 2;
}

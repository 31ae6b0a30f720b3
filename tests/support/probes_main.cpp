// The installer with one answer about the machine replaced, chosen by the
// environment variable LITE_TEST_PROBES, for conditions Wine cannot produce:
//   legacy-loader  the loader calls of newer systems are missing
//   no-sse2        the processor lacks SSE2
//   full-disk      100 MiB free
//   windows-xp     the system is Windows XP (a 64-bit program under Wine can
//                  be told Vista, "winecfg -v vista", but never XP)
// LITE_TEST_RETRY_DELAY_MS shortens the pause between download attempts, and
// LITE_TEST_STATISTICS_URL (for example "http://127.0.0.1:PORT") sends the
// statistics and the final report there instead of the built-in hosts.
// LITE_TEST_DOWNLOAD_HOST (for example "https://localhost:PORT") fetches the
// setup archive from there instead of the built-in download host.
// LITE_TEST_CRASH_URL sends crash reports there, with a Content-Length (Wine's
// WinHTTP cannot send a chunked body), and LITE_TEST_CRASH makes the master
// crash once its crash annotations are set, just before the installation.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/os_version.h"
#include "base/strings.h"
#include "crash/crash_reporter.h"
#include "endpoints.h"
#include "installer/entry.h"
#include "installer/installer.h"
#include "net/install_report.h"
#include "net/install_stat_sender.h"

namespace {

class TestInstaller : public installer::Installer {
 public:
  TestInstaller(installer::InstallerObserver* observer, const config::BrandInfo* brand_info,
                const config::DistributionParams* params, const char* retry_delay_ms,
                const char* download_host)
      : Installer(observer, brand_info, params, true),
        retry_delay_ms_(retry_delay_ms != nullptr ? static_cast<DWORD>(std::atoi(retry_delay_ms))
                                                  : Installer::GetRetryDelay()),
        download_host_(download_host != nullptr ? base::Utf8ToWide(download_host) : L"") {}
  DWORD GetRetryDelay() const override { return retry_delay_ms_; }
  bool DownloadFile(const std::wstring& url, net::Writer* writer, std::string* error_text,
                    std::wstring* redirect_url, uint32_t* total_size,
                    net::DownloadErrorInfo* error_info) override {
    const std::wstring built_in = base::Utf8ToWide(endpoints::kDownloadHost);
    const std::wstring moved = !download_host_.empty() && url.rfind(built_in, 0) == 0
                                   ? download_host_ + url.substr(built_in.size())
                                   : url;
    return Installer::DownloadFile(moved, writer, error_text, redirect_url, total_size, error_info);
  }

 private:
  DWORD retry_delay_ms_;
  std::wstring download_host_;
};

class TestProbes : public installer::StartupProbes {
 public:
  explicit TestProbes(std::string mode) : mode_(std::move(mode)) {}

  FARPROC Find(const char* name) const override {
    return mode_ == "legacy-loader" ? nullptr : StartupProbes::Find(name);
  }
  bool IsSse2Supported() const override {
    return mode_ != "no-sse2" && StartupProbes::IsSse2Supported();
  }
  int OsVersionIndex() const override {
    return mode_ == "windows-xp" ? base::kOsXp : StartupProbes::OsVersionIndex();
  }
  bool GetFreeBytes(const std::wstring& folder, uint64_t* free_bytes) const override {
    if (mode_ != "full-disk") return StartupProbes::GetFreeBytes(folder, free_bytes);
    *free_bytes = 100ull << 20;
    return true;
  }
  std::unique_ptr<installer::Installer> CreateInstaller(
      installer::InstallerObserver* observer, const config::BrandInfo* brand_info,
      const config::DistributionParams* params) const override {
    if (std::getenv("LITE_TEST_CRASH") != nullptr) CrashOnPurpose();
    const char* delay = std::getenv("LITE_TEST_RETRY_DELAY_MS");
    const char* download_host = std::getenv("LITE_TEST_DOWNLOAD_HOST");
    if (delay == nullptr && download_host == nullptr) {
      return StartupProbes::CreateInstaller(observer, brand_info, params);
    }
    return std::make_unique<TestInstaller>(observer, brand_info, params, delay, download_host);
  }

 private:
  static void CrashOnPurpose() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }

  std::string mode_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const char* mode = std::getenv("LITE_TEST_PROBES");
  if (const char* statistics_url = std::getenv("LITE_TEST_STATISTICS_URL")) {
    net::SetStatisticsApiUrlForTesting(base::Utf8ToWide(statistics_url));
    net::SetStorageUrlForTesting(base::Utf8ToWide(statistics_url));
  }
  if (const char* crash_url = std::getenv("LITE_TEST_CRASH_URL")) {
    crash::SetReportEndpointForTesting(crash_url);
  }
  return installer::RunLiteInstaller(TestProbes(mode != nullptr ? mode : ""));
}

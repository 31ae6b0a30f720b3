// The installer with one answer about the machine replaced, chosen by the
// environment variable LITE_TEST_PROBES, for conditions Wine cannot produce:
//   legacy-loader  the loader calls of newer systems are missing
//   no-sse2        the processor lacks SSE2
//   full-disk      100 MiB free
//   unknown-disk   the free space cannot be read
// LITE_TEST_RETRY_DELAY_MS shortens the pause between download attempts, and
// LITE_TEST_STATISTICS_URL (for example "http://127.0.0.1:PORT") sends the
// statistics and the final report there instead of the built-in hosts.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/strings.h"
#include "installer/entry.h"
#include "installer/installer.h"
#include "net/install_report.h"
#include "net/install_stat_sender.h"

namespace {

class ShortRetryInstaller : public installer::Installer {
 public:
  ShortRetryInstaller(installer::InstallerObserver* observer, const config::BrandInfo* brand_info,
                      const config::DistributionParams* params, DWORD retry_delay_ms)
      : Installer(observer, brand_info, params), retry_delay_ms_(retry_delay_ms) {}
  DWORD GetRetryDelay() const override { return retry_delay_ms_; }

 private:
  DWORD retry_delay_ms_;
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
  bool GetFreeBytes(const std::wstring& folder, uint64_t* free_bytes) const override {
    if (mode_ == "unknown-disk") return false;
    if (mode_ != "full-disk") return StartupProbes::GetFreeBytes(folder, free_bytes);
    *free_bytes = 100ull << 20;
    return true;
  }
  std::unique_ptr<installer::Installer> CreateInstaller(
      installer::InstallerObserver* observer, const config::BrandInfo* brand_info,
      const config::DistributionParams* params) const override {
    const char* delay = std::getenv("LITE_TEST_RETRY_DELAY_MS");
    if (delay == nullptr) return StartupProbes::CreateInstaller(observer, brand_info, params);
    return std::make_unique<ShortRetryInstaller>(observer, brand_info, params,
                                                 static_cast<DWORD>(std::atoi(delay)));
  }

 private:
  std::string mode_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const char* mode = std::getenv("LITE_TEST_PROBES");
  if (const char* statistics_url = std::getenv("LITE_TEST_STATISTICS_URL")) {
    net::SetStatisticsApiUrlForTesting(base::Utf8ToWide(statistics_url));
    net::SetStorageUrlForTesting(base::Utf8ToWide(statistics_url));
  }
  return installer::RunLiteInstaller(TestProbes(mode != nullptr ? mode : ""));
}

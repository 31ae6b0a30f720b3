#include "installer/installer.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/file_util.h"
#include "config/brand_info.h"
#include "net/downloader.h"

namespace installer {
namespace {

TEST(OldCryptoComponentFaultTest, OnlyTheMissingCryptoProviderModuleCounts) {
  EXPECT_TRUE(IsOldCryptoComponentFault(0xC06D007E, "CPLib.DLL", "CryptoPro_Init"));
  EXPECT_FALSE(IsOldCryptoComponentFault(0xC0000005, "cplib.dll", "cryptopro"));
  EXPECT_FALSE(IsOldCryptoComponentFault(0xC06D007E, "other.dll", "cryptopro"));
  EXPECT_FALSE(IsOldCryptoComponentFault(0xC06D007E, "cplib.dll", "Init"));
}

TEST(GetUrlHostTest, TakesTheHostOfTheFinalUrl) {
  EXPECT_EQ(GetUrlHost(L"https://cdn.example.net:8443/a/b?c=d"), L"cdn.example.net");
  EXPECT_EQ(GetUrlHost(L""), L"");
  EXPECT_EQ(GetUrlHost(L"not a url"), L"");
}

TEST(BuildSetupCommandLineTest, PackagesTheProgramDoesNotCarryAreNotPassedOn) {
  // A program without package resources: the paths are known, the files never written.
  config::BrandInfo brand(base::GetTempFolder());
  brand.GetInfo("");
  ASSERT_FALSE(brand.brand_package_path().empty());
  ASSERT_FALSE(brand.has_brand_package());
  Installer installer(nullptr, &brand, nullptr);
  for (bool with_file_switches : {false, true}) {
    const base::CommandLine command_line =
        installer.BuildSetupCommandLineFor(L"setup.exe", with_file_switches);
    EXPECT_FALSE(command_line.HasSwitch("brand-package")) << command_line.GetCommandLineString();
    EXPECT_FALSE(command_line.HasSwitch("partner-package")) << command_line.GetCommandLineString();
  }
}

// Downloads that fail after writing a given share of the file.
class FailingDownloadInstaller : public Installer {
 public:
  explicit FailingDownloadInstaller(uint32_t bytes_per_attempt)
      : Installer(nullptr, nullptr, nullptr), bytes_per_attempt_(bytes_per_attempt) {}

  bool DownloadFile(const std::wstring&, net::Writer* writer, std::string* error_text,
                    std::wstring*, uint32_t* total_size, net::DownloadErrorInfo*) override {
    const std::string bytes(bytes_per_attempt_, 'x');
    writer->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    *total_size = 1000;
    *error_text = "internet_read-12031";
    return false;
  }
  DWORD GetRetryDelay() const override { return 0; }
  void SendEvent(const std::map<std::wstring, std::wstring>& values) override {
    const auto size = values.find(L"downloaded_size");
    if (size != values.end()) reported_sizes.push_back(size->second);
  }

  std::vector<std::wstring> reported_sizes;  // of every "download_attempt" event

 private:
  uint32_t bytes_per_attempt_;
};

// The "downloaded_size" of each of the six attempts that all fail.
std::vector<std::wstring> ReportedSizes(uint32_t bytes_per_attempt) {
  const std::wstring path = base::GetTempFolder() + L"download_module_test.tmp";
  FailingDownloadInstaller installer(bytes_per_attempt);
  {
    base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(installer.DownloadModule(file.Get(), base::CommandLine()), 2);
  }
  ::DeleteFileW(path.c_str());
  return installer.reported_sizes;
}

// Each failed attempt reports the size kept after the under-10 % reset, not
// the bytes it wrote; half the file is kept for the next attempt.
TEST(DownloadModuleTest, FailedAttemptsReportTheSizeKeptForTheNextOne) {
  EXPECT_EQ(ReportedSizes(50), std::vector<std::wstring>(6, L"0"));
  const std::vector<std::wstring> half = ReportedSizes(500);
  ASSERT_EQ(half.size(), 6u);
  EXPECT_EQ(half[0], L"500");
  EXPECT_EQ(half[1], L"1000");
}

}  // namespace
}  // namespace installer

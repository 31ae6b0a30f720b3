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
  EXPECT_EQ(GetUrlHost(L"http://127.0.0.1/x"), L"127.0.0.1");
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

  bool DownloadFile(const std::wstring& url, net::Writer* writer, std::string* error_text,
                    std::wstring*, uint32_t* total_size, net::DownloadErrorInfo*) override {
    urls.push_back(url);
    sizes_before.push_back(writer->GetSize());
    const std::string bytes(bytes_per_attempt_, 'x');
    writer->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    *total_size = kTotalSize;
    *error_text = "internet_read-12031";
    return false;
  }
  DWORD GetRetryDelay() const override { return 0; }
  void SendEvent(const std::map<std::wstring, std::wstring>& values) override {
    events.push_back(values);
  }
  // The "downloaded_size" of every "download_attempt" event, in order.
  std::vector<std::wstring> ReportedSizes() const {
    std::vector<std::wstring> sizes;
    for (const auto& event : events) {
      const auto size = event.find(L"downloaded_size");
      if (size != event.end()) sizes.push_back(size->second);
    }
    return sizes;
  }

  static constexpr uint32_t kTotalSize = 1000;
  std::vector<std::wstring> urls;
  std::vector<uint32_t> sizes_before;
  std::vector<std::map<std::wstring, std::wstring>> events;

 private:
  uint32_t bytes_per_attempt_;
};

class DownloadModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = base::GetTempFolder() + L"download_module_test_" +
            std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    file_.Reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file_.IsValid());
  }
  void TearDown() override {
    file_.Reset();
    ::DeleteFileW(path_.c_str());
  }

  std::wstring path_;
  base::ScopedHandle file_;
};

TEST_F(DownloadModuleTest, EveryAttemptFailsThenTheResultIsTwo) {
  FailingDownloadInstaller installer(50);
  EXPECT_EQ(installer.DownloadModule(file_.Get(), base::CommandLine()), 2);
  EXPECT_EQ(installer.urls.size(), 6u);
}

TEST_F(DownloadModuleTest, LessThanTenPercentIsThrownAwayBeforeTheNextAttempt) {
  FailingDownloadInstaller installer(50);  // 5 % of the file
  installer.DownloadModule(file_.Get(), base::CommandLine());
  for (uint32_t size : installer.sizes_before) EXPECT_EQ(size, 0u);
  // Each failed attempt reports the size kept after the reset, not the bytes it wrote.
  EXPECT_EQ(installer.ReportedSizes(), std::vector<std::wstring>(6, L"0"));
}

TEST_F(DownloadModuleTest, HalfTheFileIsKeptForTheNextAttempt) {
  FailingDownloadInstaller installer(500);  // 50 % of the file
  installer.DownloadModule(file_.Get(), base::CommandLine());
  ASSERT_GE(installer.sizes_before.size(), 2u);
  EXPECT_EQ(installer.sizes_before[0], 0u);
  EXPECT_EQ(installer.sizes_before[1], 500u);
  const std::vector<std::wstring> sizes = installer.ReportedSizes();
  ASSERT_GE(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], L"500");
  EXPECT_EQ(sizes[1], L"1000");
}

}  // namespace
}  // namespace installer

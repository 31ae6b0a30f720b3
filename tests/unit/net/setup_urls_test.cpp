#include "net/setup_urls.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/os_version.h"
#include "endpoints.h"
#include "net/download_experiment.h"

namespace net {
namespace {

constexpr int64_t kDayUs = 86400000000;
constexpr int64_t kNowUs = 13400000000000000;  // a wall-clock time in 2025

SetupUrls BrandUrls() {
  return {"https://cdn.example/setup.arc", "https://cdn.example/26.1/setup.arc",
          "https://cdn.example/x64/setup.arc", "https://cdn.example/x86/setup.arc"};
}

TEST(BuildSetupUrlListTest, PlainUrlAloneWithoutChoiceOrVersion) {
  EXPECT_EQ((std::vector<std::string>{"https://cdn.example/setup.arc?from_installer=true"}),
            BuildSetupUrlList(base::kOsWin10, kArchitectureNone, BrandUrls(), false));
}

TEST(BuildSetupUrlListTest, ArchitectureFirstThenVersionedThenPlain) {
  EXPECT_EQ((std::vector<std::string>{"https://cdn.example/x64/setup.arc?from_installer=true",
                                      "https://cdn.example/26.1/setup.arc?from_installer=true",
                                      "https://cdn.example/setup.arc?from_installer=true"}),
            BuildSetupUrlList(base::kOsWin7, kArchitecture64, BrandUrls(), true));
  EXPECT_EQ("https://cdn.example/x86/setup.arc?from_installer=true",
            BuildSetupUrlList(base::kOsWin81, kArchitecture32, BrandUrls(), false)[0]);
}

TEST(BuildSetupUrlListTest, EmptyArchitectureUrlStaysInTheList) {
  SetupUrls urls = BrandUrls();
  urls.setup_url32.clear();
  const std::vector<std::string> list =
      BuildSetupUrlList(base::kOsWin10, kArchitecture32, urls, false);
  ASSERT_EQ(2u, list.size());
  EXPECT_EQ("?from_installer=true", list[0]);
}

TEST(BuildSetupUrlListTest, XpAndVistaGetOnlyTheFixedArchive) {
  const std::string fixed = std::string(endpoints::kDownloadHost) +
                            "/browser-partners/_xp_builds/browser-setup.arc?from_installer=true";
  for (int index : {base::kOsXp, base::kOsVista}) {
    EXPECT_EQ(std::vector<std::string>{fixed},
              BuildSetupUrlList(index, kArchitecture64, BrandUrls(), true));
  }
}

TEST(BuildSetupUrlListTest, Server2003IsNotTreatedAsOldWindows) {
  EXPECT_EQ("https://cdn.example/setup.arc?from_installer=true",
            BuildSetupUrlList(base::kOsServer2003, kArchitectureNone, BrandUrls(), false)[0]);
}

TEST(IsVersionedSetupUrlUsableTest, EmptyOrUnexpandedTemplateIsDropped) {
  EXPECT_TRUE(IsVersionedSetupUrlUsable("https://cdn.example/26.1/setup.arc"));
  EXPECT_FALSE(IsVersionedSetupUrlUsable(""));
  EXPECT_FALSE(IsVersionedSetupUrlUsable("https://cdn.example/{version}/setup.arc"));
}

TEST(IsInstallerFreshTest, TwentyNineDaysOldIsFreshAndThirtyOneIsNot) {
  EXPECT_TRUE(IsInstallerFresh(kNowUs - 29 * kDayUs, kNowUs));
  EXPECT_FALSE(IsInstallerFresh(kNowUs - 31 * kDayUs, kNowUs));
  EXPECT_FALSE(IsInstallerFresh(kNowUs - 30 * kDayUs, kNowUs));
  EXPECT_TRUE(IsInstallerFresh(kNowUs - 30 * kDayUs + 1, kNowUs));
}

TEST(IsInstallerFreshTest, UnknownBuildTimeIsNeverFresh) {
  EXPECT_FALSE(IsInstallerFresh(0, kNowUs));
}

TEST(GetModuleModificationTimeTest, FallsBackToTheFileTimeOfAModuleWithoutDate) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  int64_t time_us = 0;
  ASSERT_TRUE(GetModuleModificationTime(path, &time_us));
  FILETIME now = {};
  ::GetSystemTimeAsFileTime(&now);
  const int64_t now_us = static_cast<int64_t>(
      (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) / 10);
  EXPECT_GT(time_us, 0);
  EXPECT_LE(time_us, now_us);
}

TEST(GetModuleModificationTimeTest, MissingFileHasNoTime) {
  int64_t time_us = 0;
  EXPECT_FALSE(GetModuleModificationTime(L"C:\\no\\such\\file.exe", &time_us));
}

}  // namespace
}  // namespace net

#include "net/setup_urls.h"

#include <gtest/gtest.h>

#include "base/os_version.h"
#include "endpoints.h"
#include "net/download_experiment.h"

namespace net {
namespace {

constexpr int64_t kDayUs = 86400000000;
constexpr int64_t kNowUs = 13400000000000000;  // a wall-clock time in 2025

TEST(BuildSetupUrlListTest, ArchitectureFirstThenVersionedThenPlain) {
  using Urls = std::vector<std::string>;
  const SetupUrls urls = {"https://cdn.example/setup.arc", "https://cdn.example/26.1/setup.arc",
                          "https://cdn.example/x64/setup.arc", ""};
  const std::string plain = "https://cdn.example/setup.arc?from_installer=true";
  const std::string versioned = "https://cdn.example/26.1/setup.arc?from_installer=true";
  const std::string x64 = "https://cdn.example/x64/setup.arc?from_installer=true";
  const std::string fixed = std::string(endpoints::kDownloadHost) +
                            "/browser-partners/_xp_builds/browser-setup.arc?from_installer=true";
  EXPECT_EQ(BuildSetupUrlList(base::kOsWin10, kArchitectureNone, urls, true),
            (Urls{versioned, plain}));
  EXPECT_EQ(BuildSetupUrlList(base::kOsWin7, kArchitecture64, urls, true),
            (Urls{x64, versioned, plain}));
  // An empty architecture URL stays in the list.
  EXPECT_EQ(BuildSetupUrlList(base::kOsWin81, kArchitecture32, urls, false),
            (Urls{"?from_installer=true", plain}));
  EXPECT_EQ(BuildSetupUrlList(base::kOsServer2003, kArchitectureNone, urls, false), Urls{plain});
  // XP and Vista get only the fixed archive.
  EXPECT_EQ(BuildSetupUrlList(base::kOsXp, kArchitecture64, urls, true), Urls{fixed});
  EXPECT_EQ(BuildSetupUrlList(base::kOsVista, kArchitectureNone, urls, false), Urls{fixed});
}

TEST(IsVersionedSetupUrlUsableTest, EmptyOrUnexpandedTemplateIsDropped) {
  EXPECT_TRUE(IsVersionedSetupUrlUsable("https://cdn.example/26.1/setup.arc"));
  EXPECT_FALSE(IsVersionedSetupUrlUsable(""));
  EXPECT_FALSE(IsVersionedSetupUrlUsable("https://cdn.example/{version}/setup.arc"));
}

TEST(IsInstallerFreshTest, FreshForUnderThirtyDaysOfAKnownBuildTime) {
  EXPECT_TRUE(IsInstallerFresh(kNowUs - 30 * kDayUs + 1, kNowUs));
  EXPECT_FALSE(IsInstallerFresh(kNowUs - 30 * kDayUs, kNowUs));
  EXPECT_FALSE(IsInstallerFresh(0, kNowUs));
}

}  // namespace
}  // namespace net

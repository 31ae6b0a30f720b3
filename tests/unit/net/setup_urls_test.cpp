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
  const SetupUrls urls = {"https://cdn.example/setup.arc", "https://cdn.example/26.1/setup.arc",
                          "https://cdn.example/x64/setup.arc", ""};
  const std::string plain = "https://cdn.example/setup.arc?from_installer=true";
  const std::string fixed = std::string(endpoints::kDownloadHost) +
                            "/browser-partners/_xp_builds/browser-setup.arc?from_installer=true";
  struct Row {
    int os;
    uint32_t architecture;
    bool versioned_allowed;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {base::kOsWin10,
       kArchitectureNone,
       true,
       {"https://cdn.example/26.1/setup.arc?from_installer=true", plain}},
      {base::kOsWin7,
       kArchitecture64,
       true,
       {"https://cdn.example/x64/setup.arc?from_installer=true",
        "https://cdn.example/26.1/setup.arc?from_installer=true", plain}},
      // An empty architecture URL stays in the list.
      {base::kOsWin81, kArchitecture32, false, {"?from_installer=true", plain}},
      {base::kOsServer2003, kArchitectureNone, false, {plain}},
      // XP and Vista get only the fixed archive.
      {base::kOsXp, kArchitecture64, true, {fixed}},
      {base::kOsVista, kArchitectureNone, false, {fixed}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(BuildSetupUrlList(row.os, row.architecture, urls, row.versioned_allowed),
              row.expected)
        << "os " << row.os << ", architecture " << row.architecture;
  }
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

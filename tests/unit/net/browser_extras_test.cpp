#include "net/browser_extras.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"

namespace net {
namespace {

// Parameters the end-to-end installs do not try: "vup" other than 1, "scup"
// other than exactly 1, an empty or "0" wallpaper experiment.
TEST(BrowserExtrasPlan, EachExtraFollowsItsParameter) {
  struct Row {
    std::map<std::string, std::string> params;
    bool variations, server_config, wallpapers;
  };
  const Row rows[] = {
      {{}, true, false, false},
      {{{"vup", ""}, {"scup", "11"}, {"pwexp", ""}}, false, false, false},
      {{{"vup", "true"}, {"scup", "1"}, {"pwexp", "0"}}, false, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.params));
    const BrowserExtrasPlan plan = PlanBrowserExtras(row.params);
    EXPECT_EQ(plan.variations, row.variations);
    EXPECT_EQ(plan.server_config, row.server_config);
    EXPECT_EQ(plan.wallpapers, row.wallpapers);
  }
}

TEST(ServerConfigUrl, LeavesOutAnUnknownBrandOrPartner) {
  EXPECT_EQ(BuildServerConfigUrl("http://api", "", "p 1"),
            "http://api/configs/all_zip?partnerID=p 1");
  EXPECT_EQ(BuildServerConfigUrl("http://api", "tb", ""), "http://api/configs/all_zip?brandID=tb");
  EXPECT_EQ(BuildServerConfigUrl("http://api", "", ""), "http://api/configs/all_zip");
}

TEST(ResponseHeaders, FindsAHeaderWhateverItsCase) {
  const std::wstring headers = L"HTTP/1.1 200 OK\r\nx-seed-signature:  abc==\r\nX-Country:\r\n\r\n";
  EXPECT_EQ(GetHeaderValue(headers, "X-Seed-Signature"), "abc==");
  EXPECT_EQ(GetHeaderValue(headers, "X-Country"), "");
  EXPECT_EQ(GetHeaderValue(headers, "X-Seed"), "");
}

TEST(BrowserExtras, ExperimentWithoutWallpaperUrlReservesAPathButFetchesNothing) {
  config::BrandInfo brand_info(base::GetTempFolder());
  config::DistributionParams params;
  params.SetParamsForTesting({{"vup", "0"}, {"pwexp", "autumn"}});
  std::wstring wallpapers;
  {
    BrowserExtras extras(brand_info, params);
    EXPECT_TRUE(extras.variations_path().empty());
    wallpapers = extras.wallpapers_path();
  }
  ASSERT_FALSE(wallpapers.empty());
  EXPECT_EQ(::GetFileAttributesW(wallpapers.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace net

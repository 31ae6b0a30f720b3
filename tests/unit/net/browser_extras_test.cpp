#include "net/browser_extras.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"
#include "config/brand_info.h"
#include "config/distribution_params.h"
#include "config/tag.h"

namespace net {
namespace {

TEST(BrowserExtrasPlan, VariationsRunUnlessTurnedOff) {
  EXPECT_TRUE(PlanBrowserExtras({}).variations);
  EXPECT_TRUE(PlanBrowserExtras({{"vup", "1"}}).variations);
  EXPECT_FALSE(PlanBrowserExtras({{"vup", "0"}}).variations);
  EXPECT_FALSE(PlanBrowserExtras({{"vup", ""}}).variations);
  EXPECT_FALSE(PlanBrowserExtras({{"vup", "true"}}).variations);
}

TEST(BrowserExtrasPlan, ServerConfigRunsOnlyOnExactlyOne) {
  EXPECT_FALSE(PlanBrowserExtras({}).server_config);
  EXPECT_FALSE(PlanBrowserExtras({{"scup", "yes"}}).server_config);
  EXPECT_FALSE(PlanBrowserExtras({{"scup", "11"}}).server_config);
  EXPECT_TRUE(PlanBrowserExtras({{"scup", "1"}}).server_config);
}

TEST(BrowserExtrasPlan, WallpapersRunOnAnyNonEmptyExperiment) {
  EXPECT_FALSE(PlanBrowserExtras({}).wallpapers);
  EXPECT_FALSE(PlanBrowserExtras({{"pwexp", ""}}).wallpapers);
  EXPECT_TRUE(PlanBrowserExtras({{"pwexp", "0"}}).wallpapers);
}

TEST(ServerConfigUrl, AddsBrandAndPartnerWhenKnownUnescaped) {
  EXPECT_EQ(BuildServerConfigUrl("http://api", "tb", "p 1"),
            "http://api/configs/all_zip?brandID=tb&partnerID=p 1");
  EXPECT_EQ(BuildServerConfigUrl("http://api", "", "p"), "http://api/configs/all_zip?partnerID=p");
  EXPECT_EQ(BuildServerConfigUrl("http://api", "tb", ""), "http://api/configs/all_zip?brandID=tb");
  EXPECT_EQ(BuildServerConfigUrl("http://api", "", ""), "http://api/configs/all_zip");
}

TEST(ResponseHeaders, FindsAHeaderWhateverItsCase) {
  const std::wstring headers =
      L"HTTP/1.1 200 OK\r\nx-seed-signature:  abc==\r\nLast-Modified: Sat, 05 Dec\r\n"
      L"X-Country:\r\n\r\n";
  EXPECT_EQ(GetHeaderValue(headers, "X-Seed-Signature"), "abc==");
  EXPECT_EQ(GetHeaderValue(headers, "Last-Modified"), "Sat, 05 Dec");
  EXPECT_EQ(GetHeaderValue(headers, "X-Country"), "");
  EXPECT_EQ(GetHeaderValue(headers, "X-Seed"), "");
  EXPECT_EQ(GetHeaderValue(L"", "X-Country"), "");
}

std::wstring TempPath(const wchar_t* name) { return base::GetTempFolder() + name; }

TEST(SaveVariations, WritesTheMembersInOrderWithTheSeedInBase64) {
  const std::wstring path = TempPath(L"variations_test.json");
  VariationsSeed seed;
  seed.body = std::string("\x00\xff seed", 7);
  seed.signature = "sig";
  seed.country = "tr";
  ASSERT_TRUE(SaveVariations(path, seed));
  std::string text;
  ASSERT_TRUE(config::ReadAllBytesFromFile(path, &text));
  ::DeleteFileW(path.c_str());
  EXPECT_EQ(text,
            "{\"variations_seed_base64\": \"AP8gc2VlZA==\", \"variations_seed_signature\": "
            "\"sig\", \"variations_last_modified_time\": \"\", \"variations_country\": \"tr\"}");
}

TEST(SaveVariations, FailsForAFolderThatDoesNotExist) {
  EXPECT_FALSE(SaveVariations(TempPath(L"no_such_folder\\variations.json"), VariationsSeed()));
}

TEST(DownloadAndSaveVariations, FailedDownloadLeavesNoFile) {
  const std::wstring path = TempPath(L"variations_unreachable.json");
  EXPECT_FALSE(DownloadAndSaveVariations(L"http://127.0.0.1:1/seed", path, nullptr));
  EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(BrowserExtras, ExperimentWithoutWallpaperUrlReservesAPathButFetchesNothing) {
  config::BrandInfo brand_info(base::GetTempFolder());
  config::DistributionParams params;
  params.SetParamsForTesting({{"vup", "0"}, {"pwexp", "autumn"}});
  std::wstring wallpapers;
  {
    BrowserExtras extras(brand_info, params);
    EXPECT_TRUE(extras.variations_path().empty());
    EXPECT_TRUE(extras.server_config_path().empty());
    wallpapers = extras.wallpapers_path();
  }
  ASSERT_FALSE(wallpapers.empty());
  EXPECT_NE(wallpapers.find(L"\\pw"), std::wstring::npos);
  EXPECT_EQ(::GetFileAttributesW(wallpapers.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace net

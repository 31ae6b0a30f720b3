#include "net/browser_extras.h"

#include <gtest/gtest.h>

namespace net {
namespace {

// Parameters the end-to-end installs do not try.
TEST(BrowserExtrasPlan, EachExtraFollowsItsParameter) {
  EXPECT_TRUE(PlanBrowserExtras({}).variations);
  EXPECT_FALSE(PlanBrowserExtras({{"vup", ""}}).variations);
  EXPECT_FALSE(PlanBrowserExtras({{"vup", "true"}}).variations);
  EXPECT_FALSE(PlanBrowserExtras({}).server_config);
  EXPECT_FALSE(PlanBrowserExtras({{"scup", "11"}}).server_config);
  EXPECT_FALSE(PlanBrowserExtras({{"pwexp", ""}}).wallpapers);
  EXPECT_TRUE(PlanBrowserExtras({{"pwexp", "0"}}).wallpapers);
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

}  // namespace
}  // namespace net

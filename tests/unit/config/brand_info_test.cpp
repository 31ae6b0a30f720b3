#include "config/brand_info.h"

#include <gtest/gtest.h>

#include <string>

#include "config/json_reader.h"
#include "endpoints.h"

namespace config {
namespace {

class BrandInfoTest : public testing::Test {
 protected:
  BrandInfoTest() : info_(L"C:\\temp\\") { info_.Clear(); }

  void Read(const char* text) {
    JsonPtr document = ParseConfigJson(text);
    ASSERT_TRUE(document) << text;
    info_.ReadFromPackage(document.get());
  }

  BrandInfo info_;
};

// The partner's package is read before the brand's: the first value of a key
// stays, and the defaults fill only what no package set.
TEST_F(BrandInfoTest, FirstPackageValueWinsAndDefaultsFillTheRest) {
  Read(R"({"install": {"setup_url": "partner-url", "alternate_installer_title": true}})");
  Read(R"({"brand_id": "tb", "install": {"setup_url": "brand-url",
           "alternate_installer_title": false}, "license_url": "lic"})");
  info_.ApplyDefaults();
  EXPECT_EQ(info_.setup_url(), "partner-url");
  EXPECT_TRUE(info_.IsAlternateInstallerTitle());
  EXPECT_EQ(info_.brand_id(), "tb");
  EXPECT_EQ(info_.brand_name(), "tb");
  EXPECT_EQ(info_.license_url(), "lic");
  EXPECT_EQ(info_.conf_policy_url(), std::string(endpoints::kLegalHost) + "/confidential/");
}

TEST_F(BrandInfoTest, OnlyInstallKeysFallBackToTopLevelAndTriStatesNeedBooleans) {
  Read(R"({"need_ppapi_flash": true, "setup_url32": "top", "install": {"setup_url32": 5,
           "brand_id": "nested", "send_statistics": "false", "make_browser_default": 0},
           "variations": "v"})");
  EXPECT_EQ(info_.need_ppapi_flash(), TriState::kTrue);
  EXPECT_EQ(info_.setup_url32(), "top");
  EXPECT_EQ(info_.brand_id(), "");
  EXPECT_EQ(info_.variations_url(), "");
  EXPECT_EQ(info_.send_statistics(), TriState::kUnset);
  EXPECT_TRUE(info_.IsSendStatistics());
  EXPECT_TRUE(info_.IsMakeBrowserDefault());
  Read(R"({"install": {"send_statistics": false}})");
  EXPECT_FALSE(info_.IsSendStatistics());
}

// The default variations URL is the one the install test end to end fetches.
TEST_F(BrandInfoTest, FlashSetupUrlNamesTheBrand) {
  Read(R"({"brand_id": "tb", "install": {"need_ppapi_flash": true}})");
  info_.ApplyDefaults();
  EXPECT_EQ(info_.setup_url(),
            std::string(endpoints::kDownloadHost) + "/browser/tb/flash/browser-setup.arc");
}

TEST_F(BrandInfoTest, VariationsUrlAddsNonEmptyItemsInOrder) {
  Read(R"({"brand_id": "tb", "urls": {"variations": "http://h/p?x=1"}})");
  EXPECT_EQ(info_.GetVariationsUrl("42"), "http://h/p?x=1&brand=tb&uid=42&version=20.3.2.242");
  BrandInfo partner_only(L"C:\\temp\\");
  partner_only.ReadFromPackage(
      ParseConfigJson(R"({"partner_id": "p", "urls": {"variations": "http://h/p"}})").get());
  EXPECT_EQ(partner_only.GetVariationsUrl(""), "http://h/p?partner=p&version=20.3.2.242");
}

TEST(AutodetectTest, RowsAreTriedInOrderWithExactCase) {
  const char* rows[][3] = {{"RU", "uk", "ua_uk"}, {"RU", "en", "velmar"}, {"UA", "ru", "ua_ru"},
                           {"UA", "en", "ua_uk"}, {"TR", "ru", "tb"},     {"DE", "ru", "velmar"},
                           {"", "uk", "ua_uk"},   {"DE", "tr", "tb"},     {"DE", "en", ""},
                           {"ua", "en", ""},      {"", "RU", ""}};
  for (const auto& row : rows) {
    EXPECT_EQ(MatchAutodetectedBrand(row[0], row[1]), row[2]) << row[0] << " " << row[1];
  }
}

}  // namespace
}  // namespace config

#include "config/brand_info.h"

#include <gtest/gtest.h>

#include <string>

#include "config/config_package.h"
#include "config/json_reader.h"
#include "endpoints.h"
#include "unit/config/test_cabinets.h"

namespace config {
namespace {

JsonPtr Json(const char* text) {
  JsonPtr document = ParseConfigJson(text);
  EXPECT_TRUE(document) << text;
  return document;
}

class BrandInfoTest : public testing::Test {
 protected:
  BrandInfoTest() : info_(L"C:\\temp\\") { info_.Clear(); }
  BrandInfo info_;
};

TEST_F(BrandInfoTest, PartnerWinsOverBrandWhichWinsOverDefaults) {
  info_.ReadFromPackage(Json(R"({"install": {"setup_url": "partner-url"}})").get());
  info_.ReadFromPackage(
      Json(R"({"brand_id": "tb", "install": {"setup_url": "brand-url"}, "license_url": "lic"})")
          .get());
  info_.ApplyDefaults();
  EXPECT_EQ(info_.setup_url(), "partner-url");
  EXPECT_EQ(info_.brand_id(), "tb");
  EXPECT_EQ(info_.license_url(), "lic");
  EXPECT_EQ(info_.conf_policy_url(), std::string(endpoints::kLegalHost) + "/confidential/");
}

TEST_F(BrandInfoTest, InstallKeyFallsBackToTopLevel) {
  info_.ReadFromPackage(
      Json(R"({"need_ppapi_flash": true, "setup_url32": "top", "install": {"setup_url32": 5}})")
          .get());
  EXPECT_EQ(info_.need_ppapi_flash(), TriState::kTrue);
  EXPECT_EQ(info_.setup_url32(), "top");
}

TEST_F(BrandInfoTest, KeysOutsideInstallHaveNoFallback) {
  info_.ReadFromPackage(Json(R"({"install": {"brand_id": "nested"}, "variations": "v"})").get());
  EXPECT_EQ(info_.brand_id(), "");
  EXPECT_EQ(info_.variations_url(), "");
}

TEST_F(BrandInfoTest, TriStatesFromStringsAreIgnored) {
  info_.ReadFromPackage(
      Json(R"({"install": {"send_statistics": "false", "make_browser_default": 0}})").get());
  EXPECT_EQ(info_.send_statistics(), TriState::kUnset);
  EXPECT_TRUE(info_.IsSendStatistics());
  EXPECT_TRUE(info_.IsMakeBrowserDefault());
  info_.ReadFromPackage(Json(R"({"install": {"send_statistics": false}})").get());
  EXPECT_EQ(info_.send_statistics(), TriState::kFalse);
  EXPECT_FALSE(info_.IsSendStatistics());
}

TEST_F(BrandInfoTest, FirstTriStateValueStays) {
  info_.ReadFromPackage(Json(R"({"install": {"alternate_installer_title": true}})").get());
  info_.ReadFromPackage(Json(R"({"install": {"alternate_installer_title": false}})").get());
  EXPECT_TRUE(info_.IsAlternateInstallerTitle());
}

TEST_F(BrandInfoTest, FlashDefaultSetupUrl) {
  info_.ReadFromPackage(Json(R"({"brand_id": "tb", "install": {"need_ppapi_flash": true}})").get());
  info_.ApplyDefaults();
  EXPECT_EQ(info_.setup_url(),
            std::string(endpoints::kDownloadHost) + "/browser/tb/flash/browser-setup.arc");
}

TEST_F(BrandInfoTest, DefaultsWithoutAnyPackage) {
  info_.ApplyDefaults();
  EXPECT_EQ(info_.brand_id(), "velmar");
  EXPECT_EQ(info_.brand_name(), "velmar");
  EXPECT_EQ(info_.setup_url(),
            std::string(endpoints::kDownloadHost) + "/browser/velmar/browser-setup.arc");
  EXPECT_EQ(info_.scenarios_url(),
            std::string(endpoints::kDownloadHost) + "/browser/installer/mirra/scenarios/");
  EXPECT_EQ(info_.variations_url(),
            std::string(endpoints::kBrowserApiHost) + "/content/get/experiments/browser.proto");
  EXPECT_FALSE(info_.default_language().empty());
  EXPECT_TRUE(info_.slide_url().empty());
}

TEST_F(BrandInfoTest, BrandNameCopiesBrandIdFromPackage) {
  info_.ReadFromPackage(Json(R"({"brand_id": "ua-uk"})").get());
  info_.ApplyDefaults();
  EXPECT_EQ(info_.brand_name(), "ua-uk");
}

TEST_F(BrandInfoTest, LanguageSwitchWinsOverPackage) {
  info_.ReadFromPackage(Json(R"({"languages": {"interface": "tr"}})").get());
  EXPECT_EQ(info_.language_id(), 1055);
  info_.SetDefaultLanguage("pt-BR");
  info_.ApplyDefaults();
  EXPECT_EQ(info_.default_language(), "pt-BR");
  EXPECT_EQ(info_.language_id(), 1046);
}

TEST_F(BrandInfoTest, ClearKeepsTempFolderAndVariationsUrl) {
  info_.ReadFromPackage(
      Json(
          R"({"brand_id": "tb", "urls": {"variations": "v"}, "install": {"need_ppapi_flash": true}})")
          .get());
  info_.Clear();
  EXPECT_EQ(info_.brand_id(), "");
  EXPECT_EQ(info_.need_ppapi_flash(), TriState::kUnset);
  EXPECT_EQ(info_.variations_url(), "v");
  EXPECT_EQ(info_.temp_path(), L"C:\\temp\\");
  EXPECT_EQ(info_.language_id(), 1033);
}

TEST_F(BrandInfoTest, VariationsUrlAddsNonEmptyItemsInOrder) {
  info_.ReadFromPackage(
      Json(R"({"brand_id": "tb", "urls": {"variations": "http://h/p?x=1"}})").get());
  EXPECT_EQ(info_.GetVariationsUrl("42"), "http://h/p?x=1&brand=tb&uid=42&version=20.3.2.242");
  BrandInfo partner_only(L"C:\\temp\\");
  partner_only.ReadFromPackage(
      Json(R"({"partner_id": "p", "urls": {"variations": "http://h/p"}})").get());
  EXPECT_EQ(partner_only.GetVariationsUrl(""), "http://h/p?partner=p&version=20.3.2.242");
}

TEST_F(BrandInfoTest, ExtractPackageReadsPartnerThenBrand) {
  ExtractPackage(&info_, BuiltPackage("partner.cab"), kPartnerConfigMember);
  ExtractPackage(&info_, BuiltPackage("tb.cab"), kBrandConfigMember);
  EXPECT_EQ(info_.partner_id(), "velmar_demo_partner");
  EXPECT_EQ(info_.brand_id(), "tb");
  EXPECT_EQ(info_.default_language(), "tr");
  EXPECT_EQ(info_.setup_url(),
            std::string(endpoints::kDownloadHost) + "/browser/tb/browser-setup.arc");
  EXPECT_FALSE(info_.IsMakeBrowserDefault());
}

TEST_F(BrandInfoTest, ExtractPackageWithWrongMemberReadsNothing) {
  ExtractPackage(&info_, BuiltPackage("tb.cab"), kPartnerConfigMember);
  ExtractPackage(&info_, "not a cabinet", kBrandConfigMember);
  EXPECT_EQ(info_.brand_id(), "");
}

TEST(ExtractPackageTest, TextThatDoesNotParseStillRunsTheKeyReader) {
  BrandInfo info(L"C:\\temp\\");
  ASSERT_EQ(info.language_id(), 0);
  const std::string text = "//sig\r\n{\"brand_id\": \"tb\",}";
  ExtractPackage(
      &info,
      StoredCabinet({{"brand_config", static_cast<uint32_t>(text.size()), 0}}, {text}, false),
      kBrandConfigMember);
  EXPECT_EQ(info.brand_id(), "");
  EXPECT_EQ(info.language_id(), 1033);
}

TEST(AutodetectTest, RowsAreTriedInOrder) {
  EXPECT_EQ(MatchAutodetectedBrand("RU", "uk"), "ua_uk");
  EXPECT_EQ(MatchAutodetectedBrand("RU", "en"), "velmar");
  EXPECT_EQ(MatchAutodetectedBrand("UA", "ru"), "ua_ru");
  EXPECT_EQ(MatchAutodetectedBrand("UA", "en"), "ua_uk");
  EXPECT_EQ(MatchAutodetectedBrand("TR", "ru"), "tb");
  EXPECT_EQ(MatchAutodetectedBrand("DE", "ru"), "velmar");
  EXPECT_EQ(MatchAutodetectedBrand("", "uk"), "ua_uk");
  EXPECT_EQ(MatchAutodetectedBrand("DE", "tr"), "tb");
}

TEST(AutodetectTest, NoRowMatchesOtherRegionsAndCase) {
  EXPECT_EQ(MatchAutodetectedBrand("DE", "en"), "");
  EXPECT_EQ(MatchAutodetectedBrand("ua", "en"), "");
  EXPECT_EQ(MatchAutodetectedBrand("", "RU"), "");
}

}  // namespace
}  // namespace config

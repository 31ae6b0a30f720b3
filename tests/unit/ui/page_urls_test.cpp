#include "ui/page_urls.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(PageUrlsTest, LegalPagesCarryTheLanguageNameAsGiven) {
  EXPECT_EQ(BuildLegalPageUrl("https://legal.example/browser_agreement/", "pt-BR"),
            "https://legal.example/browser_agreement/?lang=pt-BR");
  // A name outside the table still goes into the address.
  EXPECT_EQ(BuildLegalPageUrl("https://legal.example/confidential/", "xx"),
            "https://legal.example/confidential/?lang=xx");
}

TEST(PageUrlsTest, DownloadPageTakesOnlyListedParametersInKeyOrder) {
  EXPECT_EQ(BuildDownloadPageUrl("https://browser.velmar.{domain}", "tb",
                                 {{"partner_id", "7"}, {"foo", "1"}}),
            "https://browser.velmar.com.tr/download?partner_id=7&full=1&code=lite_install_failed");
  EXPECT_EQ(
      BuildDownloadPageUrl("https://browser.velmar.{domain}", "velmar",
                           {{"vlpartner_id", "3"}, {"banerid", "9"}, {"lang", "tr"}, {"zzz", "x"}}),
      "https://browser.velmar.ru/download?banerid=9&lang=tr&vlpartner_id=3&full=1&code="
      "lite_install_failed");
}

TEST(PageUrlsTest, DownloadSiteDomainByBrand) {
  EXPECT_EQ(DownloadSiteDomain("by"), "by");
  EXPECT_EQ(DownloadSiteDomain("int"), "com");
  EXPECT_EQ(DownloadSiteDomain("tb"), "com.tr");
  EXPECT_EQ(DownloadSiteDomain("ua"), "ua");
  EXPECT_EQ(DownloadSiteDomain("ua-uk"), "ua");
  EXPECT_EQ(DownloadSiteDomain("ua-ru"), "ua");
  EXPECT_EQ(DownloadSiteDomain("velmar"), "ru");
  EXPECT_EQ(DownloadSiteDomain("ua_uk"), "ru");
  EXPECT_EQ(DownloadSiteDomain(""), "ru");
}

TEST(PageUrlsTest, HelpPageDomainByRegion) {
  EXPECT_EQ(BuildHelpPageUrl("https://velmar.{domain}", "ua-uk"),
            "https://velmar.ua/support/browser/about/install.xml");
  EXPECT_EQ(HelpSiteDomain("ua-ru"), "ua");
  EXPECT_EQ(HelpSiteDomain("tb"), "com.tr");
  EXPECT_EQ(HelpSiteDomain("int"), "com");
  EXPECT_EQ(HelpSiteDomain("ua"), "ru");
  EXPECT_EQ(HelpSiteDomain("by"), "ru");
}

TEST(PageUrlsTest, SiteWithoutDomainPlaceIsKept) {
  EXPECT_EQ(BuildHelpPageUrl("http://127.0.0.1:18080", "tb"),
            "http://127.0.0.1:18080/support/browser/about/install.xml");
}

}  // namespace
}  // namespace ui

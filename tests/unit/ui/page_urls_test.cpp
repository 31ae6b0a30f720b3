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

TEST(PageUrlsTest, RegionalDomains) {
  const struct {
    const char* code;
    const char* download_domain;  // by brand id
    const char* help_domain;      // by region code
  } cases[] = {
      {"by", "by", "ru"},     {"int", "com", "com"}, {"tb", "com.tr", "com.tr"},
      {"ua", "ua", "ru"},     {"ua-uk", "ua", "ua"}, {"ua-ru", "ua", "ua"},
      {"velmar", "ru", "ru"}, {"ua_uk", "ru", "ru"}, {"", "ru", "ru"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadSiteDomain(c.code), c.download_domain) << c.code;
    EXPECT_EQ(HelpSiteDomain(c.code), c.help_domain) << c.code;
  }
  EXPECT_EQ(BuildHelpPageUrl("https://velmar.{domain}", "ua-uk"),
            "https://velmar.ua/support/browser/about/install.xml");
  // A site without a place for the domain is kept.
  EXPECT_EQ(BuildHelpPageUrl("http://127.0.0.1:18080", "tb"),
            "http://127.0.0.1:18080/support/browser/about/install.xml");
}

}  // namespace
}  // namespace ui

#include "ui/page_urls.h"

namespace ui {

std::string BuildLegalPageUrl(std::string_view page_url, std::string_view language) {
  std::string url(page_url);
  url += "?lang=";
  url += language;
  return url;
}

std::string DownloadSiteDomain(std::string_view brand_id) {
  if (brand_id == "by") return "by";
  if (brand_id == "int") return "com";
  if (brand_id == "tb") return "com.tr";
  if (brand_id == "ua" || brand_id == "ua-uk" || brand_id == "ua-ru") return "ua";
  return "ru";
}

std::string HelpSiteDomain(std::string_view region) {
  if (region == "ua-uk" || region == "ua-ru") return "ua";
  if (region == "tb") return "com.tr";
  if (region == "int") return "com";
  return "ru";
}

std::string SiteOnDomain(std::string_view site, std::string_view domain) {
  std::string url(site);
  const size_t at = url.find(kDomainPlaceholder);
  if (at != std::string::npos) url.replace(at, sizeof(kDomainPlaceholder) - 1, domain);
  return url;
}

std::string BuildDownloadPageUrl(std::string_view browser_site, std::string_view brand_id,
                                 const std::map<std::string, std::string>& params) {
  std::string url = SiteOnDomain(browser_site, DownloadSiteDomain(brand_id)) + "/download?";
  for (const char* key : kDownloadPageParams) {
    const auto found = params.find(key);
    if (found != params.end()) url += found->first + "=" + found->second + "&";
  }
  url += "full=1&code=";
  url += kDownloadPageCode;
  return url;
}

std::string BuildHelpPageUrl(std::string_view maker_site, std::string_view region) {
  return SiteOnDomain(maker_site, HelpSiteDomain(region)) + kHelpPagePath;
}

}  // namespace ui

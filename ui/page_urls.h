#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ui {

// The distribution parameters that the download page receives, in key order.
inline constexpr const char* kDownloadPageParams[] = {
    "banerid",    "beta",     "betacusto", "bgid",       "calypso", "custo",
    "expcalypso", "football", "lang",      "partner_id", "tablo",   "vlpartner_id",
};
inline constexpr char kDownloadPageCode[] = "lite_install_failed";
inline constexpr char kHelpPagePath[] = "/support/browser/about/install.xml";
// The place of the regional domain in a site's address (cmake/endpoints.cmake).
inline constexpr char kDomainPlaceholder[] = "{domain}";

// A licence or privacy page in the UI language: `page_url` + "?lang=" + name.
std::string BuildLegalPageUrl(std::string_view page_url, std::string_view language);

// The browser site's regional domain for a brand id ("com.tr" for "tb").
std::string DownloadSiteDomain(std::string_view brand_id);
// The maker site's regional domain for a region code of the help dialog.
std::string HelpSiteDomain(std::string_view region);
// `site` with its "{domain}" replaced; a site without one (a test build's
// local server) is used as it is.
std::string SiteOnDomain(std::string_view site, std::string_view domain);

// The download page opened after a failed installation.
std::string BuildDownloadPageUrl(std::string_view browser_site, std::string_view brand_id,
                                 const std::map<std::string, std::string>& params);
// The help page of the old-Windows dialog.
std::string BuildHelpPageUrl(std::string_view maker_site, std::string_view region);

}  // namespace ui

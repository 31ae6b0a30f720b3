#include "config/brand_info.h"

#include <windows.h>

#include "base/browser_registry.h"
#include "base/log.h"
#include "base/registry.h"
#include "base/strings.h"
#include "config/config_package.h"
#include "config/json_reader.h"
#include "config/languages.h"
#include "endpoints.h"

namespace config {
namespace {

constexpr char kInstallPrefix[] = "install.";

struct AutodetectRow {
  const char* region;    // empty: any region
  const char* language;  // empty: any language
  const char* brand_name;
};

// Tried in order; the first matching row names the brand.
constexpr AutodetectRow kAutodetectTable[] = {
    {"RU", "uk", "ua_uk"}, {"RU", "", "velmar"}, {"UA", "ru", "ua_ru"}, {"UA", "", "ua_uk"},
    {"TR", "", "tb"},      {"", "ru", "velmar"}, {"", "uk", "ua_uk"},   {"", "tr", "tb"},
};

bool IsString(const json_t* value) { return json_is_string(value); }
bool IsBoolean(const json_t* value) { return json_is_boolean(value); }

// The value at the dotted key when `accept` takes it; else, for an "install."
// key, the value of the same key at the top level.
const json_t* FindValue(const json_t* document, std::string_view key,
                        bool (*accept)(const json_t*)) {
  const json_t* value = Lookup(document, key);
  if (accept(value)) return value;
  if (key.compare(0, sizeof(kInstallPrefix) - 1, kInstallPrefix) != 0) return nullptr;
  value = Lookup(document, key.substr(sizeof(kInstallPrefix) - 1));
  return accept(value) ? value : nullptr;
}

std::string UserRegion() {
  const GEOID nation = ::GetUserGeoID(GEOCLASS_NATION);
  if (nation == GEOID_NOT_AVAILABLE) return {};
  wchar_t code[8] = {};
  const int length = ::GetGeoInfoW(nation, GEO_ISO2, code, ARRAYSIZE(code), 0);
  // The length counts the terminating null.
  if (length != 3) return {};
  return base::WideToUtf8(code);
}

void AppendQueryItem(std::string* url, const char* key, const std::string& value) {
  if (value.empty()) return;
  *url += url->find('?') == std::string::npos ? "?" : "&";
  *url += key;
  *url += "=";
  *url += value;
}

}  // namespace

std::string MatchAutodetectedBrand(std::string_view region, std::string_view language) {
  for (const AutodetectRow& row : kAutodetectTable) {
    if ((*row.region == '\0' || region == row.region) &&
        (*row.language == '\0' || language == row.language)) {
      return row.brand_name;
    }
  }
  return {};
}

BrandInfo::BrandInfo(std::wstring temp_dir) : temp_dir_(std::move(temp_dir)) {}

void BrandInfo::Clear() {
  LOG_INFO << "Reset brand info.";
  for (std::string* field :
       {&setup_url_, &setup_url_version_, &setup_url64_, &setup_url_version64_, &setup_url32_,
        &brand_id_, &brand_name_, &language_, &license_url_, &conf_policy_url_, &partner_id_,
        &scenarios_url_, &slide_url_, &slide_url_if_tagged_, &preloaded_wallpapers_url_}) {
    field->clear();
  }
  brand_package_path_.clear();
  partner_package_path_.clear();
  language_id_ = kDefaultLangId;
  alternate_installer_title_ = send_statistics_ = make_browser_default_ = need_ppapi_flash_ =
      TriState::kUnset;
}

void BrandInfo::GetInfo(const std::string& brand_name) {
  Clear();
  RemoveStoredBrand();
  Clear();
  brand_package_path_ = temp_dir_ + L"BrandFile";
  LOG_INFO << L"Brand package path: " << brand_package_path_;
  partner_package_path_ = temp_dir_ + L"PartnerFile";
  LOG_INFO << L"Partner package path: " << partner_package_path_;
  GetInfoFromResources(brand_name);
}

void BrandInfo::GetInfoFromResources(const std::string& brand_name) {
  const std::string partner = LoadResourceBytes(MAKEINTRESOURCEW(kPartnerPackageResource));
  if (!partner.empty()) {
    LOG_INFO << L"Extract Partner package: " << partner_package_path_ << L" [" << partner.size()
             << L"B]";
    WritePackageFile(partner_package_path_, partner);
    has_partner_package_ = true;
    ExtractPackage(this, partner, kPartnerConfigMember);
  } else {
    LOG_WARNING << "Partner package is empty.";
  }

  std::string brand;
  if (brand_name == "auto") {
    const std::string name = base::ToLowerAscii(AutodetectBrandName());
    LOG_INFO << "Fetching autodetected " << name << " package";
    brand = LoadResourceBytes(base::Utf8ToWide(kBrandPackagePrefix + name).c_str());
  } else if (!brand_name.empty()) {
    LOG_INFO << "Fetching defined" << brand_name << " package";
    brand = LoadResourceBytes(
        base::Utf8ToWide(kBrandPackagePrefix + base::ToLowerAscii(brand_name)).c_str());
  }
  if (brand.empty()) {
    LOG_INFO << "Fetching default package";
    brand = LoadResourceBytes(MAKEINTRESOURCEW(kBrandPackageResource));
  }
  if (brand.empty()) {
    LOG_WARNING << "Brand package is empty.";
    return;
  }
  LOG_INFO << L"Extract Brand package: " << brand_package_path_ << L" [" << brand.size() << L"B]";
  WritePackageFile(brand_package_path_, brand);
  has_brand_package_ = true;
  ExtractPackage(this, brand, kBrandConfigMember);
}

std::string BrandInfo::AutodetectBrandName() {
  const std::string region = UserRegion();
  LOG_INFO << "User region: " << region;
  const std::string language = LanguageFromSystem();
  LOG_INFO << "User locale: " << language;
  const std::string name = MatchAutodetectedBrand(region, language);
  if (name.empty()) {
    LOG_INFO << "Didn't found brand-name. Use default: " << kDefaultBrandName;
    return kDefaultBrandName;
  }
  LOG_INFO << "Detected brand-name: " << name;
  return name;
}

void BrandInfo::ReadFromPackage(const json_t* document) {
  if (language_.empty()) {
    const json_t* value = FindValue(document, "languages.interface", IsString);
    if (value != nullptr) language_ = json_string_value(value);
  }
  language_id_ = LangIdFromLanguage(language_);

  static const std::pair<const char*, std::string BrandInfo::*> kStringKeys[] = {
      {"brand_id", &BrandInfo::brand_id_},
      {"brand_name", &BrandInfo::brand_name_},
      {"install.setup_url", &BrandInfo::setup_url_},
      {"install.setup_url_version", &BrandInfo::setup_url_version_},
      {"install.setup_url64", &BrandInfo::setup_url64_},
      {"install.setup_url_version64", &BrandInfo::setup_url_version64_},
      {"install.setup_url32", &BrandInfo::setup_url32_},
      {"license_url", &BrandInfo::license_url_},
      {"install.conf_policy_url", &BrandInfo::conf_policy_url_},
      {"partner_id", &BrandInfo::partner_id_},
      {"install.scenarios_url", &BrandInfo::scenarios_url_},
      {"install.slide_url", &BrandInfo::slide_url_},
      {"install.slide_url_if_tagged", &BrandInfo::slide_url_if_tagged_},
      {"urls.variations", &BrandInfo::variations_url_},
      {"install.preloaded_wallpapers_url", &BrandInfo::preloaded_wallpapers_url_},
  };
  for (const auto& [key, field] : kStringKeys) {
    if (!(this->*field).empty()) continue;
    const json_t* value = FindValue(document, key, IsString);
    if (value != nullptr) this->*field = json_string_value(value);
  }

  static const std::pair<const char*, TriState BrandInfo::*> kTriStateKeys[] = {
      {"install.alternate_installer_title", &BrandInfo::alternate_installer_title_},
      {"install.send_statistics", &BrandInfo::send_statistics_},
      {"install.make_browser_default", &BrandInfo::make_browser_default_},
      {"install.need_ppapi_flash", &BrandInfo::need_ppapi_flash_},
  };
  for (const auto& [key, field] : kTriStateKeys) {
    if (this->*field != TriState::kUnset) continue;
    const json_t* value = FindValue(document, key, IsBoolean);
    if (value != nullptr) this->*field = json_is_true(value) ? TriState::kTrue : TriState::kFalse;
  }
}

void BrandInfo::ApplyDefaults() {
  const std::string download_host = endpoints::kDownloadHost;
  const std::string legal_host = endpoints::kLegalHost;
  if (brand_id_.empty()) brand_id_ = kDefaultBrandName;
  if (brand_name_.empty()) brand_name_ = brand_id_;
  if (scenarios_url_.empty())
    scenarios_url_ = download_host + "/browser/installer/mirra/scenarios/";
  if (setup_url_.empty()) {
    setup_url_ = download_host + "/browser/" + brand_id_ +
                 (IsNeedPpapiFlash() ? "/flash/browser-setup.arc" : "/browser-setup.arc");
  }
  if (license_url_.empty()) license_url_ = legal_host + "/browser_agreement/";
  if (conf_policy_url_.empty()) conf_policy_url_ = legal_host + "/confidential/";
  if (language_.empty()) language_ = LanguageFromSystem();
  language_id_ = LangIdFromLanguage(language_);
  if (variations_url_.empty()) {
    variations_url_ =
        std::string(endpoints::kBrowserApiHost) + "/content/get/experiments/browser.proto";
  }
  LogBrandInfo();
}

void BrandInfo::LogBrandInfo() const {
  LOG_INFO << "Brand id: " << brand_id_;
  LOG_INFO << "Brand name: " << brand_name_;
  LOG_INFO << "Setup url: " << setup_url_;
  LOG_INFO << "Versioned setup url: " << setup_url_version_;
  LOG_INFO << "Setup url64: " << setup_url64_;
  LOG_INFO << "Versioned setup url64: " << setup_url_version64_;
  LOG_INFO << "Setup url32: " << setup_url32_;
  LOG_INFO << "Default language: " << language_;
  LOG_INFO << "Mirra install scenarios url: " << scenarios_url_;
  LOG_INFO << "Install slide url by default: " << slide_url_;
  LOG_INFO << "Install slide url if tagged installer: " << slide_url_if_tagged_;
  LOG_INFO << "Show international title: " << (IsAlternateInstallerTitle() ? 1 : 0);
  LOG_INFO << "Send browser's statistics: " << (IsSendStatistics() ? 1 : 0);
  LOG_INFO << "Make browser default after import: " << (IsMakeBrowserDefault() ? 1 : 0);
  LOG_INFO << "Is ppapi: " << (IsNeedPpapiFlash() ? 1 : 0);
  LOG_INFO << "Preloaded wallpapers url: " << preloaded_wallpapers_url_;
}

void BrandInfo::StoreLanguage() const {
  base::StoreValueInRegistry(L"lang", base::Utf8ToWide(language_));
}

void BrandInfo::StoreBrand() const {
  base::StoreValueInRegistry(L"brand", base::Utf8ToWide(brand_name_));
  base::StoreValueInRegistry(L"BrandFile", brand_package_path_);
  if (has_partner_package_) base::StoreValueInRegistry(L"PartnerFile", partner_package_path_);
}

void BrandInfo::RemoveStoredBrand() {
  for (const wchar_t* name : {L"brand", L"BrandFile", L"PartnerFile"})
    base::RemoveValueFromRegistry(name);
}

std::string BrandInfo::GetVariationsUrl(const std::string& user_id) const {
  std::string url = variations_url_;
  AppendQueryItem(&url, "brand", brand_id_);
  AppendQueryItem(&url, "partner", partner_id_);
  AppendQueryItem(&url, "uid", user_id);
  AppendQueryItem(&url, "version", kBrowserVersion);
  return url;
}

}  // namespace config

#pragma once

#include <jansson.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace config {

// Option that a package may leave unset: 1 = JSON true, 2 = JSON false.
enum class TriState : int { kUnset = 0, kTrue = 1, kFalse = 2 };

inline constexpr char kDefaultBrandName[] = "velmar";
// The browser version the installer names in its requests and crash reports.
inline constexpr char kBrowserVersion[] = "20.3.2.242";

// The brand name for a region (ISO 3166 two letters) and an installer
// language; empty when no row of the autodetection table matches.
std::string MatchAutodetectedBrand(std::string_view region, std::string_view language);

// Which brand and partner are installed, and with which options. Filled once at
// start-up from the partner package, the brand package, the language switch
// and the defaults, in that precedence; read-only afterwards.
class BrandInfo {
 public:
  explicit BrandInfo(std::wstring temp_dir);
  virtual ~BrandInfo() = default;
  BrandInfo(const BrandInfo&) = delete;
  BrandInfo& operator=(const BrandInfo&) = delete;

  // Empties every string but the temporary folder and the variations URL.
  virtual void Clear();

  // Fills the record from the packages for the brand-name switch ("auto":
  // autodetect; empty: the default package).
  void GetInfo(const std::string& brand_name);
  void GetInfoFromResources(const std::string& brand_name);
  static std::string AutodetectBrandName();
  // Takes every key of `document` whose field is still empty or unset.
  void ReadFromPackage(const json_t* document);
  void ApplyDefaults();
  void LogBrandInfo() const;

  // The language switch wins over the packages.
  void SetDefaultLanguage(const std::string& language) { language_ = language; }

  // Registry hand-off to the setup, under the browser's key.
  void StoreLanguage() const;
  void StoreBrand() const;
  static void RemoveStoredBrand();

  // The variations URL with brand, partner, user id and version in its query.
  std::string GetVariationsUrl(const std::string& user_id) const;

  bool IsAlternateInstallerTitle() const { return alternate_installer_title_ == TriState::kTrue; }
  // Unset counts as yes.
  bool IsSendStatistics() const { return send_statistics_ != TriState::kFalse; }
  bool IsMakeBrowserDefault() const { return make_browser_default_ != TriState::kFalse; }
  bool IsNeedPpapiFlash() const { return need_ppapi_flash_ == TriState::kTrue; }

  const std::string& setup_url() const { return setup_url_; }
  const std::string& setup_url_version() const { return setup_url_version_; }
  const std::string& setup_url64() const { return setup_url64_; }
  const std::string& setup_url_version64() const { return setup_url_version64_; }
  const std::string& setup_url32() const { return setup_url32_; }
  const std::string& brand_id() const { return brand_id_; }
  const std::string& brand_name() const { return brand_name_; }
  const std::string& default_language() const { return language_; }
  uint16_t language_id() const { return language_id_; }
  const std::string& license_url() const { return license_url_; }
  const std::string& conf_policy_url() const { return conf_policy_url_; }
  const std::wstring& temp_path() const { return temp_dir_; }
  const std::wstring& brand_package_path() const { return brand_package_path_; }
  const std::wstring& partner_package_path() const { return partner_package_path_; }
  const std::string& partner_id() const { return partner_id_; }
  const std::string& scenarios_url() const { return scenarios_url_; }
  const std::string& slide_url() const { return slide_url_; }
  const std::string& slide_url_if_tagged() const { return slide_url_if_tagged_; }
  const std::string& variations_url() const { return variations_url_; }
  const std::string& preloaded_wallpapers_url() const { return preloaded_wallpapers_url_; }
  bool has_brand_package() const { return has_brand_package_; }
  bool has_partner_package() const { return has_partner_package_; }
  TriState alternate_installer_title() const { return alternate_installer_title_; }
  TriState send_statistics() const { return send_statistics_; }
  TriState make_browser_default() const { return make_browser_default_; }
  TriState need_ppapi_flash() const { return need_ppapi_flash_; }

 private:
  std::string setup_url_;
  std::string setup_url_version_;
  std::string setup_url64_;
  std::string setup_url_version64_;
  std::string setup_url32_;
  std::string brand_id_;
  std::string brand_name_;
  std::string language_;
  uint16_t language_id_ = 0;
  std::string license_url_;
  std::string conf_policy_url_;
  std::wstring temp_dir_;
  std::wstring brand_package_path_;
  std::wstring partner_package_path_;
  std::string partner_id_;
  std::string scenarios_url_;
  std::string slide_url_;
  std::string slide_url_if_tagged_;
  std::string variations_url_;
  std::string preloaded_wallpapers_url_;
  bool has_brand_package_ = false;
  bool has_partner_package_ = false;
  TriState alternate_installer_title_ = TriState::kUnset;
  TriState send_statistics_ = TriState::kUnset;
  TriState make_browser_default_ = TriState::kUnset;
  TriState need_ppapi_flash_ = TriState::kUnset;
};

}  // namespace config

#pragma once

#include <string>

namespace config {

// Option that a package may leave unset.
enum class TriState : int { kUnset = 0, kTrue = 1, kFalse = 2 };

// Which brand and partner are installed, and with which options.
class BrandInfo {
 public:
  explicit BrandInfo(std::wstring temp_path);
  virtual ~BrandInfo() = default;

  // Fills the record for `brand_name` (empty: automatic choice).
  bool GetInfo(const std::string& brand_name);
  void ApplyDefaults();
  void SetDefaultLanguage(const std::string& language) { default_language_ = language; }

  const std::wstring& temp_path() const { return temp_path_; }
  const std::string& brand_id() const { return brand_id_; }
  const std::string& brand_name() const { return brand_name_; }
  const std::string& default_language() const { return default_language_; }
  TriState send_statistics() const { return send_statistics_; }

 private:
  std::wstring temp_path_;
  std::string brand_id_;
  std::string brand_name_;
  std::string default_language_;
  TriState send_statistics_ = TriState::kUnset;
};

}  // namespace config

#include "config/brand_info.h"

#include "installer/log.h"

namespace config {

BrandInfo::BrandInfo(std::wstring temp_path) : temp_path_(std::move(temp_path)) {}

bool BrandInfo::GetInfo(const std::string& brand_name) {
  brand_name_ = brand_name;
  LOG_INFO << "Brand name: " << brand_name_;
  return true;
}

void BrandInfo::ApplyDefaults() {
  if (brand_name_.empty()) brand_name_ = "velmar";
  if (default_language_.empty()) default_language_ = "en";
}

}  // namespace config

#include "installer/distribution_params.h"

#include "base/file_util.h"
#include "base/strings.h"
#include "installer/command_line.h"

namespace installer {

bool DistributionParams::Get(const std::string& key, std::string* value) const {
  const auto it = params_.find(key);
  if (it == params_.end()) return false;
  *value = it->second;
  return true;
}

void DistributionParams::StoreText(const std::string&) {}

std::wstring DistributionParams::OwnExecutablePath() const { return base::GetModulePath(); }

bool DistributionParams::GetBool(const std::string& key) const {
  std::string value;
  return Get(key, &value) && value == "1";
}

bool DistributionParams::CreateJsonFromDistribParams() {
  const std::string text =
      base::WideToUtf8(CommandLine::ForCurrentProcess().GetSwitchValue("distr-info-params"));
  if (!text.empty()) params_ = ParseDistributionParamsText(text);
  return !info_file_path_.empty();
}

}  // namespace installer

#include "installer/distribution_params.h"

#include "base/file_util.h"
#include "base/strings.h"
#include "installer/command_line.h"

namespace installer {

std::map<std::string, std::string> ParseDistributionParamsText(const std::string& text) {
  std::map<std::string, std::string> params;
  size_t position = 0;
  while (position < text.size()) {
    const size_t pair_end = std::min(text.find('&', position), text.size());
    const std::string pair = text.substr(position, pair_end - position);
    const size_t equals = pair.find('=');
    if (!pair.empty()) {
      params[pair.substr(0, equals)] =
          equals == std::string::npos ? std::string() : pair.substr(equals + 1);
    }
    position = pair_end + 1;
  }
  return params;
}

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

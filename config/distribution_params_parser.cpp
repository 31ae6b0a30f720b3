#include "config/distribution_params_parser.h"

#include <algorithm>

namespace config {

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

}  // namespace config

// Any bytes as distribution parameter text: keys hold neither "=" nor "&",
// values hold no "&".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/distribution_params_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& [key, value] : config::ParseDistributionParamsText(text)) {
    if (key.find_first_of("=&") != std::string::npos) std::abort();
    if (value.find('&') != std::string::npos) std::abort();
  }
  return 0;
}

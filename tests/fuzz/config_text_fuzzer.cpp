// Any bytes as distribution parameter text and as configuration JSON: the
// parameters' keys hold neither "=" nor "&" and their values no "&"; removing
// comments never adds text, and a comment error means no document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/distribution_params_parser.h"
#include "config/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& [key, value] : config::ParseDistributionParamsText(text)) {
    if (key.find_first_of("=&") != std::string::npos || value.find('&') != std::string::npos) {
      std::abort();
    }
  }
  std::string json;
  const config::CommentError error = config::StripJsonComments(text, &json);
  if (json.size() > text.size()) std::abort();
  config::JsonPtr document = config::ParseConfigJson(text);
  if (error != config::CommentError::kNone && document) std::abort();
  // The dotted lookups the brand record makes.
  for (const char* path : {"install.setup_url", "languages.interface", "brand_id", "a.b.c.d"}) {
    config::Lookup(document.get(), path);
  }
  return 0;
}

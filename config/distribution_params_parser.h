#pragma once

#include <map>
#include <string>

namespace config {

// Key/value pairs of "a=1&b=2" text: a key ends at the first "=" or "&", a value
// runs to the next "&", and a later pair with the same key wins.
std::map<std::string, std::string> ParseDistributionParamsText(const std::string& text);

}  // namespace config

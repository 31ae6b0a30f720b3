#pragma once

#include <map>
#include <string>

namespace config {

// Key/value pairs of "a=1&b=2" text: a key ends at the first "=" or "&", a value
// runs to the next "&", and a later pair with the same key wins.
std::map<std::string, std::string> ParseDistributionParamsText(const std::string& text);

// Why `text` is not a list of parameters that the parse above reads as meant:
// every pair a key, "=" and a value, joined by "&"; keys of letters, digits,
// "_", "-" and "." given once; values of printable ASCII without blanks or
// "&". Empty when it is one. The tag tool refuses tags for which it is not.
std::string DistributionParamsTextError(const std::string& text);

}  // namespace config

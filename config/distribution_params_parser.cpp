#include "config/distribution_params_parser.h"

#include <algorithm>
#include <set>
#include <vector>

namespace config {
namespace {

constexpr char kPairSeparator = '&';
constexpr char kKeySeparator = '=';

// The texts between the separators, empty ones included.
std::vector<std::string> SplitPairs(const std::string& text) {
  std::vector<std::string> pairs;
  size_t position = 0;
  while (position < text.size()) {
    const size_t pair_end = std::min(text.find(kPairSeparator, position), text.size());
    pairs.push_back(text.substr(position, pair_end - position));
    position = pair_end + 1;
  }
  if (!text.empty() && text.back() == kPairSeparator) pairs.emplace_back();
  return pairs;
}

bool IsKeyCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

bool IsValueCharacter(char c) { return c > ' ' && c < '\x7f' && c != kPairSeparator; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::map<std::string, std::string> ParseDistributionParamsText(const std::string& text) {
  std::map<std::string, std::string> params;
  for (const std::string& pair : SplitPairs(text)) {
    const size_t equals = pair.find(kKeySeparator);
    if (!pair.empty()) {
      params[pair.substr(0, equals)] =
          equals == std::string::npos ? std::string() : pair.substr(equals + 1);
    }
  }
  return params;
}

std::string DistributionParamsTextError(const std::string& text) {
  if (text.empty()) return "the text is empty";
  std::set<std::string> keys;
  for (const std::string& pair : SplitPairs(text)) {
    const size_t equals = pair.find(kKeySeparator);
    if (pair.empty()) return "an empty pair: \"&\" at the start, the end or twice in a row";
    if (equals == std::string::npos) return "the pair " + Quoted(pair) + " has no \"=\"";
    const std::string key = pair.substr(0, equals);
    const std::string value = pair.substr(equals + 1);
    if (key.empty()) return "the pair " + Quoted(pair) + " has no key";
    if (!std::all_of(key.begin(), key.end(), IsKeyCharacter)) {
      return "the key " + Quoted(key) + " has a character other than letters, digits, _ - .";
    }
    if (!std::all_of(value.begin(), value.end(), IsValueCharacter)) {
      return "the value of " + Quoted(key) + " has a blank, a control or a non-ASCII character";
    }
    if (!keys.insert(key).second) return "the key " + Quoted(key) + " is given twice";
  }
  return std::string();
}

}  // namespace config

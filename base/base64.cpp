#include "base/base64.h"

#include <cstdint>

namespace base {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of a base64 character, or -1.
int DecodeChar(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool Base64Decode(std::string_view text, std::string* bytes) {
  bytes->clear();
  if (text.size() % 4 != 0) return false;
  size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  const size_t data_chars = text.size() - padding;
  bytes->reserve(text.size() / 4 * 3);
  uint32_t bits = 0;
  int bit_count = 0;
  for (size_t i = 0; i < data_chars; ++i) {
    const int value = DecodeChar(text[i]);
    if (value < 0) {
      bytes->clear();
      return false;
    }
    bits = (bits << 6) | static_cast<uint32_t>(value);
    bit_count += 6;
    if (bit_count >= 8) {
      bit_count -= 8;
      bytes->push_back(static_cast<char>((bits >> bit_count) & 0xFF));
    }
  }
  return true;
}

std::string Base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t bits = 0;
    for (size_t j = 0; j < 3; ++j) {
      bits = (bits << 8) | (j < count ? static_cast<uint8_t>(bytes[i + j]) : 0u);
    }
    for (size_t j = 0; j < 4; ++j) {
      text.push_back(j <= count ? kAlphabet[(bits >> (18 - 6 * j)) & 0x3F] : '=');
    }
  }
  return text;
}

}  // namespace base

#pragma once

#include <string>
#include <string_view>

namespace base {

// Standard alphabet with "=" padding; the length must be a multiple of four.
// False on any other character, misplaced padding or a bad length.
bool Base64Decode(std::string_view text, std::string* bytes);
// Standard alphabet with "=" padding.
std::string Base64Encode(std::string_view bytes);

}  // namespace base

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// The one place that converts between UTF-8 (inside) and UTF-16 (Windows edge).
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Each wide character cut to its low 8 bits; used for switch names and ASCII values.
std::string NarrowByTruncation(std::wstring_view wide);
// Each byte widened as is.
std::wstring WidenByteByByte(std::string_view narrow);

std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);

// Trims the whitespace set used by the command line (27 code points).
bool IsUnicodeWhitespace(wchar_t c);
std::wstring TrimWhitespace(std::wstring_view text);

// Numbers as text without the C library's formatter, which would bring its
// whole printf engine into the executable. An integer in decimal, as
// std::to_wstring writes it.
template <typename Integer>
std::wstring NumberToWide(Integer value) {
  return WidenByteByByte(std::to_string(value));
}
// Unsigned decimal padded with zeros to at least `width` digits ("%0*llu").
std::string PaddedDecimal(uint64_t value, size_t width);
// Hexadecimal in lower or upper case, padded with zeros to at least `width`
// digits ("%0*llx", "%0*llX").
std::string HexText(uint64_t value, size_t width, bool upper_case);

// Unsigned decimal: an optional leading '+', digits only, no overflow.
bool ParseUnsignedDecimal(std::string_view text, uint64_t* value);
// Signed base-10 integer as strtol reads it, rejecting trailing garbage.
bool ParseInt64(std::string_view text, int64_t* value);

}  // namespace base

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace config {

inline constexpr uint16_t kDefaultLangId = 1033;  // English (United States)
inline constexpr uint16_t kRussianLangId = 1049;  // takes the alternative logos and first slide

// The installer language name for a system UI language ("en" for any LANGID
// that has no strings of its own).
std::string LanguageFromLangId(uint16_t lang_id);
// The LANGID of an installer language name; 1033 for a name outside the table.
uint16_t LangIdFromLanguage(std::string_view language);
// The installer language name of the user's UI language.
std::string LanguageFromSystem();

}  // namespace config

#include "config/languages.h"

#include <windows.h>

namespace config {
namespace {

struct Language {
  const char* name;
  uint16_t lang_id;
};

// The languages the installer speaks; the system UI language maps to the
// entry with the same LANGID, every other one to English.
constexpr Language kLanguages[] = {
    {"ru", kRussianLangId}, {"uk", 1058},    {"tr", 1055},    {"de", 1031},
    {"es", 3082},           {"fr", 1036},    {"it", 1040},    {"ja", 1041},
    {"pt-PT", 2070},        {"pt-BR", 1046}, {"zh-CN", 2052}, {"zh-TW", 1028},
    {"kk", 1087},           {"uz", 1091},    {"cs", 1029},    {"en", kDefaultLangId},
};

}  // namespace

std::string LanguageFromLangId(uint16_t lang_id) {
  for (const Language& language : kLanguages) {
    if (language.lang_id == lang_id) return language.name;
  }
  return "en";
}

uint16_t LangIdFromLanguage(std::string_view name) {
  for (const Language& language : kLanguages) {
    if (name == language.name) return language.lang_id;
  }
  return kDefaultLangId;
}

std::string LanguageFromSystem() { return LanguageFromLangId(::GetUserDefaultUILanguage()); }

}  // namespace config

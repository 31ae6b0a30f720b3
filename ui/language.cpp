#include "ui/language.h"

#include <cstring>

#include "base/log.h"

namespace ui {
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

constexpr uint32_t kStringsPerBlock = 16;

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

std::wstring StringFromBlock(const void* block, size_t size, uint32_t index) {
  if (block == nullptr || index >= kStringsPerBlock) return std::wstring();
  const auto* bytes = static_cast<const unsigned char*>(block);
  size_t offset = 0;
  for (uint32_t entry = 0;; ++entry) {
    uint16_t length = 0;
    if (size - offset < sizeof(length)) return std::wstring();
    std::memcpy(&length, bytes + offset, sizeof(length));
    offset += sizeof(length);
    const size_t text_bytes = size_t{length} * sizeof(wchar_t);
    if (size - offset < text_bytes) return std::wstring();
    if (entry == index) {
      std::wstring text(length, L'\0');
      std::memcpy(text.data(), bytes + offset, text_bytes);
      return text;
    }
    offset += text_bytes;
  }
}

std::wstring LoadLocalizedString(uint32_t id, uint16_t lang_id, HMODULE module) {
  HRSRC resource =
      ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / kStringsPerBlock + 1), lang_id);
  if (resource == nullptr) return std::wstring();
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* block = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (block == nullptr) {
    LOG_ERROR << "Failed to load the string block of " << id << " for " << lang_id;
    return std::wstring();
  }
  return StringFromBlock(block, ::SizeofResource(module, resource), id % kStringsPerBlock);
}

}  // namespace ui

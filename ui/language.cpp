#include "ui/language.h"

#include <cstring>

#include "base/log.h"

namespace ui {
namespace {

constexpr uint32_t kStringsPerBlock = 16;

}  // namespace

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

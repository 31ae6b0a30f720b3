#include "config/config_package.h"

#include "base/log.h"
#include "base/scoped_handle.h"
#include "config/brand_info.h"
#include "config/cabinet.h"
#include "config/json_reader.h"

namespace config {

std::string LoadResourceBytes(const wchar_t* name) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC resource = ::FindResourceW(module, name, kPackageResourceType);
  if (resource == nullptr) return {};
  const DWORD size = ::SizeofResource(module, resource);
  const HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded == nullptr ? nullptr : ::LockResource(loaded);
  if (data == nullptr || size == 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

bool WritePackageFile(const std::wstring& path, std::string_view bytes) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.IsValid() ||
      !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    LOG_ERROR << L"Failed to write package file " << path;
    return false;
  }
  return true;
}

void ExtractPackage(BrandInfo* brand_info, std::string_view cabinet, std::string_view member) {
  const CabinetMembers members = ExtractFromCabinet(cabinet, member);
  const auto found = members.find(std::string(member));
  if (found == members.end()) return;
  JsonPtr document = ParseConfigJson(found->second);
  if (!document) document.reset(json_object());
  brand_info->ReadFromPackage(document.get());
  document.reset();
  brand_info->LogBrandInfo();
}

}  // namespace config

#include "installer/distribution_files.h"

#include "base/file_util.h"
#include "base/log.h"
#include "base/scoped_handle.h"

namespace installer {
namespace {

constexpr wchar_t kResourceType[] = L"BIN";

// The bytes of a resource, which live as long as the module; empty when missing.
std::string_view FindResourceData(int resource_id, HMODULE module) {
  const HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(resource_id), kResourceType);
  if (resource == nullptr) return std::string_view();
  const HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return std::string_view();
  return std::string_view(static_cast<const char*>(data), ::SizeofResource(module, resource));
}

}  // namespace

bool WriteResourceToFile(int resource_id, const std::wstring& path, HMODULE module) {
  return base::WriteDataToFile(path, FindResourceData(resource_id, module));
}

void WriteDistributionFiles(const std::wstring& temp_folder, DistributionFilePaths* paths) {
  const struct {
    std::wstring* path;
    const wchar_t* file_name;
    int resource_id;
  } files[] = {
      {&paths->installer_data, L"master_preferences", kInstallerDataResourceId},
      {&paths->clids, L"clids.xml", kClidsResourceId},
      {&paths->searchband_clids, L"clids_searchband.xml", kSearchbandClidsResourceId},
      {&paths->website_icon, L"website.ico", kWebsiteIconResourceId},
  };
  for (const auto& file : files) {
    if (!file.path->empty()) continue;
    *file.path = temp_folder + file.file_name;
    WriteResourceToFile(file.resource_id, *file.path);
  }
}

}  // namespace installer

#include "config/distribution_params.h"

#include <windows.h>
#include <jansson.h>

#include <cstdlib>
#include <memory>

#include "base/command_line.h"
#include "base/file_util.h"
#include "base/log.h"
#include "base/registry.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/json_reader.h"
#include "config/tag.h"
#include "config/tag_parser.h"

namespace config {
namespace {

constexpr size_t kJsonIndent = 2;

struct MallocDeleter {
  void operator()(char* text) const { std::free(text); }
};

std::string ReadStoredText() {
  std::wstring text;
  base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, kDistribInfoParamsValue,
                           &text);
  return base::WideToUtf8(text);
}

}  // namespace

std::string ReadTagRecordFromMappedFile(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return std::string();
  base::ScopedHandle mapping(
      ::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.IsValid()) return std::string();
  base::ScopedMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
  MEMORY_BASIC_INFORMATION region = {};
  if (!view.IsValid() || ::VirtualQuery(view.Get(), &region, sizeof(region)) == 0) {
    return std::string();
  }
  return config::ReadTagRecord(
      std::string_view(static_cast<const char*>(view.Get()), region.RegionSize));
}

bool DistributionParams::Get(const std::string& key, std::string* value) const {
  const auto it = params_.find(key);
  if (it == params_.end()) return false;
  *value = it->second;
  return true;
}

void DistributionParams::StoreText(const std::string& text) {
  if (!base::WriteRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey,
                                 kDistribInfoParamsValue, base::Utf8ToWide(text))) {
    LOG_ERROR << "Can't store distribution parameters in the registry";
  }
}

std::wstring DistributionParams::OwnExecutablePath() const { return base::GetModulePath(); }

bool DistributionParams::GetBool(const std::string& key) const {
  std::string value;
  return Get(key, &value) && value == "1";
}

bool DistributionParams::CreateJsonFromDistribParams() {
  return CreateJsonFromDistribParams(base::CommandLine::ForCurrentProcess());
}

bool DistributionParams::CreateJsonFromDistribParams(const base::CommandLine& command_line) {
  std::string text;
  if (ReadStoredTextFirst()) text = ReadStoredText();
  if (text.empty()) text = base::WideToUtf8(command_line.GetSwitchValue("distr-info-params"));
  if (text.empty()) text = ReadTag();
  if (!ReadStoredTextFirst() && !text.empty()) StoreText(text);
  if (!text.empty()) {
    params_ = ParseDistributionParamsText(text);
    if (!params_.empty()) WriteInfoFile();
  }
  return !info_file_path_.empty();
}

std::string DistributionParams::ReadTag() const {
  const std::wstring path = OwnExecutablePath();
  std::string tag = config::ExtractTagFromFakeCertificate(path);
  if (tag.empty()) tag = ReadTagRecordFromMappedFile(path);
  return tag;
}

void DistributionParams::WriteInfoFile() {
  info_file_path_ = base::GetTempFolder() + kDistribInfoFileName;
  // Text that is not UTF-8 goes in unchecked and makes the dump fail below.
  config::JsonPtr object(json_object());
  for (const auto& [key, value] : params_) {
    json_object_setn_new_nocheck(object.get(), key.data(), key.size(),
                                 json_stringn_nocheck(value.data(), value.size()));
  }
  std::unique_ptr<char, MallocDeleter> dump(json_dumps(object.get(), JSON_INDENT(kJsonIndent)));
  if (dump == nullptr) {
    LOG_ERROR << "Can't create json dump";
    return;
  }
  if (!base::WriteDataToFile(info_file_path_, dump.get())) LOG_ERROR << "Write json to file error";
}

}  // namespace config

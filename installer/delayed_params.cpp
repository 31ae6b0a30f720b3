#include "installer/delayed_params.h"

#include <windows.h>

#include <algorithm>

#include "base/command_line.h"
#include "base/log.h"
#include "base/scoped_handle.h"

// Shared by every running process of this executable file.
__attribute__((section("Shared"), shared)) installer::DelayedParamsBlock g_delayed_params = {};

namespace installer {
namespace {

constexpr size_t kMaxPathChars = DelayedParamsBlock::kPathChars - 1;

template <size_t N>
void CopyField(const std::wstring& value, wchar_t (&field)[N]) {
  std::fill(std::begin(field), std::end(field), L'\0');
  std::copy(value.begin(), value.end(), field);
}

bool IsReadableNonEmptyFile(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  return file.IsValid() && ::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0;
}

}  // namespace

bool FillDelayedParamsBlock(const DelayedParams& params, DelayedParamsBlock* block) {
  const std::wstring* paths[] = {
      &params.browser_arc_path,           &params.clids_file_path,
      &params.clids_searchband_file_path, &params.velmar_website_icon_file_path,
      &params.installer_data_path,        &params.brand_package_path,
      &params.partner_package_path,       &params.partner_package_override_path,
  };
  const bool too_long =
      std::any_of(std::begin(paths), std::end(paths),
                  [](const std::wstring* path) { return path->size() > kMaxPathChars; }) ||
      params.histogram_download_time.size() >= DelayedParamsBlock::kDownloadTimeChars;
  if (too_long) {
    LOG_ERROR_AS("WriteDelayedParams")
        << L"Too large string length," << L" browser_arc_path=" << params.browser_arc_path
        << L" clids_file_path=" << params.clids_file_path << L" clids_searchband_file_path="
        << params.clids_searchband_file_path << L" velmar_website_icon_file_path="
        << params.velmar_website_icon_file_path << L" installer_data_path="
        << params.installer_data_path << L" brand_package_path=" << params.brand_package_path
        << L" partner_package_path=" << params.partner_package_path
        << L" partner_package_override_path=" << params.partner_package_override_path
        << L" histogram_download_time=" << params.histogram_download_time << L" send_statistics="
        << (params.send_statistics ? 1 : 0) << L" make_default=" << (params.make_default ? 1 : 0);
    return false;
  }
  CopyField(params.browser_arc_path, block->browser_arc_path);
  CopyField(params.clids_file_path, block->clids_file_path);
  CopyField(params.clids_searchband_file_path, block->clids_searchband_file_path);
  CopyField(params.velmar_website_icon_file_path, block->velmar_website_icon_file_path);
  CopyField(params.installer_data_path, block->installer_data_path);
  CopyField(params.brand_package_path, block->brand_package_path);
  CopyField(params.partner_package_path, block->partner_package_path);
  CopyField(params.partner_package_override_path, block->partner_package_override_path);
  CopyField(params.histogram_download_time, block->histogram_download_time);
  block->send_statistics = params.send_statistics ? 1 : 0;
  block->make_default = params.make_default ? 1 : 0;
  return true;
}

void ApplyDelayedParamsBlock(const DelayedParamsBlock& block,
                             bool (*is_readable_non_empty)(const std::wstring& path),
                             base::CommandLine* command_line) {
  auto add_when_set = [command_line](const char* name, const wchar_t* value) {
    if (value[0] != L'\0') command_line->AppendSwitch(name, value);
  };
  if (block.browser_arc_path[0] != L'\0') command_line->SetProgram(block.browser_arc_path);
  add_when_set("installerdata", block.installer_data_path);
  add_when_set("clids-file", block.clids_file_path);
  add_when_set("clids-searchband-file", block.clids_searchband_file_path);
  if (block.velmar_website_icon_file_path[0] != L'\0' &&
      is_readable_non_empty(block.velmar_website_icon_file_path)) {
    command_line->AppendSwitch("velmar-website-icon-file", block.velmar_website_icon_file_path);
  }
  add_when_set("brand-package", block.brand_package_path);
  add_when_set("partner-package", block.partner_package_path);
  add_when_set("override-partner-package", block.partner_package_override_path);
  command_line->SetOrRemoveSwitch(block.send_statistics != 0, "send-statistics");
  command_line->SetOrRemoveSwitch(block.make_default != 0, "make-browser-default-after-import");
  command_line->AppendSwitch("histogram-download-time", block.histogram_download_time);
}

bool WriteDelayedParams(const DelayedParams& params) {
  return FillDelayedParamsBlock(params, &g_delayed_params);
}

void ApplyDelayedParams(base::CommandLine* command_line) {
  ApplyDelayedParamsBlock(g_delayed_params, IsReadableNonEmptyFile, command_line);
}

}  // namespace installer

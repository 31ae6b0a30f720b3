#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace base {
class CommandLine;
}  // namespace base

namespace installer {

// The parameters the master hands its elevated copy once the archive is ready.
// It lives in a section shared by every process of this executable, so the
// layout is fixed: UTF-16 strings terminated inside their fields.
struct DelayedParamsBlock {
  static constexpr size_t kPathChars = 261;
  static constexpr size_t kDownloadTimeChars = 33;

  wchar_t browser_arc_path[kPathChars];
  wchar_t clids_file_path[kPathChars];
  wchar_t clids_searchband_file_path[kPathChars];
  wchar_t velmar_website_icon_file_path[kPathChars];
  wchar_t installer_data_path[kPathChars];
  wchar_t brand_package_path[kPathChars];
  wchar_t partner_package_path[kPathChars];
  wchar_t partner_package_override_path[kPathChars];
  wchar_t histogram_download_time[kDownloadTimeChars];
  uint8_t send_statistics;
  uint8_t make_default;
};
static_assert(sizeof(DelayedParamsBlock) == 4244, "the block's layout is shared between builds");
static_assert(offsetof(DelayedParamsBlock, histogram_download_time) == 4176, "layout");
static_assert(offsetof(DelayedParamsBlock, send_statistics) == 4242, "layout");

struct DelayedParams {
  std::wstring browser_arc_path;
  std::wstring clids_file_path;
  std::wstring clids_searchband_file_path;
  std::wstring velmar_website_icon_file_path;
  std::wstring installer_data_path;
  std::wstring brand_package_path;
  std::wstring partner_package_path;
  std::wstring partner_package_override_path;
  std::wstring histogram_download_time;
  bool send_statistics = false;
  bool make_default = false;
};

// Fills a block; refuses (logging every field) when a path is over 260
// characters or the download time 33 or more: nothing is ever truncated.
bool FillDelayedParamsBlock(const DelayedParams& params, DelayedParamsBlock* block);
// Merges a block into the setup command line. `is_readable_non_empty` decides
// whether the website icon is passed on.
void ApplyDelayedParamsBlock(const DelayedParamsBlock& block,
                             bool (*is_readable_non_empty)(const std::wstring& path),
                             base::CommandLine* command_line);

// The same on this executable's shared section.
bool WriteDelayedParams(const DelayedParams& params);
void ApplyDelayedParams(base::CommandLine* command_line);

}  // namespace installer

#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace installer {

// "BIN" resources of the distribution files.
inline constexpr int kInstallerDataResourceId = 305;
inline constexpr int kClidsResourceId = 306;
inline constexpr int kSearchbandClidsResourceId = 322;
inline constexpr int kWebsiteIconResourceId = 323;

// Where setup finds the distribution files; an empty path is written by
// WriteDistributionFiles, a path set from a switch or the registry is kept.
struct DistributionFilePaths {
  std::wstring installer_data;    // passed as "installerdata"
  std::wstring clids;             // "clids-file"
  std::wstring searchband_clids;  // "clids-searchband-file"
  std::wstring website_icon;      // "velmar-website-icon-file"
};

// Writes the "BIN" resource `resource_id` of `module` (this executable when
// null) to `path`; a missing resource gives an empty file.
bool WriteResourceToFile(int resource_id, const std::wstring& path, HMODULE module = nullptr);

// For each empty path: sets it to `temp_folder` followed by the file's name
// and writes the file from its resource.
void WriteDistributionFiles(const std::wstring& temp_folder, DistributionFilePaths* paths);

}  // namespace installer

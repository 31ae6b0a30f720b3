#include "installer/distribution_files.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"

namespace installer {
namespace {

// What the files hold is seen in the end-to-end installs and in the build's
// master preferences test.
TEST(DistributionFilesTest, WritesOnlyFilesWhosePathIsNotSet) {
  const std::wstring folder = base::GetTempFolder() + L"distribution_files_test\\";
  base::DeleteFolderRecursively(folder);
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  DistributionFilePaths paths;
  paths.clids = L"C:\\from\\switch\\clids.xml";
  WriteDistributionFiles(folder, &paths);
  EXPECT_EQ(paths.clids, L"C:\\from\\switch\\clids.xml");
  EXPECT_FALSE(base::PathExists(folder + L"clids.xml"));
  for (const std::wstring& path :
       {paths.installer_data, paths.searchband_clids, paths.website_icon}) {
    EXPECT_EQ(base::DirName(path) + L"\\", folder);
    EXPECT_TRUE(base::PathExists(path)) << path;
  }
  base::DeleteFolderRecursively(folder);
}

}  // namespace
}  // namespace installer

#include "installer/distribution_files.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <jansson.h>

#include "base/file_util.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "config/tag.h"

namespace installer {
namespace {

std::string ReadFile(const std::wstring& path) {
  std::string bytes;
  EXPECT_TRUE(config::ReadAllBytesFromFile(path, &bytes)) << base::WideToUtf8(path);
  return bytes;
}

class DistributionFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = base::GetTempFolder() + L"distribution_files_test\\";
    base::DeleteFolderRecursively(folder_);
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override { base::DeleteFolderRecursively(folder_); }

  // The installer built beside the tests, loaded for its resources only.
  static base::ScopedModule LoadInstaller() {
    const std::wstring path =
        base::DirName(base::DirName(base::GetModulePath())) + L"\\lite_installer.exe";
    return base::ScopedModule(::LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  }

  std::wstring folder_;
};

TEST_F(DistributionFilesTest, WritesOnlyFilesWhosePathIsNotSet) {
  DistributionFilePaths paths;
  paths.clids = L"C:\\from\\switch\\clids.xml";
  WriteDistributionFiles(folder_, &paths);
  EXPECT_EQ(paths.installer_data, folder_ + L"master_preferences");
  EXPECT_EQ(paths.clids, L"C:\\from\\switch\\clids.xml");
  EXPECT_EQ(paths.searchband_clids, folder_ + L"clids_searchband.xml");
  EXPECT_EQ(paths.website_icon, folder_ + L"website.ico");
  EXPECT_FALSE(base::PathExists(folder_ + L"clids.xml"));
  // The test program carries no distribution resources: every file is empty.
  EXPECT_EQ(ReadFile(paths.installer_data), "");
  EXPECT_EQ(ReadFile(paths.website_icon), "");
}

// The seed inside is checked against its signature by the end-to-end tests.
TEST_F(DistributionFilesTest, MasterPreferencesResourceHoldsTheDocumentedKeys) {
  base::ScopedModule installer = LoadInstaller();
  ASSERT_TRUE(installer.IsValid());
  const std::wstring path = folder_ + L"master_preferences";
  ASSERT_TRUE(WriteResourceToFile(kInstallerDataResourceId, path, installer.Get()));
  json_error_t error;
  json_t* root = json_loads(ReadFile(path).c_str(), 0, &error);
  ASSERT_NE(root, nullptr) << error.text;
  json_t* vl = json_object_get(root, "vl");
  json_t* migrator = json_object_get(vl, "master_preferences_migrator");
  EXPECT_TRUE(json_is_object(json_object_get(vl, "welcome_page")));
  EXPECT_TRUE(json_is_array(json_object_get(migrator, "local_state")));
  EXPECT_TRUE(json_is_array(json_object_get(migrator, "user_prefs")));
  EXPECT_TRUE(json_is_string(json_object_get(root, "variations_seed_signature")));
  EXPECT_TRUE(json_is_string(json_object_get(root, "variations_compressed_seed")));
  json_decref(root);
}

TEST_F(DistributionFilesTest, ClidsAreVendorElementsAndThereIsNoIcon) {
  base::ScopedModule installer = LoadInstaller();
  ASSERT_TRUE(installer.IsValid());
  const std::wstring clids = folder_ + L"clids.xml";
  const std::wstring searchband = folder_ + L"clids_searchband.xml";
  const std::wstring icon = folder_ + L"website.ico";
  ASSERT_TRUE(WriteResourceToFile(kClidsResourceId, clids, installer.Get()));
  ASSERT_TRUE(WriteResourceToFile(kSearchbandClidsResourceId, searchband, installer.Get()));
  ASSERT_TRUE(WriteResourceToFile(kWebsiteIconResourceId, icon, installer.Get()));
  EXPECT_NE(ReadFile(clids).find("<vendor setup="), std::string::npos);
  EXPECT_NE(ReadFile(searchband).find("<clid1>"), std::string::npos);
  EXPECT_EQ(ReadFile(icon), "");
}

TEST_F(DistributionFilesTest, WriteFailsInMissingFolder) {
  EXPECT_FALSE(base::WriteDataToFile(folder_ + L"missing\\file", "data"));
}

}  // namespace
}  // namespace installer

#include "installer/distribution_files.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <jansson.h>
#include <wincrypt.h>
#include <zlib.h>

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

std::string DecodeBase64(const std::string& text) {
  DWORD size = 0;
  if (!::CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                              nullptr)) {
    return std::string();
  }
  std::string bytes(size, '\0');
  ::CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64,
                         reinterpret_cast<BYTE*>(bytes.data()), &size, nullptr, nullptr);
  return bytes;
}

std::string Gunzip(const std::string& compressed) {
  z_stream stream = {};
  constexpr int kGzipWindowBits = 16 + MAX_WBITS;
  if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) return std::string();
  std::string out(64 * 1024, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : std::string();
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

TEST_F(DistributionFilesTest, MasterPreferencesCarryCompressedSeedAndSignature) {
  base::ScopedModule installer = LoadInstaller();
  ASSERT_TRUE(installer.IsValid());
  const std::wstring path = folder_ + L"master_preferences";
  ASSERT_TRUE(WriteResourceToFile(kInstallerDataResourceId, path, installer.Get()));
  const std::string text = ReadFile(path);
  json_error_t error;
  json_t* root = json_loads(text.c_str(), 0, &error);
  ASSERT_NE(root, nullptr) << error.text;
  json_t* migrator = json_object_get(json_object_get(root, "vl"), "master_preferences_migrator");
  EXPECT_TRUE(json_is_object(json_object_get(json_object_get(root, "vl"), "welcome_page")));
  EXPECT_TRUE(json_is_array(json_object_get(migrator, "local_state")));
  EXPECT_TRUE(json_is_array(json_object_get(migrator, "user_prefs")));
  EXPECT_FALSE(
      DecodeBase64(json_string_value(json_object_get(root, "variations_seed_signature"))).empty());
  const std::string seed =
      Gunzip(DecodeBase64(json_string_value(json_object_get(root, "variations_compressed_seed"))));
  EXPECT_NE(seed.find("lite-installer-first-run-1"), std::string::npos) << seed;
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
  EXPECT_FALSE(WriteDataToFile(folder_ + L"missing\\file", "data"));
}

}  // namespace
}  // namespace installer

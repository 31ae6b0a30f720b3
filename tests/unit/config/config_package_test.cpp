#include "config/config_package.h"

#include <gtest/gtest.h>

#include <string>

#include "base/file_util.h"
#include "base/registry.h"
#include "base/strings.h"
#include "config/brand_info.h"
#include "unit/config/test_cabinets.h"

namespace config {
namespace {

std::wstring StoredValue(const wchar_t* name) {
  std::wstring value;
  return base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name, &value)
             ? value
             : L"<missing>";
}

TEST(WritePackageFileTest, ReplacesTheFileWithEveryByte) {
  const std::wstring path = base::GetTempFolder() + L"config_package_test.bin";
  const std::string bytes("MSCF\0\xff\r\n", 8);
  ASSERT_TRUE(WritePackageFile(path, "an older and longer package"));
  ASSERT_TRUE(WritePackageFile(path, bytes));
  EXPECT_EQ(ReadFileBytes(base::WideToUtf8(path)), bytes);
  ::DeleteFileW(path.c_str());
}

TEST(WritePackageFileTest, FailsInAMissingFolder) {
  EXPECT_FALSE(WritePackageFile(base::GetTempFolder() + L"no such folder\\BrandFile", "x"));
}

TEST(GetInfoTest, WithoutPackagesEverythingComesFromTheDefaults) {
  BrandInfo info(L"C:\\temp\\");
  info.GetInfo("tb");
  EXPECT_FALSE(info.has_brand_package());
  EXPECT_FALSE(info.has_partner_package());
  EXPECT_EQ(info.brand_package_path(), L"C:\\temp\\BrandFile");
  EXPECT_EQ(info.partner_package_path(), L"C:\\temp\\PartnerFile");
  EXPECT_EQ(info.brand_id(), "");
  info.ApplyDefaults();
  EXPECT_EQ(info.brand_id(), "velmar");
}

TEST(RegistryHandOffTest, StoreAndRemoveTheBrandValues) {
  BrandInfo info(L"C:\\temp\\");
  info.GetInfo("");
  info.SetDefaultLanguage("uk");
  info.ApplyDefaults();
  info.StoreBrand();
  info.StoreLanguage();
  EXPECT_EQ(StoredValue(L"brand"), L"velmar");
  EXPECT_EQ(StoredValue(L"BrandFile"), L"C:\\temp\\BrandFile");
  // Without a partner package the setup is given no partner file.
  EXPECT_EQ(StoredValue(L"PartnerFile"), L"<missing>");
  EXPECT_EQ(StoredValue(L"lang"), L"uk");

  BrandInfo::RemoveStoredBrand();
  EXPECT_EQ(StoredValue(L"brand"), L"<missing>");
  EXPECT_EQ(StoredValue(L"BrandFile"), L"<missing>");
  EXPECT_EQ(StoredValue(L"lang"), L"uk");
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, L"lang");
}

}  // namespace
}  // namespace config

#include "config/config_package.h"

#include <gtest/gtest.h>

#include <string>

#include "base/file_util.h"
#include "base/registry.h"
#include "config/brand_info.h"
#include "config/tag.h"

namespace config {
namespace {

TEST(WritePackageFileTest, ReplacesTheFileWithEveryByteAndFailsInAMissingFolder) {
  const std::wstring path = base::GetTempFolder() + L"config_package_test.bin";
  const std::string bytes("MSCF\0\xff\r\n", 8);
  ASSERT_TRUE(WritePackageFile(path, "an older and longer package"));
  ASSERT_TRUE(WritePackageFile(path, bytes));
  std::string read;
  EXPECT_TRUE(ReadAllBytesFromFile(path, &read));
  EXPECT_EQ(read, bytes);
  ::DeleteFileW(path.c_str());
  EXPECT_FALSE(WritePackageFile(base::GetTempFolder() + L"no such folder\\BrandFile", "x"));
}

// Without packages everything comes from the defaults, and the setup is
// given no partner file.
TEST(RegistryHandOffTest, StoreAndRemoveTheBrandValues) {
  const auto stored = [](const wchar_t* name) {
    std::wstring value;
    return base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name, &value)
               ? value
               : L"<missing>";
  };
  BrandInfo info(L"C:\\temp\\");
  info.GetInfo("");
  EXPECT_FALSE(info.has_brand_package());
  EXPECT_FALSE(info.has_partner_package());
  info.SetDefaultLanguage("uk");
  info.ApplyDefaults();
  info.StoreBrand();
  info.StoreLanguage();
  EXPECT_EQ(stored(L"brand"), L"velmar");
  EXPECT_EQ(stored(L"BrandFile"), L"C:\\temp\\BrandFile");
  EXPECT_EQ(stored(L"PartnerFile"), L"<missing>");
  EXPECT_EQ(stored(L"lang"), L"uk");

  BrandInfo::RemoveStoredBrand();
  EXPECT_EQ(stored(L"brand"), L"<missing>");
  EXPECT_EQ(stored(L"BrandFile"), L"<missing>");
  EXPECT_EQ(stored(L"lang"), L"uk");
  base::DeleteRegistryValue(HKEY_CURRENT_USER, base::kBrowserRegistryKey, L"lang");
}

}  // namespace
}  // namespace config

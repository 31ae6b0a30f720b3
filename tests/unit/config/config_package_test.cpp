#include "config/config_package.h"

#include <gtest/gtest.h>

#include <string>

#include "base/registry.h"
#include "config/brand_info.h"

namespace config {
namespace {

// Without packages everything comes from the defaults, and the setup is given
// no partner file. The tests end to end check the values a run stores over
// stale ones and removes once the setup has them.
TEST(RegistryHandOffTest, WithoutPackagesNoPartnerFileIsStored) {
  const auto stored = [](const wchar_t* name) {
    std::wstring value;
    return base::ReadRegistryString(HKEY_CURRENT_USER, base::kBrowserRegistryKey, name, &value)
               ? value
               : L"<missing>";
  };
  BrandInfo::RemoveStoredBrand();
  BrandInfo info(L"C:\\temp\\");
  info.GetInfo("");
  EXPECT_FALSE(info.has_brand_package());
  EXPECT_FALSE(info.has_partner_package());
  info.ApplyDefaults();
  info.StoreBrand();
  EXPECT_EQ(stored(L"brand"), L"velmar");
  EXPECT_EQ(stored(L"BrandFile"), L"C:\\temp\\BrandFile");
  EXPECT_EQ(stored(L"PartnerFile"), L"<missing>");
  BrandInfo::RemoveStoredBrand();
}

}  // namespace
}  // namespace config

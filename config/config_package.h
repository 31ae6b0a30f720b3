#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace config {

class BrandInfo;

// Resource type of the configuration packages in the installer's own module.
inline constexpr wchar_t kPackageResourceType[] = L"BIN";
inline constexpr int kBrandPackageResource = 319;
inline constexpr int kPartnerPackageResource = 320;
// Named brand packages are "BRAND_" + the lower-case brand name.
inline constexpr char kBrandPackagePrefix[] = "BRAND_";
inline constexpr char kBrandConfigMember[] = "brand_config";
inline constexpr char kPartnerConfigMember[] = "partner_config";

// The bytes of a "BIN" resource of this executable (a number through
// MAKEINTRESOURCEW, or a name); empty when there is none.
std::string LoadResourceBytes(const wchar_t* name);

// Creates or truncates `path` and writes `bytes` in one write; true only when
// every byte was written.
bool WritePackageFile(const std::wstring& path, std::string_view bytes);

// Extracts `member` from the package cabinet and, when it is there, reads its
// configuration into `brand_info` and logs the record. Text that does not
// parse reads as an empty document.
void ExtractPackage(BrandInfo* brand_info, std::string_view cabinet, std::string_view member);

}  // namespace config

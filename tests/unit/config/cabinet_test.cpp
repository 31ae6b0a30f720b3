#include "config/cabinet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/config/test_cabinets.h"

namespace config {
namespace {

TEST(ExtractFromCabinetTest, ExtractsTheRequestedMemberOrAllWithBackslashes) {
  const std::string partner = BuiltPackage(L"partner.cab");
  const CabinetMembers members = ExtractFromCabinet(partner, "partner_config");
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members.begin()->first, "partner_config");
  EXPECT_EQ(members.begin()->second.substr(174, 2), "\r\n");
  const CabinetMembers all = ExtractFromCabinet(partner, "");
  EXPECT_EQ(all.size(), 3u);
  // A binary member, NULs included, comes out byte for byte.
  const std::string zip = BuiltPackage(L"all_zip");
  ASSERT_NE(zip.find('\0'), std::string::npos);
  EXPECT_EQ(all.at("resources\\configs\\all_zip"), zip);
  // Names compare as bytes.
  for (const char* name : {"Partner_config", "partner_confi", "brand_config"}) {
    EXPECT_TRUE(ExtractFromCabinet(partner, name).empty()) << name;
  }
}

TEST(ExtractFromCabinetTest, BrokenCabinetsGiveNoPartOfAMember) {
  const std::string cabinet = BuiltPackage(L"velmar.cab");
  ASSERT_GT(cabinet.size(), 200u);
  std::string corrupt = cabinet;
  for (size_t i = cabinet.size() - 150; i < cabinet.size() - 50; ++i) corrupt[i] ^= 0x5a;
  std::vector<std::string> rows = {"", "MSCF", std::string(4096, '\xff'), corrupt};
  for (size_t size : {cabinet.size() - 1, cabinet.size() - 40, size_t{100}, size_t{36}}) {
    rows.push_back(cabinet.substr(0, size));
  }
  for (size_t row = 0; row < rows.size(); ++row) {
    EXPECT_TRUE(ExtractFromCabinet(rows[row], "brand_config").empty()) << "row " << row;
  }
}

}  // namespace
}  // namespace config

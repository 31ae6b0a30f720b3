#include "config/cabinet.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "unit/config/test_cabinets.h"

namespace config {
namespace {

TEST(ExtractFromCabinetTest, ExtractsOnlyTheRequestedMember) {
  const std::string partner = BuiltPackage("partner.cab");
  ASSERT_FALSE(partner.empty());
  const CabinetMembers members = ExtractFromCabinet(partner, "partner_config");
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members.begin()->first, "partner_config");
  EXPECT_EQ(members.begin()->second.substr(0, 2), "//");
  EXPECT_EQ(members.begin()->second.substr(174, 2), "\r\n");
}

TEST(ExtractFromCabinetTest, EmptyNameExtractsEveryMemberWithBackslashes) {
  const CabinetMembers members = ExtractFromCabinet(BuiltPackage("partner.cab"), "");
  EXPECT_EQ(members.size(), 3u);
  EXPECT_EQ(members.count("resources\\tablo"), 1u);
  EXPECT_EQ(members.count("resources\\configs\\all_zip"), 1u);
}

TEST(ExtractFromCabinetTest, StoredCabinetIsByteExact) {
  const std::string cabinet =
      StoredCabinet({{"a", 3, 0}, {"dir\\b", 4, 0}}, {std::string("one\0two", 7)}, false);
  const CabinetMembers members = ExtractFromCabinet(cabinet, "");
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members.at("a"), "one");
  EXPECT_EQ(members.at("dir\\b"), std::string("\0two", 4));
}

TEST(ExtractFromCabinetTest, MemberNamesCompareAsBytes) {
  const std::string cabinet = BuiltPackage("tb.cab");
  EXPECT_TRUE(ExtractFromCabinet(cabinet, "Brand_config").empty());
  EXPECT_TRUE(ExtractFromCabinet(cabinet, "brand_confi").empty());
  EXPECT_TRUE(ExtractFromCabinet(cabinet, "partner_config").empty());
}

TEST(ExtractFromCabinetTest, CabinetWithoutMembersGivesNothing) {
  EXPECT_TRUE(ExtractFromCabinet(StoredCabinet({}, {}, false), "").empty());
}

TEST(ExtractFromCabinetTest, BytesThatAreNoCabinetGiveNothing) {
  EXPECT_TRUE(ExtractFromCabinet("", "brand_config").empty());
  EXPECT_TRUE(ExtractFromCabinet("MSCF", "brand_config").empty());
  EXPECT_TRUE(ExtractFromCabinet(std::string(4096, '\xff'), "brand_config").empty());
}

TEST(ExtractFromCabinetTest, TruncatedCabinetKeepsNoPartOfAMember) {
  const std::string cabinet = BuiltPackage("velmar.cab");
  ASSERT_GT(cabinet.size(), 200u);
  for (size_t size : {cabinet.size() - 1, cabinet.size() - 40, size_t{100}, size_t{36}}) {
    EXPECT_TRUE(ExtractFromCabinet(cabinet.substr(0, size), "brand_config").empty())
        << "size " << size;
  }
}

TEST(ExtractFromCabinetTest, CorruptCompressedDataGivesNothing) {
  std::string cabinet = BuiltPackage("velmar.cab");
  ASSERT_GT(cabinet.size(), 200u);
  for (size_t i = cabinet.size() - 150; i < cabinet.size() - 50; ++i) cabinet[i] ^= 0x5a;
  EXPECT_TRUE(ExtractFromCabinet(cabinet, "brand_config").empty());
}

TEST(ExtractFromCabinetTest, SpannedSetStopsButKeepsCompletedMembers) {
  const std::string cabinet =
      StoredCabinet({{"first", 5, 0}, {"spanned", 10, 0xFFFE}}, {"hello", "spa"}, true);
  const CabinetMembers members = ExtractFromCabinet(cabinet, "");
  EXPECT_EQ(members.count("spanned"), 0u);
  ASSERT_EQ(members.count("first"), 1u);
  EXPECT_EQ(members.at("first"), "hello");
}

TEST(MemoryStreamTest, SeekToTheEndSucceedsAndOneBeyondFails) {
  const char data[] = "0123456789";
  MemoryStream stream(data, 10);
  EXPECT_EQ(stream.Seek(10, SEEK_SET), 10);
  EXPECT_EQ(stream.Seek(1, SEEK_CUR), -1);
  EXPECT_EQ(stream.Seek(0, SEEK_END), 10);
  EXPECT_EQ(stream.Seek(-11, SEEK_END), -1);
  EXPECT_EQ(stream.Seek(-3, SEEK_CUR), 7);
  EXPECT_EQ(stream.Seek(0, 7), -1);
}

TEST(MemoryStreamTest, ReadStopsAtTheEnd) {
  const char data[] = "0123456789";
  MemoryStream stream(data, 10);
  char buffer[16] = {};
  ASSERT_EQ(stream.Seek(7, SEEK_SET), 7);
  EXPECT_EQ(stream.Read(buffer, sizeof(buffer)), 3u);
  EXPECT_STREQ(buffer, "789");
  EXPECT_EQ(stream.Read(buffer, sizeof(buffer)), 0u);
}

}  // namespace
}  // namespace config

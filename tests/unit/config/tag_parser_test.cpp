#include "config/tag_parser.h"

#include <gtest/gtest.h>

#include "config/tag_writer.h"
#include "support/pe_image.h"

namespace config {
namespace {

using test_support::kCertificateTableOffset;
using test_support::kPeHeaderOffset;
using test_support::PeImage;
using test_support::SignedData;
using test_support::TaggedImage;

// `image` with `bytes` written at `offset`.
std::string Patched(std::string image, size_t offset, const std::string& bytes) {
  return image.replace(offset, bytes.size(), bytes);
}

// The tests end to end read the tag of a real signed build, past its signer's
// certificate.
TEST(ParseTagFromImageTest, JoinsTheTagsOfDummyCertificatesInTableOrder) {
  const std::string critical = EncodeDerElement(
      0x30, EncodeDerElement(0x06, "\x2b\x06\x01") + std::string("\x01\x01\xff", 3) +
                EncodeDerElement(0x04, std::string("\x00\x03y=2", 5)));
  std::string too_long = BuildTagExtension("abc", 10);
  // The room holds 8 bytes of text; claim 9.
  too_long[too_long.size() - 10] = 0;
  too_long[too_long.size() - 9] = 9;
  const std::pair<std::string, const char*> rows[] = {
      {TaggedImage({"lang=tr"}, /*pe32_plus=*/true), "lang=tr"},
      {TaggedImage({"a=1", "&b=2"}), "a=1&b=2"},
      {TaggedImage({""}), ""},
      // A critical fourth extension or a tag longer than its room gives no part.
      {PeImage(SignedData(
           {BuildDummyCertificate(critical), BuildDummyCertificate(BuildTagExtension("z=3", 16))})),
       "z=3"},
      {PeImage(SignedData({BuildDummyCertificate(too_long)})), ""},
  };
  for (const auto& [image, expected] : rows) {
    std::string tag = "not cleared";
    EXPECT_EQ(ParseTagFromImage(image, &tag), TagParseResult::kOk) << expected;
    EXPECT_EQ(tag, expected);
  }
}

TEST(ParseTagFromImageTest, BrokenFilesAndTablesGiveTheirResultAndNoTag) {
  const std::string image = TaggedImage({"a=1"});
  // The ContentInfo's length byte: after the 8-byte record header and the tag byte.
  const size_t length_offset = kCertificateTableOffset + 9;
  ASSERT_EQ(static_cast<uint8_t>(image[length_offset]), 0x82);
  const std::pair<std::string, TagParseResult> rows[] = {
      {image.substr(0, 63), TagParseResult::kNoCertificateTable},
      {Patched(image, kPeHeaderOffset + 24, "\x07"), TagParseResult::kNoCertificateTable},
      {Patched(image, 0x3C + 3, "\x7f"), TagParseResult::kNoCertificateTable},
      {image.substr(0, image.size() - 1), TagParseResult::kNoCertificateTable},
      // Security entry offset and size both zero: the walk starts in the DOS header.
      {Patched(image, kPeHeaderOffset + 24 + 128, std::string(8, '\0')),
       TagParseResult::kInvalidAsn1},
      {Patched(image, length_offset + 1, "\x7f"), TagParseResult::kInvalidAsn1},
      {Patched(image, length_offset, "\x80"), TagParseResult::kInvalidAsn1},
      // A certificate claiming 0x7f bytes inside a set of 2; a lone tag byte.
      {PeImage(SignedData({std::string("\x30\x7f", 2)})), TagParseResult::kInvalidAsn1},
      {PeImage(SignedData({"\x30"})), TagParseResult::kInvalidAsn1},
  };
  for (size_t row = 0; row < std::size(rows); ++row) {
    std::string tag = "not cleared";
    EXPECT_EQ(ParseTagFromImage(rows[row].first, &tag), rows[row].second) << "row " << row;
    EXPECT_EQ(tag, "") << "row " << row;
  }
  for (size_t size = kCertificateTableOffset; size < image.size(); ++size) {
    std::string tag;
    EXPECT_NE(ParseTagFromImage(image.substr(0, size), &tag), TagParseResult::kOk) << size;
  }
}

TEST(ReadTagRecordTest, ReadsOnlyAWholeRecordWithItsMagicAfterTheCertificate) {
  const std::string image = TaggedImage({"a=1"});
  EXPECT_EQ(ReadTagRecord(image + std::string("Vlct\x00\x05lang=", 11)), "lang=");
  EXPECT_EQ(ReadTagRecord(image + std::string("Vlcx\x00\x01x", 7)), "");
  EXPECT_EQ(ReadTagRecord(image + std::string("Vlct\x00\x09short", 11)), "");
  EXPECT_EQ(ReadTagRecord(image), "");
}

}  // namespace
}  // namespace config

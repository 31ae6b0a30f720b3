#include "config/tag_parser.h"

#include <gtest/gtest.h>

#include "config/tag_writer.h"
#include "support/pe_image.h"

namespace config {
namespace {

using test_support::kCertificateTableOffset;
using test_support::PeImage;
using test_support::SignedData;
using test_support::TaggedImage;

// Offset of the ContentInfo's length byte: after the 8-byte record header and the tag byte.
constexpr size_t kContentInfoLengthOffset = kCertificateTableOffset + 9;

std::string Parse(const std::string& image, TagParseResult expected = TagParseResult::kOk) {
  std::string tag = "not cleared";
  EXPECT_EQ(ParseTagFromImage(image, &tag), expected);
  return tag;
}

TEST(ParseTagFromImageTest, ReturnsTagOfDummyCertificate) {
  EXPECT_EQ(Parse(TaggedImage({"banerid=7&velmaruid=42"})), "banerid=7&velmaruid=42");
}

TEST(ParseTagFromImageTest, ReadsPe32PlusLikePe32) {
  EXPECT_EQ(Parse(TaggedImage({"lang=tr"}, /*pe32_plus=*/true)), "lang=tr");
}

TEST(ParseTagFromImageTest, ConcatenatesTwoDummyCertificatesInTableOrder) {
  EXPECT_EQ(Parse(TaggedImage({"a=1", "&b=2"})), "a=1&b=2");
}

TEST(ParseTagFromImageTest, UntaggedDummyCertificateGivesEmptyTag) {
  EXPECT_EQ(Parse(TaggedImage({""})), "");
}

TEST(ParseTagFromImageTest, IgnoresCertificatesThatAreNotDummies) {
  std::string other = BuildDummyCertificate(BuildTagExtension("x=1", 16));
  // The serial number 1 becomes 2: no longer the dummy template.
  const size_t serial = other.find(std::string("\x02\x01\x01", 3));
  ASSERT_NE(serial, std::string::npos);
  other[serial + 2] = 2;
  EXPECT_EQ(Parse(PeImage(SignedData({other}))), "");
  EXPECT_EQ(Parse(PeImage(SignedData({other, std::string("\x30\x00", 2)}))), "");
}

TEST(ParseTagFromImageTest, CriticalFourthExtensionGivesEmptyTagPart) {
  const std::string value = EncodeDerElement(0x04, std::string("\x00\x03y=2", 5));
  const std::string critical = EncodeDerElement(
      0x30, EncodeDerElement(0x06, "\x2b\x06\x01") + std::string("\x01\x01\xff", 3) + value);
  const std::string image = PeImage(SignedData(
      {BuildDummyCertificate(critical), BuildDummyCertificate(BuildTagExtension("z=3", 16))}));
  EXPECT_EQ(Parse(image), "z=3");
}

TEST(ParseTagFromImageTest, TagLongerThanItsRoomGivesEmptyTagPart) {
  std::string extension = BuildTagExtension("abc", 10);
  // The room holds 8 bytes of text; claim 9.
  extension[extension.size() - 10] = 0;
  extension[extension.size() - 9] = 9;
  EXPECT_EQ(Parse(PeImage(SignedData({BuildDummyCertificate(extension)}))), "");
}

TEST(ParseTagFromImageTest, FileWithoutCertificateTableIsInvalidAsn1) {
  std::string image = TaggedImage({"a=1"});
  // Security entry offset and size both zero: the walk starts in the DOS header.
  image.replace(test_support::kPeHeaderOffset + 24 + 128, 8, std::string(8, '\0'));
  EXPECT_EQ(Parse(image, TagParseResult::kInvalidAsn1), "");
}

TEST(ParseTagFromImageTest, NonPeFilesHaveNoCertificateTable) {
  const std::string image = TaggedImage({"a=1"});
  EXPECT_EQ(Parse(image.substr(0, 63), TagParseResult::kNoCertificateTable), "");
  std::string no_signature = image;
  no_signature[test_support::kPeHeaderOffset + 1] = 'X';
  EXPECT_EQ(Parse(no_signature, TagParseResult::kNoCertificateTable), "");
  std::string bad_magic = image;
  bad_magic[test_support::kPeHeaderOffset + 24] = 0x07;
  EXPECT_EQ(Parse(bad_magic, TagParseResult::kNoCertificateTable), "");
  std::string far_header = image;
  far_header[0x3C + 3] = '\x7f';
  EXPECT_EQ(Parse(far_header, TagParseResult::kNoCertificateTable), "");
}

TEST(ParseTagFromImageTest, TableReachingPastTheFileIsNotFound) {
  const std::string image = TaggedImage({"a=1"});
  EXPECT_EQ(Parse(image.substr(0, image.size() - 1), TagParseResult::kNoCertificateTable), "");
}

TEST(ParseTagFromImageTest, LengthPointingOutsideTheTableIsInvalidAsn1) {
  std::string image = TaggedImage({"a=1"});
  ASSERT_EQ(static_cast<uint8_t>(image[kContentInfoLengthOffset]), 0x82);
  image[kContentInfoLengthOffset + 1] = '\x7f';
  EXPECT_EQ(Parse(image, TagParseResult::kInvalidAsn1), "");
}

TEST(ParseTagFromImageTest, IndefiniteOrOverlongLengthIsInvalidAsn1) {
  for (const char length_byte : {'\x80', '\x85', '\xff'}) {
    std::string image = TaggedImage({"a=1"});
    image[kContentInfoLengthOffset] = length_byte;
    EXPECT_EQ(Parse(image, TagParseResult::kInvalidAsn1), "")
        << "length byte " << static_cast<int>(static_cast<uint8_t>(length_byte));
  }
}

TEST(ParseTagFromImageTest, CertificateLongerThanItsSetIsInvalidAsn1) {
  // A certificate claiming 0x7f bytes inside a set of 2.
  EXPECT_EQ(Parse(PeImage(SignedData({std::string("\x30\x7f", 2)})), TagParseResult::kInvalidAsn1),
            "");
  // A lone tag byte with no length at the end of the set.
  EXPECT_EQ(Parse(PeImage(SignedData({"\x30"})), TagParseResult::kInvalidAsn1), "");
}

TEST(ParseTagFromImageTest, EveryTruncationOfTheTableFailsCleanly) {
  const std::string image = TaggedImage({"a=1"});
  for (size_t size = kCertificateTableOffset; size < image.size(); ++size) {
    std::string tag;
    EXPECT_NE(ParseTagFromImage(image.substr(0, size), &tag), TagParseResult::kOk) << size;
  }
}

std::string WithTagRecord(const std::string& record) { return TaggedImage({"a=1"}) + record; }

TEST(ReadTagRecordTest, ReadsRecordAfterFirstCertificate) {
  EXPECT_EQ(ReadTagRecord(WithTagRecord(std::string("Vlct\x00\x05lang=", 11))), "lang=");
}

TEST(ReadTagRecordTest, IgnoresOtherMagicAndRecordsPastTheEnd) {
  EXPECT_EQ(ReadTagRecord(WithTagRecord(std::string("Vlcx\x00\x01x", 7))), "");
  EXPECT_EQ(ReadTagRecord(WithTagRecord(std::string("Vlct\x00\x09short", 11))), "");
  EXPECT_EQ(ReadTagRecord(TaggedImage({"a=1"})), "");
}

}  // namespace
}  // namespace config

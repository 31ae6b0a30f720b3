#include "config/tag_writer.h"

#include <gtest/gtest.h>

#include "config/tag_parser.h"
#include "support/pe_image.h"

namespace config {
namespace {

using test_support::PeImage;
using test_support::SignedData;

// A signed-looking image with one ordinary certificate and no dummy.
std::string SignedImage() {
  return PeImage(SignedData({EncodeDerElement(0x30, EncodeDerElement(0x30, "signer"))}));
}

std::string ReadTag(const std::string& image) {
  std::string tag;
  EXPECT_EQ(ParseTagFromImage(image, &tag), TagParseResult::kOk);
  return tag;
}

TEST(WriteTagTest, AddsDummyCertificateWithFullRoom) {
  std::string image = SignedImage();
  std::string error;
  ASSERT_TRUE(WriteTag(&image, "banerid=7&velmaruid=42&lang=tr", &error)) << error;
  EXPECT_EQ(ReadTag(image), "banerid=7&velmaruid=42&lang=tr");
  EXPECT_GT(image.size(), SignedImage().size() + kTagRoomBytes);
}

TEST(WriteTagTest, KeepsTableEntriesAfterTheSignature) {
  std::string image = SignedImage() + "EXTRAENT";
  CertificateTable table;
  ASSERT_TRUE(FindCertificateTable(image, &table));
  test_support::PutLittleEndian(&image, table.entry_offset + 4, table.size + 8, 4);
  std::string error;
  ASSERT_TRUE(WriteTag(&image, "a=1", &error)) << error;
  EXPECT_EQ(ReadTag(image), "a=1");
  EXPECT_EQ(image.substr(image.size() - 8), "EXTRAENT");
  ASSERT_TRUE(FindCertificateTable(image, &table));
  EXPECT_EQ(table.offset + table.size, image.size());
}

TEST(WriteTagTest, RetaggingKeepsTheFileSize) {
  std::string image = SignedImage();
  std::string error;
  ASSERT_TRUE(WriteTag(&image, "a=1", &error)) << error;
  const size_t size = image.size();
  ASSERT_TRUE(WriteTag(&image, std::string(kTagRoomBytes, 'x'), &error)) << error;
  EXPECT_EQ(image.size(), size);
  EXPECT_EQ(ReadTag(image), std::string(kTagRoomBytes, 'x'));
  ASSERT_TRUE(WriteTag(&image, "b=2", &error)) << error;
  EXPECT_EQ(ReadTag(image), "b=2");
}

TEST(WriteTagTest, RefusesTagLongerThanItsRoomAndLeavesTheImage) {
  std::string image = SignedImage();
  std::string error;
  EXPECT_FALSE(WriteTag(&image, std::string(kTagRoomBytes + 1, 'x'), &error));
  EXPECT_NE(error.find("10240"), std::string::npos) << error;
  EXPECT_EQ(image, SignedImage());
}

TEST(WriteTagTest, ClearsTheTagsOfFurtherDummies) {
  std::string image = test_support::TaggedImage({"a=1", "b=2"});
  std::string error;
  ASSERT_TRUE(WriteTag(&image, "c=3", &error)) << error;
  EXPECT_EQ(ReadTag(image), "c=3");
}

TEST(WriteTagTest, RefusesUnsignedAndTrailingDataFiles) {
  std::string error;
  std::string unsigned_image = PeImage("");
  unsigned_image.replace(test_support::kPeHeaderOffset + 24 + 128, 8, std::string(8, '\0'));
  EXPECT_FALSE(WriteTag(&unsigned_image, "a=1", &error));
  std::string trailing = SignedImage() + "appended";
  EXPECT_FALSE(WriteTag(&trailing, "a=1", &error));
  EXPECT_NE(error.find("not at the end"), std::string::npos) << error;
}

}  // namespace
}  // namespace config

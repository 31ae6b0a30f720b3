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

// The tests end to end tag a real signed build, and the writer's fuzzer reads
// back what it wrote over any bytes, tagged seeds and further dummy
// certificates included.
TEST(WriteTagTest, KeepsTableEntriesAfterTheSignature) {
  std::string image = SignedImage() + "EXTRAENT";
  CertificateTable table;
  ASSERT_TRUE(FindCertificateTable(image, &table));
  test_support::PutLittleEndian(&image, table.entry_offset + 4, table.size + 8, 4);
  std::string error;
  ASSERT_TRUE(WriteTag(&image, "a=1", &error)) << error;
  std::string tag;
  EXPECT_EQ(ParseTagFromImage(image, &tag), TagParseResult::kOk);
  EXPECT_EQ(tag, "a=1");
  EXPECT_EQ(image.substr(image.size() - 8), "EXTRAENT");
  ASSERT_TRUE(FindCertificateTable(image, &table));
  EXPECT_EQ(table.offset + table.size, image.size());
}

TEST(WriteTagTest, RefusesLongTagsUnsignedFilesAndTrailingDataLeavingTheImage) {
  std::string unsigned_image = PeImage("");
  unsigned_image.replace(test_support::kPeHeaderOffset + 24 + 128, 8, std::string(8, '\0'));
  const std::string long_tag(kTagRoomBytes + 1, 'x');
  const struct {
    std::string image, tag, error;
  } rows[] = {
      {SignedImage(), long_tag, "10240"},
      {unsigned_image, "a=1", ""},
      {SignedImage() + "appended", "a=1", "not at the end"},
  };
  for (const auto& row : rows) {
    std::string image = row.image;
    std::string error;
    EXPECT_FALSE(WriteTag(&image, row.tag, &error)) << row.error;
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    EXPECT_EQ(image, row.image);
  }
}

}  // namespace
}  // namespace config

#include "ui/resource_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "support/log_capture.h"
#include "ui/scale_factor.h"
#include "unit/ui/installer_module.h"

namespace ui {
namespace {

constexpr int kNotAPictureResource = 4242;  // tests/unit/ui/test_resources.rc

// A 3 x 2 RGBA PNG: opaque red, opaque green, blue at alpha 128; then
// transparent, opaque white, opaque black.
const unsigned char kThreeByTwoPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x9d, 0x74, 0x66, 0x1a, 0x00, 0x00, 0x00, 0x18, 0x49, 0x44, 0x41, 0x54, 0x78,
    0xda, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x0c, 0x19, 0xfe, 0x37, 0x30, 0x80, 0xc0,
    0x7f, 0x20, 0x00, 0x51, 0x00, 0x85, 0x9b, 0x0a, 0x77, 0xd1, 0x9b, 0x3a, 0x92, 0x00,
    0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(ScaleFactorTest, TakesFinitePositiveDecimals) {
  double scale = 0.0;
  EXPECT_TRUE(ParseScaleFactor("2", &scale));
  EXPECT_EQ(scale, 2.0);
  EXPECT_TRUE(ParseScaleFactor("1.25", &scale));
  EXPECT_EQ(scale, 1.25);
  EXPECT_TRUE(ParseScaleFactor(".5", &scale));
  EXPECT_EQ(scale, 0.5);
  EXPECT_TRUE(ParseScaleFactor("15e-1", &scale));
  EXPECT_EQ(scale, 1.5);
  EXPECT_TRUE(ParseScaleFactor("0.000125E+4", &scale));
  EXPECT_EQ(scale, 1.25);
  EXPECT_TRUE(ParseScaleFactor("2.", &scale));
  EXPECT_EQ(scale, 2.0);
  // Digits past what a double holds only round.
  EXPECT_TRUE(ParseScaleFactor("1.000000000000000000000000001", &scale));
  EXPECT_EQ(scale, 1.0);
  EXPECT_TRUE(ParseScaleFactor("1500000000000000000000e-21", &scale));
  EXPECT_EQ(scale, 1.5);
}

TEST(ScaleFactorTest, RejectsWhatIsNotAUsableNumber) {
  for (const char* text :
       {"",         "abc",           "2x",     " 2", "2 ", "+2", "0x2", "inf",   "-inf", "nan",
        "infinity", "1e400",         "1e-400", "0",  "-1", "1e", ".",   "1.2.3", "1e5x", "e5",
        "1e+",      "1e99999999999", "0.0e5"}) {
    double scale = 7.0;
    EXPECT_FALSE(ParseScaleFactor(text, &scale)) << text;
    EXPECT_EQ(scale, 7.0) << text;
  }
}

struct TablePicture {
  int id;
  int width;
  int height;
};

// Every picture of the window at its designed size.
constexpr TablePicture kPictures[] = {
    {kPictureBackground, 728, 400},
    {kPictureWelcomeLogo, 166, 28},
    {kPictureProgressLogo, 166, 28},
    {kPictureWelcomeLogoRussian, 166, 28},
    {kPictureProgressLogoRussian, 166, 28},
    {kPictureFirstSlide, 702, 536},
    {kPictureFirstSlideRussian, 698, 478},
    {kPictureInstallButton, 336, 32},
    {kPictureCheckBox, 96, 16},
    {kPictureWelcomeClose, 36, 12},
    {kPictureProgressClose, 36, 12},
    {kPictureProgressTrack, 292, 4},
    {kPictureProgressFill, 292, 4},
    {kPictureDialog, 410, 186},
    {kPictureShadowTopLeft, 16, 16},
    {kPictureShadowTopRight, 16, 16},
    {kPictureShadowBottomRight, 16, 16},
    {kPictureShadowBottomLeft, 16, 16},
    {kPictureShadowLeft, 8, 1},
    {kPictureShadowTop, 1, 8},
    {kPictureShadowRight, 8, 1},
    {kPictureShadowBottom, 1, 8},
};

class ResourceBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.IsValid()) << "cannot load lite_installer.exe"; }

  base::ScopedModule module_ = testing_support::LoadInstallerResources();
};

TEST_F(ResourceBitmapTest, EveryPictureOfTheInstallerDecodesAtItsSize) {
  for (const TablePicture& picture : kPictures) {
    const ResourceBitmap bitmap = ResourceBitmap::Load(picture.id, 1.0, module_.Get());
    EXPECT_EQ(bitmap.image_width(), picture.width) << picture.id;
    EXPECT_EQ(bitmap.image_height(), picture.height) << picture.id;
    EXPECT_EQ(bitmap.drawing_scale(), GetScaleFactor()) << picture.id;
  }
}

TEST_F(ResourceBitmapTest, DesignScaleDividesTheScaleFactor) {
  const ResourceBitmap logo = ResourceBitmap::Load(kPictureWelcomeLogo, 0.5, module_.Get());
  EXPECT_EQ(logo.drawing_scale(), GetScaleFactor() * 2);
  const int expected_width = static_cast<int>(166 * GetScaleFactor() * 2 + 0.5);
  const int expected_height = static_cast<int>(28 * GetScaleFactor() * 2 + 0.5);
  EXPECT_EQ(logo.width(), expected_width);
  EXPECT_EQ(logo.height(), expected_height);
}

TEST_F(ResourceBitmapTest, MissingPictureIsEmptyAndLogged) {
  testing_support::LogCapture log;
  const ResourceBitmap missing = ResourceBitmap::Load(9999, 1.0, module_.Get());
  EXPECT_TRUE(missing.IsEmpty());
  EXPECT_EQ(missing.width(), 0);
  EXPECT_EQ(missing.height(), 0);
  EXPECT_NE(log.Text().find(L"ERROR: Load ("), std::wstring::npos) << log.Text();
  EXPECT_NE(log.Text().find(L"Failed to create the resource 9999 stream"), std::wstring::npos);
}

TEST(ResourceBitmapOwnResourceTest, ResourceThatIsNoPictureIsEmptyAndLogged) {
  testing_support::LogCapture log;
  // Text under RCDATA in this test program's own resources.
  const ResourceBitmap text = ResourceBitmap::Load(kNotAPictureResource, 1.0);
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(text.width(), 0);
  EXPECT_NE(log.Text().find(L"ERROR: Load ("), std::wstring::npos) << log.Text();
  EXPECT_NE(log.Text().find(L"Failed to load a bitmap"), std::wstring::npos) << log.Text();
}

TEST(ResourceBitmapBytesTest, DecodesPngAtTheGivenScale) {
  const ResourceBitmap bitmap =
      ResourceBitmap::FromBytes(kThreeByTwoPng, sizeof(kThreeByTwoPng), kSlideScaleRatio * 4);
  ASSERT_FALSE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.image_width(), 3);
  EXPECT_EQ(bitmap.image_height(), 2);
  EXPECT_EQ(bitmap.width(), 6);
  EXPECT_EQ(bitmap.height(), 4);
}

TEST(ResourceBitmapBytesTest, BytesThatAreNoPictureGiveAnEmptyBitmap) {
  const std::string html = "<html><body>404 Not Found</body></html>";
  EXPECT_TRUE(ResourceBitmap::FromBytes(html.data(), html.size(), 1.0).IsEmpty());
  EXPECT_TRUE(ResourceBitmap::FromBytes(kThreeByTwoPng, 20, 1.0).IsEmpty());
  EXPECT_TRUE(ResourceBitmap::FromBytes(nullptr, 0, 1.0).IsEmpty());
}

TEST(ResourceBitmapBytesTest, DrawsOntoPixelsKeepingAlpha) {
  const ResourceBitmap bitmap =
      ResourceBitmap::FromBytes(kThreeByTwoPng, sizeof(kThreeByTwoPng), 1.0);
  std::vector<uint32_t> pixels(6, 0);
  bitmap.DrawOnPixels(pixels.data(), 3, 2, {0, 0, 3, 2}, {0, 0, 3, 2});
  EXPECT_EQ(pixels[0], 0xFFFF0000u);
  EXPECT_EQ(pixels[1], 0xFF00FF00u);
  // Premultiplied: half-transparent blue.
  EXPECT_NEAR(static_cast<int>(pixels[2] >> 24), 128, 1);
  EXPECT_NEAR(static_cast<int>(pixels[2] & 0xFF), 128, 1);
  EXPECT_EQ(pixels[3], 0u);
  EXPECT_EQ(pixels[4], 0xFFFFFFFFu);
  EXPECT_EQ(pixels[5], 0xFF000000u);
}

TEST(ResourceBitmapBytesTest, StretchedEdgeKeepsItsValueToTheEnds) {
  // One column (red over transparent) stretched over eight: no fading at the ends.
  const ResourceBitmap bitmap =
      ResourceBitmap::FromBytes(kThreeByTwoPng, sizeof(kThreeByTwoPng), 1.0);
  std::vector<uint32_t> pixels(8, 0);
  bitmap.DrawOnPixels(pixels.data(), 8, 1, {0, 0, 8, 1}, {0, 0, 1, 1});
  for (uint32_t pixel : pixels) EXPECT_EQ(pixel, 0xFFFF0000u);
}

TEST(ResourceBitmapHBitmapTest, WrapsAGdiBitmap) {
  base::ScopedGdiObject gdi(::CreateBitmap(5, 4, 1, 32, nullptr));
  const ResourceBitmap bitmap(static_cast<HBITMAP>(gdi.Get()), 2.0);
  ASSERT_FALSE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.width(), 10);
  EXPECT_EQ(bitmap.height(), 8);
}

TEST(ResourceBitmapHBitmapTest, NullBitmapIsEmptyAndLogged) {
  testing_support::LogCapture log;
  const ResourceBitmap bitmap(static_cast<HBITMAP>(nullptr), 1.0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_NE(log.Text().find(L"Failed to construct a ResourceBitmap from HBITMAP"),
            std::wstring::npos)
      << log.Text();
}

}  // namespace
}  // namespace ui

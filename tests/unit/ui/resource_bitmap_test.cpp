#include "ui/resource_bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/scoped_handle.h"
#include "support/log_capture.h"
#include "ui/scale_factor.h"
#include "unit/ui/installer_module.h"

namespace ui {
namespace {

// A 3 x 2 RGBA PNG: opaque red, opaque green, blue at alpha 128; then
// transparent, opaque white, opaque black.
const unsigned char kThreeByTwoPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x9d, 0x74, 0x66, 0x1a, 0x00, 0x00, 0x00, 0x18, 0x49, 0x44, 0x41, 0x54, 0x78,
    0xda, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x0c, 0x19, 0xfe, 0x37, 0x30, 0x80, 0xc0,
    0x7f, 0x20, 0x00, 0x51, 0x00, 0x85, 0x9b, 0x0a, 0x77, 0xd1, 0x9b, 0x3a, 0x92, 0x00,
    0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(ScaleFactorTest, TakesOnlyFinitePositiveDecimals) {
  // Digits past what a double holds only round.
  const std::pair<const char*, double> accepted[] = {{"2", 2.0},
                                                     {"1.25", 1.25},
                                                     {".5", 0.5},
                                                     {"15e-1", 1.5},
                                                     {"0.000125E+4", 1.25},
                                                     {"2.", 2.0},
                                                     {"1.000000000000000000000000001", 1.0},
                                                     {"1500000000000000000000e-21", 1.5}};
  for (const auto& [text, expected] : accepted) {
    double scale = 7.0;
    EXPECT_TRUE(ParseScaleFactor(text, &scale)) << text;
    EXPECT_EQ(scale, expected) << text;
  }
  for (const char* text :
       {"",         "abc",           "2x",     " 2", "2 ", "+2", "0x2", "inf",   "-inf", "nan",
        "infinity", "1e400",         "1e-400", "0",  "-1", "1e", ".",   "1.2.3", "1e5x", "e5",
        "1e+",      "1e99999999999", "0.0e5"}) {
    double scale = 7.0;
    EXPECT_FALSE(ParseScaleFactor(text, &scale)) << text;
    EXPECT_EQ(scale, 7.0) << text;
  }
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
  reinterpret_cast<std::vector<int>*>(ids)->push_back(
      static_cast<int>(IS_INTRESOURCE(name) ? reinterpret_cast<uintptr_t>(name) : 0));
  return TRUE;
}

// Their sizes and formats are the ones tools/make_pictures.py renders.
TEST(ResourceBitmapTest, EveryPictureOfTheInstallerDecodes) {
  const base::ScopedModule module = testing_support::LoadInstallerResources();
  ASSERT_TRUE(module.IsValid()) << "cannot load lite_installer.exe";
  std::vector<int> ids;
  ::EnumResourceNamesW(module.Get(), RT_RCDATA, CollectId, reinterpret_cast<LONG_PTR>(&ids));
  ASSERT_GE(ids.size(), 22u);
  for (int id : ids) {
    EXPECT_FALSE(ResourceBitmap::Load(id, 1.0, module.Get()).IsEmpty()) << id;
  }
  // The drawing scale is the screen's divided by the picture's design scale.
  const ResourceBitmap logo = ResourceBitmap::Load(kPictureWelcomeLogo, 0.5, module.Get());
  EXPECT_EQ(logo.width(), static_cast<int>(166 * GetScaleFactor() * 2 + 0.5));
  EXPECT_EQ(logo.height(), static_cast<int>(28 * GetScaleFactor() * 2 + 0.5));
}

// Whichever rendering is drawn, a picture keeps its drawn size, so the
// layout and the sprite frames stay where they are at every scale.
TEST(ResourceBitmapTest, PicturesDrawnSmallHaveADoubleSizeRenderingOfTwiceTheirSize) {
  const base::ScopedModule module = testing_support::LoadInstallerResources();
  ASSERT_TRUE(module.IsValid()) << "cannot load lite_installer.exe";
  std::vector<int> ids;
  ::EnumResourceNamesW(module.Get(), RT_RCDATA, CollectId, reinterpret_cast<LONG_PTR>(&ids));
  std::vector<int> doubled;
  for (int id : ids) {
    if (id < kDoubleSizePictureOffset) continue;
    const int single_id = id - kDoubleSizePictureOffset;
    doubled.push_back(single_id);
    const ResourceBitmap single = ResourceBitmap::Load(single_id, 1.0, module.Get());
    const ResourceBitmap twice = ResourceBitmap::Load(id, 1.0, module.Get());
    ASSERT_FALSE(single.IsEmpty()) << single_id;
    EXPECT_EQ(twice.image_width(), 2 * single.image_width()) << id;
    EXPECT_EQ(twice.image_height(), 2 * single.image_height()) << id;
  }
  for (int small : {kPictureWelcomeLogo, kPictureProgressLogo, kPictureWelcomeLogoRussian,
                    kPictureProgressLogoRussian, kPictureCheckBox, kPictureWelcomeClose,
                    kPictureProgressClose, kPictureInstallButton}) {
    EXPECT_NE(std::find(doubled.begin(), doubled.end(), small), doubled.end()) << small;
  }
}

TEST(PictureRenderingTest, AboveScaleOneTheDoubleSizeRenderingIsDrawn) {
  for (double scale : {1.25, 1.5, 2.0, 3.0}) {
    const PictureRendering rendering = ChoosePictureRendering(kPictureCheckBox, scale, true);
    EXPECT_EQ(rendering.resource_id, kPictureCheckBox + kDoubleSizePictureOffset) << scale;
    EXPECT_EQ(rendering.design_scale, 2.0) << scale;
  }
  for (double scale : {0.5, 1.0}) {
    const PictureRendering rendering = ChoosePictureRendering(kPictureCheckBox, scale, true);
    EXPECT_EQ(rendering.resource_id, kPictureCheckBox) << scale;
    EXPECT_EQ(rendering.design_scale, 1.0) << scale;
  }
}

TEST(PictureRenderingTest, APictureWithoutADoubleSizeRenderingIsStretched) {
  const PictureRendering rendering = ChoosePictureRendering(kPictureBackground, 2.0, false);
  EXPECT_EQ(rendering.resource_id, kPictureBackground);
  EXPECT_EQ(rendering.design_scale, 1.0);
}

TEST(ResourceBitmapTest, MissingPictureIsEmptyAndLogged) {
  testing_support::LogCapture log;
  const ResourceBitmap missing = ResourceBitmap::Load(9999, 1.0);
  EXPECT_TRUE(missing.IsEmpty());
  EXPECT_EQ(missing.width(), 0);
  EXPECT_NE(log.Text().find(L"ERROR: Load ("), std::wstring::npos) << log.Text();
  EXPECT_NE(log.Text().find(L"Failed to create the resource 9999 stream"), std::wstring::npos);
}

// Downloaded slides, decoded at their scale, are measured in tests/e2e/test_slides.py.
TEST(ResourceBitmapBytesTest, BytesThatAreNoWholePictureGiveAnEmptyBitmap) {
  const std::string html = "<html><body>404 Not Found</body></html>";
  EXPECT_TRUE(ResourceBitmap::FromBytes(html.data(), html.size(), 1.0).IsEmpty());
  EXPECT_TRUE(ResourceBitmap::FromBytes(kThreeByTwoPng, 20, 1.0).IsEmpty());
  EXPECT_TRUE(ResourceBitmap::FromBytes(nullptr, 0, 1.0).IsEmpty());
}

TEST(ResourceBitmapBytesTest, DrawsOntoPixelsKeepingAlphaAndStretchedEdges) {
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

  // One column (red over transparent) stretched over eight: no fading at the ends.
  std::vector<uint32_t> row(8, 0);
  bitmap.DrawOnPixels(row.data(), 8, 1, {0, 0, 8, 1}, {0, 0, 1, 1});
  for (uint32_t pixel : row) EXPECT_EQ(pixel, 0xFFFF0000u);
}

}  // namespace
}  // namespace ui

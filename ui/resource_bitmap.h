#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

namespace ui {

// Picture resources (RT_RCDATA) of the window.
enum PictureId : int {
  kPictureProgressClose = 298,  // three 12 x 12 frames
  kPictureCheckBox = 299,       // 16 x 16 frames
  kPictureWelcomeLogo = 301,
  kPictureWelcomeClose = 302,  // three 12 x 12 frames
  kPictureFirstSlide = 303,
  kPictureProgressLogo = 304,
  kPictureBackground = 307,
  kPictureInstallButton = 309,  // three 112 x 32 frames: normal, hot, pressed
  kPictureProgressTrack = 313,
  kPictureProgressFill = 314,
  kPictureDialog = 315,
  kPictureFirstSlideRussian = 321,
  kPictureShadowTopLeft = 1057,
  kPictureShadowTopRight = 1058,
  kPictureShadowBottomRight = 1059,
  kPictureShadowBottomLeft = 1060,
  kPictureShadowLeft = 1061,    // 8 x 1
  kPictureShadowTop = 1062,     // 1 x 8
  kPictureShadowRight = 1063,   // 8 x 1
  kPictureShadowBottom = 1064,  // 1 x 8
  kPictureWelcomeLogoRussian = 1065,
  kPictureProgressLogoRussian = 1066,
};

// The pictures of the window are designed for scale 1.
inline constexpr double kPictureDesignScale = 1.0;
// The pictures drawn small also come rendered at twice their size, under
// their ID plus this (tools/make_pictures.py).
inline constexpr int kDoubleSizePictureOffset = 2000;

// The rendering of a picture to draw, and the scale it was made for.
struct PictureRendering {
  int resource_id;
  double design_scale;
};
// Above scale 1, the double-size rendering when the picture has one: at
// scale 2 it is drawn pixel for pixel, and shrinking it keeps edges sharp
// where enlarging the 1x picture would blur them.
PictureRendering ChoosePictureRendering(int resource_id, double scale_factor, bool has_double_size);
// Slides are published at double size.
inline constexpr double kSlideScaleRatio = 0.5;

// A decoded picture (GDI+) and the scale it is drawn at. Copies share the
// picture. An empty bitmap draws nothing and measures 0 x 0.
class ResourceBitmap {
 public:
  ResourceBitmap() = default;
  // Picture resource `resource_id`, drawn at the scale factor / `design_scale`.
  ResourceBitmap(int resource_id, double design_scale);
  // A copy of a GDI bitmap, drawn at `drawing_scale`.
  ResourceBitmap(HBITMAP bitmap, double drawing_scale);

  // Picture resource `resource_id` of `module` (null: this program).
  static ResourceBitmap Load(int resource_id, double design_scale, HMODULE module = nullptr);
  // Picture resource `resource_id` of this program, designed for scale 1, in
  // the rendering chosen for the scale factor.
  static ResourceBitmap LoadForScale(int resource_id);
  // Encoded picture bytes (PNG, JPEG, ...); empty when they do not decode.
  static ResourceBitmap FromBytes(const void* data, size_t size, double drawing_scale);

  bool IsEmpty() const { return picture_ == nullptr; }
  // The drawn size: the picture's pixels times the drawing scale.
  int width() const;
  int height() const;
  int image_width() const;
  int image_height() const;
  double drawing_scale() const { return drawing_scale_; }

  // The whole picture at its drawn size, top-left corner at (x, y).
  void Draw(HDC dc, int x, int y) const;
  // `part`, a rectangle of the drawn picture (a sprite frame, say), with its
  // top-left corner at (x, y).
  void DrawPart(HDC dc, int x, int y, const RECT& part) const;
  // `source` (picture pixels) stretched over `target` (device pixels).
  void DrawStretched(HDC dc, const RECT& target, const RECT& source) const;
  // The same onto a 32-bit premultiplied-alpha pixel buffer (top-down rows
  // of `width` pixels), keeping the picture's per-pixel alpha.
  void DrawOnPixels(void* pixels, int width, int height, const RECT& target,
                    const RECT& source) const;

 private:
  class Picture;
  ResourceBitmap(std::shared_ptr<Picture> picture, double drawing_scale);
  static std::shared_ptr<Picture> Decode(const void* data, size_t size);

  std::shared_ptr<Picture> picture_;
  double drawing_scale_ = 1.0;
};

// Starts GDI+ once for the process; true when it runs.
bool EnsureGdiplus();

}  // namespace ui

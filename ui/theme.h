#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"
#include "ui/resource_bitmap.h"

namespace ui {

enum class FontRole : int {
  kTitle,      // Arial 32
  kBody,       // SegoeUI 15
  kSmall,      // Arial 12
  kSmallLink,  // Arial 12, underlined
  kLarge,      // Arial 28
  kMedium,     // Arial 15
  kTiny,       // Arial 11
  kTinyLink,   // Arial 11, underlined
  kCount
};

enum class ImageRole : int {
  kBackground,
  kWelcomeLogo,
  kProgressLogo,
  kFirstSlide,
  kProgressTrack,
  kProgressFill,
  kInstallButton,  // three frames: normal, hot, pressed
  kCheckBox,       // six frames: unchecked then checked, each normal, hot, pressed
  kWelcomeClose,   // three frames
  kProgressClose,  // three frames
  kDialogPicture,
  kCount
};

// The resource picture of each role for an interface language (Russian has
// its own logos and first slide).
int ImageResourceId(ImageRole role, uint16_t lang_id);
// How many frames of equal width a picture holds side by side.
int ImageFrameCount(ImageRole role);

// Fonts, pictures, texts and colours of the install window and its dialogs.
class Theme {
 public:
  explicit Theme(uint16_t lang_id);
  ~Theme();
  Theme(const Theme&) = delete;
  Theme& operator=(const Theme&) = delete;

  double scale() const { return scale_; }
  uint16_t lang_id() const { return lang_id_; }
  HFONT font(FontRole role) const {
    return static_cast<HFONT>(fonts_[static_cast<int>(role)].Get());
  }
  std::wstring String(uint32_t id) const;

  // Each picture is decoded at its first use, so that the first screen waits
  // only for its own.
  const ResourceBitmap& image(ImageRole role) const;
  // Size of one frame of a picture in device pixels.
  SIZE FrameSize(ImageRole role) const;
  // Draws one frame of a picture with its top-left corner at (x, y).
  void DrawFrame(HDC dc, ImageRole role, int frame, int x, int y) const;
  void Draw(HDC dc, ImageRole role, int x, int y) const { DrawFrame(dc, role, 0, x, y); }
  // Draws the left `width` device pixels of a picture.
  void DrawLeftPart(HDC dc, ImageRole role, int x, int y, int width) const;

  static constexpr COLORREF kTextColor = RGB(0xFF, 0xFF, 0xFF);
  static constexpr COLORREF kDarkTextColor = RGB(0x1E, 0x23, 0x37);
  static constexpr COLORREF kGreyTextColor = RGB(0x5F, 0x66, 0x7A);
  static constexpr COLORREF kMutedTextColor = RGB(0xC9, 0xD3, 0xE8);
  // The Install button's shades: normal and pressed.
  static constexpr COLORREF kAccentColor = RGB(213, 62, 39);
  static constexpr COLORREF kAccentPressedColor = RGB(185, 49, 30);
  static constexpr COLORREF kBorderColor = RGB(0xC9, 0xCE, 0xD9);
  static constexpr double kLineHeightFactor = 1.4;
  HBRUSH white_brush() const { return static_cast<HBRUSH>(white_brush_.Get()); }

 private:
  uint16_t lang_id_;
  double scale_;
  base::ScopedGdiObject fonts_[static_cast<int>(FontRole::kCount)];
  mutable ResourceBitmap images_[static_cast<int>(ImageRole::kCount)];
  mutable bool images_loaded_[static_cast<int>(ImageRole::kCount)] = {};
  base::ScopedGdiObject white_brush_;
};

}  // namespace ui

#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// What the ring is drawn on: the dark welcome screen, or the white progress
// screen and dialogs.
enum class FocusRingBackground { kDark, kLight };

// The ring in device pixels: `gap` outside the control, `width` thick; its
// colour with alpha (0xAARRGGBB).
struct FocusRingStyle {
  int gap = 0;
  int width = 0;
  uint32_t argb = 0;
};

FocusRingStyle FocusRingStyleFor(FocusRingBackground background, double scale);

// The ring's centre line around `control`, whose corners are rounded by
// `radius`: a rectangle with the corner radius it keeps at that distance.
struct FocusRingOutline {
  float left, top, right, bottom, radius;
};
FocusRingOutline FocusRingOutlineFor(const RECT& control, int radius, const FocusRingStyle& style);
// Everything the ring covers around `control`, in the same coordinates.
RECT FocusRingBounds(const RECT& control, const FocusRingStyle& style);

// The control of `dialog` that has the focus; null when the focus is
// elsewhere, on a hidden control or on one outside the tab order.
HWND FocusedControl(HWND dialog);
// Whether a message can move the focus or change the cues, so that the ring
// must follow once the dialog has handled it.
bool MovesFocusOrCues(UINT message, WPARAM wparam);

// The focus ring of one dialog. It lies outside its control, so the dialog,
// and any control that the ring passes over, draws it as part of the
// background under its own content.
class FocusRing {
 public:
  FocusRing() = default;
  FocusRing(const FocusRing&) = delete;
  FocusRing& operator=(const FocusRing&) = delete;

  void Attach(HWND dialog, const FocusRingStyle& style);
  void set_style(const FocusRingStyle& style) { style_ = style; }
  // Puts the ring around `control` (null: nowhere), whose corners are rounded
  // by `radius` device pixels, and repaints where it was and where it goes.
  void MoveTo(HWND control, int radius);
  HWND control() const { return control_; }
  // Draws the part of the ring that falls into `window` (the dialog or one of
  // its controls) on `dc`, whose origin is the window's client origin.
  void Paint(HDC dc, HWND window) const;

 private:
  void Invalidate() const;

  HWND dialog_ = nullptr;
  FocusRingStyle style_;
  HWND control_ = nullptr;
  RECT rect_ = {};  // the control, in the dialog's client coordinates
  int radius_ = 0;
};

}  // namespace ui

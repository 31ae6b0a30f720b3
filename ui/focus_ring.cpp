#include "ui/focus_ring.h"

#include <windows.h>
#include <gdiplus.h>

namespace ui {

using namespace Gdiplus::DllExports;

namespace {

constexpr int kRingLogicalPixels = 2;            // both the gap and the width, scaled
constexpr uint32_t kLightRingArgb = 0xE6FFFFFF;  // white at 90 %
constexpr uint32_t kDarkRingArgb = 0xFF1C2268;   // the brand's indigo

}  // namespace

FocusRingStyle FocusRingStyleFor(FocusRingBackground background, double scale) {
  int pixels = static_cast<int>(kRingLogicalPixels * scale);
  if (pixels < kRingLogicalPixels) pixels = kRingLogicalPixels;
  return {pixels, pixels,
          background == FocusRingBackground::kDark ? kLightRingArgb : kDarkRingArgb};
}

FocusRingOutline FocusRingOutlineFor(const RECT& control, int radius, const FocusRingStyle& style) {
  const float offset = static_cast<float>(style.gap) + static_cast<float>(style.width) / 2;
  return {static_cast<float>(control.left) - offset, static_cast<float>(control.top) - offset,
          static_cast<float>(control.right) + offset, static_cast<float>(control.bottom) + offset,
          static_cast<float>(radius) + offset};
}

RECT FocusRingBounds(const RECT& control, const FocusRingStyle& style) {
  // One more pixel for the smoothed edge.
  const int outside = style.gap + style.width + 1;
  return {control.left - outside, control.top - outside, control.right + outside,
          control.bottom + outside};
}

HWND FocusedControl(HWND dialog) {
  const HWND focus = ::GetFocus();
  // Only a control in the tab order wears the ring: Wine's dialog manager can
  // leave the focus on the progress bar, which a person cannot act on.
  return focus != nullptr && ::GetParent(focus) == dialog && ::IsWindowVisible(focus) &&
                 (::GetWindowLongW(focus, GWL_STYLE) & WS_TABSTOP) != 0
             ? focus
             : nullptr;
}

bool MovesFocusOrCues(UINT message, WPARAM wparam) {
  if (message == WM_CHANGEUISTATE || message == WM_UPDATEUISTATE || message == WM_NCACTIVATE) {
    return true;
  }
  return message == WM_COMMAND && (HIWORD(wparam) == BN_SETFOCUS || HIWORD(wparam) == BN_KILLFOCUS);
}

void FocusRing::Attach(HWND dialog, const FocusRingStyle& style) {
  dialog_ = dialog;
  style_ = style;
  control_ = nullptr;
}

void FocusRing::MoveTo(HWND control, int radius) {
  RECT rect = {};
  if (control != nullptr) {
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
  }
  if (control == control_ && ::EqualRect(&rect, &rect_) && radius == radius_) return;
  if (control_ != nullptr) Invalidate();
  control_ = control;
  rect_ = rect;
  radius_ = radius;
  if (control_ != nullptr) Invalidate();
}

void FocusRing::Invalidate() const {
  const RECT bounds = FocusRingBounds(rect_, style_);
  ::RedrawWindow(dialog_, &bounds, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void FocusRing::Paint(HDC dc, HWND window) const {
  if (control_ == nullptr) return;
  RECT rect = rect_;
  ::MapWindowPoints(dialog_, window, reinterpret_cast<POINT*>(&rect), 2);
  RECT client = {};
  ::GetClientRect(window, &client);
  const RECT bounds = FocusRingBounds(rect, style_);
  RECT overlap = {};
  if (!::IntersectRect(&overlap, &bounds, &client)) return;

  Gdiplus::GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return;
  GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
  GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
  Gdiplus::GpPen* pen = nullptr;
  Gdiplus::GpPath* path = nullptr;
  if (GdipCreatePen1(style_.argb, static_cast<float>(style_.width), Gdiplus::UnitPixel, &pen) ==
          Gdiplus::Ok &&
      GdipCreatePath(Gdiplus::FillModeAlternate, &path) == Gdiplus::Ok) {
    const FocusRingOutline o = FocusRingOutlineFor(rect, radius_, style_);
    const float d = 2 * o.radius;
    GdipAddPathArc(path, o.left, o.top, d, d, 180, 90);
    GdipAddPathArc(path, o.right - d, o.top, d, d, 270, 90);
    GdipAddPathArc(path, o.right - d, o.bottom - d, d, d, 0, 90);
    GdipAddPathArc(path, o.left, o.bottom - d, d, d, 90, 90);
    GdipClosePathFigure(path);
    GdipDrawPath(graphics, pen, path);
  }
  if (path != nullptr) GdipDeletePath(path);
  if (pen != nullptr) GdipDeletePen(pen);
  GdipDeleteGraphics(graphics);
}

}  // namespace ui

#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace ui {

inline constexpr int kShadowMargin = 8;  // logical pixels outside the window

// Where a piece of the shadow goes in a shadow picture of `width` x
// `height`, for pieces drawn at `scale`.
struct ShadowPiece {
  int picture_id;
  RECT target;
};
// The eight pieces in drawing order: corners at their size, edges stretched.
void LayoutShadowPieces(int width, int height, double scale, ShadowPiece pieces[8]);

// A soft shadow around a borderless window: a layered popup behind it, its
// picture made of the eight shadow pieces with per-pixel alpha.
class ShadowWindow {
 public:
  explicit ShadowWindow(HWND owner);
  ShadowWindow(const ShadowWindow&) = delete;
  ShadowWindow& operator=(const ShadowWindow&) = delete;

  // Shows it around the owner as it is now, or hides it.
  void Show(bool show);
  HWND window() const { return window_.Get(); }

 private:
  bool Compose(const RECT& owner_rect);

  HWND owner_;
  base::ScopedWindow window_;
};

}  // namespace ui

#include "ui/shadow_window.h"

#include <cmath>

#include "base/log.h"
#include "ui/resource_bitmap.h"
#include "ui/scale_factor.h"

namespace ui {
namespace {

constexpr int kCornerSize = 16;  // logical pixels

int Scaled(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

// Releases a screen device context.
struct ScreenDcTraits {
  using Handle = HDC;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::ReleaseDC(nullptr, h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};

}  // namespace

void LayoutShadowPieces(int width, int height, double scale, ShadowPiece pieces[8]) {
  const int corner = Scaled(kCornerSize, scale);
  const int edge = Scaled(kShadowMargin, scale);
  pieces[0] = {kPictureShadowTopLeft, {0, 0, corner, corner}};
  pieces[1] = {kPictureShadowTop, {corner, 0, width - corner, edge}};
  pieces[2] = {kPictureShadowTopRight, {width - corner, 0, width, corner}};
  pieces[3] = {kPictureShadowRight, {width - edge, corner, width, height - corner}};
  pieces[4] = {kPictureShadowBottomRight, {width - corner, height - corner, width, height}};
  pieces[5] = {kPictureShadowBottom, {corner, height - edge, width - corner, height}};
  pieces[6] = {kPictureShadowBottomLeft, {0, height - corner, corner, height}};
  pieces[7] = {kPictureShadowLeft, {0, corner, edge, height - corner}};
}

// Created hidden: Show() makes it visible with the owner. A window created
// visible and hidden at once costs the first paint of the main window up to
// two seconds where no window manager confirms the hiding (Wine's X driver
// waits for it).
ShadowWindow::ShadowWindow(HWND owner) : owner_(owner) {
  window_.Reset(::CreateWindowExW(WS_EX_LAYERED, L"STATIC", L"", WS_POPUP | WS_BORDER | WS_SYSMENU,
                                  0, 0, 0, 0, owner, nullptr, ::GetModuleHandleW(nullptr),
                                  nullptr));
  if (!window_.IsValid()) LOG_ERROR << "Failed to create the shadow window";
}

void ShadowWindow::Show(bool show) {
  if (!window_.IsValid()) return;
  RECT owner_rect;
  if (!show || !::GetWindowRect(owner_, &owner_rect) || !Compose(owner_rect)) {
    ::ShowWindow(window_.Get(), SW_HIDE);
    return;
  }
  // Right behind the owner.
  ::SetWindowPos(window_.Get(), owner_, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool ShadowWindow::Compose(const RECT& owner_rect) {
  const double scale = GetScaleFactor();
  const int margin = Scaled(kShadowMargin, scale);
  POINT position = {owner_rect.left - margin, owner_rect.top - margin};
  SIZE size = {owner_rect.right - owner_rect.left + 2 * margin,
               owner_rect.bottom - owner_rect.top + 2 * margin};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  base::ScopedGeneric<ScreenDcTraits> screen(::GetDC(nullptr));
  base::ScopedGdiObject bitmap(
      ::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  base::ScopedGeneric<MemoryDcTraits> memory(::CreateCompatibleDC(screen.Get()));
  if (!bitmap.IsValid() || !memory.IsValid() || pixels == nullptr) {
    LOG_ERROR << "Failed to make the shadow picture";
    return false;
  }
  ShadowPiece pieces[8];
  LayoutShadowPieces(size.cx, size.cy, scale, pieces);
  for (const ShadowPiece& piece : pieces) {
    const ResourceBitmap picture = ResourceBitmap::LoadForScale(piece.picture_id);
    picture.DrawOnPixels(pixels, size.cx, size.cy, piece.target,
                         {0, 0, picture.image_width(), picture.image_height()});
  }
  const HGDIOBJ previous = ::SelectObject(memory.Get(), bitmap.Get());
  POINT origin = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  const BOOL updated = ::UpdateLayeredWindow(window_.Get(), screen.Get(), &position, &size,
                                             memory.Get(), &origin, 0, &blend, ULW_ALPHA);
  ::SelectObject(memory.Get(), previous);
  if (!updated) LOG_ERROR << "Failed to update the shadow window";
  return updated != FALSE;
}

}  // namespace ui

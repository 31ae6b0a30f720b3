#include "ui/resource_bitmap.h"

#include <windows.h>
#include <gdiplus.h>
#include <objidl.h>

#include <cmath>
#include <cstring>

#include "base/log.h"
#include "ui/scale_factor.h"

namespace ui {

using namespace Gdiplus::DllExports;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::Ok;

namespace {

// A stream over a movable copy of `data`; it frees the copy when released.
IStream* CreateStreamOverCopy(const void* data, size_t size) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return nullptr;
  void* target = ::GlobalLock(memory);
  if (target == nullptr) {
    ::GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, data, size);
  ::GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    ::GlobalFree(memory);
    return nullptr;
  }
  return stream;
}

// Draws `source` of `image` over `target`. A scaled part is cut out first,
// so that scaling reads no pixel of a neighbouring sprite frame, and the
// edges repeat the picture's own pixels instead of fading out.
void DrawImage(GpGraphics* graphics, GpImage* image, const RECT& target, const RECT& source) {
  const int source_width = source.right - source.left;
  const int source_height = source.bottom - source.top;
  const int target_width = target.right - target.left;
  const int target_height = target.bottom - target.top;
  if (source_width <= 0 || source_height <= 0 || target_width <= 0 || target_height <= 0) return;
  const bool same_size = source_width == target_width && source_height == target_height;
  UINT image_width = 0;
  UINT image_height = 0;
  GdipGetImageWidth(image, &image_width);
  GdipGetImageHeight(image, &image_height);
  const bool whole = source.left == 0 && source.top == 0 &&
                     static_cast<UINT>(source_width) == image_width &&
                     static_cast<UINT>(source_height) == image_height;
  Gdiplus::GpBitmap* part = nullptr;
  RECT from = source;
  if (!same_size && !whole &&
      GdipCloneBitmapAreaI(source.left, source.top, source_width, source_height,
                           PixelFormat32bppARGB, static_cast<Gdiplus::GpBitmap*>(image),
                           &part) == Ok) {
    image = part;
    from = {0, 0, source_width, source_height};
  }
  GdipSetInterpolationMode(graphics, same_size ? Gdiplus::InterpolationModeNearestNeighbor
                                               : Gdiplus::InterpolationModeHighQualityBicubic);
  GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
  Gdiplus::GpImageAttributes* attributes = nullptr;
  if (GdipCreateImageAttributes(&attributes) == Ok) {
    GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  }
  GdipDrawImageRectRectI(graphics, image, target.left, target.top, target_width, target_height,
                         from.left, from.top, from.right - from.left, from.bottom - from.top,
                         Gdiplus::UnitPixel, attributes, nullptr, nullptr);
  if (attributes != nullptr) GdipDisposeImageAttributes(attributes);
  if (part != nullptr) GdipDisposeImage(part);
}

int Scaled(UINT pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

}  // namespace

PictureRendering ChoosePictureRendering(int resource_id, double scale_factor,
                                        bool has_double_size) {
  if (has_double_size && scale_factor > kPictureDesignScale) {
    return {resource_id + kDoubleSizePictureOffset, 2 * kPictureDesignScale};
  }
  return {resource_id, kPictureDesignScale};
}

bool EnsureGdiplus() {
  static const bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Ok;
  }();
  return started;
}

// One decoded picture; the stream it came from lives as long as the picture,
// since GDI+ may read it again while drawing.
class ResourceBitmap::Picture {
 public:
  Picture(GpImage* image, IStream* stream) : image_(image), stream_(stream) {
    GdipGetImageWidth(image_, &width_);
    GdipGetImageHeight(image_, &height_);
  }
  ~Picture() {
    GdipDisposeImage(image_);
    if (stream_ != nullptr) stream_->Release();
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  GpImage* image() const { return image_; }
  UINT width() const { return width_; }
  UINT height() const { return height_; }

 private:
  GpImage* image_;
  IStream* stream_;
  UINT width_ = 0;
  UINT height_ = 0;
};

ResourceBitmap::ResourceBitmap(std::shared_ptr<Picture> picture, double drawing_scale)
    : picture_(std::move(picture)), drawing_scale_(drawing_scale) {}

ResourceBitmap::ResourceBitmap(int resource_id, double design_scale)
    : ResourceBitmap(Load(resource_id, design_scale)) {}

ResourceBitmap::ResourceBitmap(HBITMAP bitmap, double drawing_scale)
    : drawing_scale_(drawing_scale) {
  Gdiplus::GpBitmap* copy = nullptr;
  if (!EnsureGdiplus() || bitmap == nullptr ||
      GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &copy) != Ok) {
    LOG_ERROR << "Failed to construct a ResourceBitmap from HBITMAP";
    return;
  }
  picture_ = std::make_shared<Picture>(copy, nullptr);
}

std::shared_ptr<ResourceBitmap::Picture> ResourceBitmap::Decode(const void* data, size_t size) {
  if (!EnsureGdiplus() || data == nullptr || size == 0) return nullptr;
  IStream* stream = CreateStreamOverCopy(data, size);
  if (stream == nullptr) return nullptr;
  GpImage* image = nullptr;
  if (GdipLoadImageFromStreamICM(stream, &image) != Ok || image == nullptr) {
    stream->Release();
    return nullptr;
  }
  return std::make_shared<Picture>(image, stream);
}

ResourceBitmap ResourceBitmap::Load(int resource_id, double design_scale, HMODULE module) {
  HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
  HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
  if (data == nullptr || size == 0) {
    LOG_ERROR << "Failed to create the resource " << resource_id << " stream";
    return ResourceBitmap();
  }
  std::shared_ptr<Picture> picture = Decode(data, size);
  if (picture == nullptr) {
    LOG_ERROR << "Failed to load a bitmap";
    return ResourceBitmap();
  }
  return ResourceBitmap(std::move(picture), GetScaleFactor() / design_scale);
}

ResourceBitmap ResourceBitmap::LoadForScale(int resource_id) {
  const bool has_double_size =
      ::FindResourceW(nullptr, MAKEINTRESOURCEW(resource_id + kDoubleSizePictureOffset),
                      RT_RCDATA) != nullptr;
  const PictureRendering rendering =
      ChoosePictureRendering(resource_id, GetScaleFactor(), has_double_size);
  return Load(rendering.resource_id, rendering.design_scale);
}

ResourceBitmap ResourceBitmap::FromBytes(const void* data, size_t size, double drawing_scale) {
  return ResourceBitmap(Decode(data, size), drawing_scale);
}

int ResourceBitmap::width() const { return Scaled(image_width(), drawing_scale_); }
int ResourceBitmap::height() const { return Scaled(image_height(), drawing_scale_); }
int ResourceBitmap::image_width() const { return picture_ ? picture_->width() : 0; }
int ResourceBitmap::image_height() const { return picture_ ? picture_->height() : 0; }

void ResourceBitmap::Draw(HDC dc, int x, int y) const {
  DrawStretched(dc, {x, y, x + width(), y + height()}, {0, 0, image_width(), image_height()});
}

void ResourceBitmap::DrawPart(HDC dc, int x, int y, const RECT& part) const {
  if (IsEmpty() || drawing_scale_ <= 0.0) return;
  const RECT source = {
      Scaled(part.left, 1.0 / drawing_scale_), Scaled(part.top, 1.0 / drawing_scale_),
      Scaled(part.right, 1.0 / drawing_scale_), Scaled(part.bottom, 1.0 / drawing_scale_)};
  DrawStretched(dc, {x, y, x + part.right - part.left, y + part.bottom - part.top}, source);
}

void ResourceBitmap::DrawStretched(HDC dc, const RECT& target, const RECT& source) const {
  if (IsEmpty()) return;
  GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(dc, &graphics) != Ok) return;
  DrawImage(graphics, picture_->image(), target, source);
  GdipDeleteGraphics(graphics);
}

void ResourceBitmap::DrawOnPixels(void* pixels, int width, int height, const RECT& target,
                                  const RECT& source) const {
  if (IsEmpty()) return;
  Gdiplus::GpBitmap* canvas = nullptr;
  if (GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                static_cast<BYTE*>(pixels), &canvas) != Ok) {
    return;
  }
  GpGraphics* graphics = nullptr;
  if (GdipGetImageGraphicsContext(canvas, &graphics) == Ok) {
    DrawImage(graphics, picture_->image(), target, source);
    GdipDeleteGraphics(graphics);
  }
  GdipDisposeImage(canvas);
}

}  // namespace ui

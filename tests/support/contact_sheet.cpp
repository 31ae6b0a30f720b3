// Draws every picture of the window at scale 1 and 2 through ResourceBitmap,
// the composed drop shadow, and the first slide with its heading and text in
// English, Russian, Japanese, Turkish, Kazakh and Chinese, in one window for a screenshot
// (tests/e2e/test_contact_sheet.py). Prints the sheet's size once it is on
// screen. "contact_sheet measure ID" prints the drawn size of picture ID at
// the process's scale factor instead (--force-device-scale-factor=N).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "ui/language.h"
#include "ui/resource_bitmap.h"
#include "ui/shadow_window.h"
#include "ui/slide_show.h"

namespace {

constexpr int kSheetWidth = 1560;
constexpr int kMargin = 24;
constexpr int kGap = 20;
constexpr int kLabelHeight = 22;
constexpr COLORREF kInk = RGB(0x1f, 0x29, 0x37);
constexpr COLORREF kMutedInk = RGB(0x6b, 0x72, 0x80);
constexpr COLORREF kHeadingInk = RGB(0x11, 0x18, 0x27);
constexpr COLORREF kBodyInk = RGB(0x4b, 0x55, 0x63);
constexpr SIZE kSlideFrame = {728, 400};
constexpr RECT kSlideTextArea = {400, 38, 667, 400};

constexpr int kPictureIds[] = {
    ui::kPictureBackground,         ui::kPictureFirstSlide,
    ui::kPictureFirstSlideRussian,  ui::kPictureDialog,
    ui::kPictureWelcomeLogo,        ui::kPictureProgressLogo,
    ui::kPictureWelcomeLogoRussian, ui::kPictureProgressLogoRussian,
    ui::kPictureInstallButton,      ui::kPictureProgressTrack,
    ui::kPictureProgressFill,       ui::kPictureCheckBox,
    ui::kPictureWelcomeClose,       ui::kPictureProgressClose,
    ui::kPictureShadowTopLeft,      ui::kPictureShadowTopRight,
    ui::kPictureShadowBottomRight,  ui::kPictureShadowBottomLeft,
    ui::kPictureShadowLeft,         ui::kPictureShadowTop,
    ui::kPictureShadowRight,        ui::kPictureShadowBottom,
};

struct Font {
  explicit Font(const wchar_t* face, int size, int weight = FW_NORMAL)
      : handle(::CreateFontW(-size, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, face)) {}
  base::ScopedGdiObject handle;
};

void Text(HDC dc, const Font& font, COLORREF color, const std::wstring& text, RECT rect,
          UINT format) {
  const HGDIOBJ old = ::SelectObject(dc, font.handle.Get());
  ::SetTextColor(dc, color);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  ::SelectObject(dc, old);
}

// Pictures made for the dark welcome background.
bool IsForDarkBackground(int id) {
  return id == ui::kPictureWelcomeLogo || id == ui::kPictureWelcomeLogoRussian ||
         id == ui::kPictureWelcomeClose;
}

// A checkerboard, so that transparent parts of a picture show; dark for
// the pictures that sit on the welcome background.
void Checkerboard(HDC dc, const RECT& rect, bool dark_backdrop) {
  base::ScopedGdiObject light(
      ::CreateSolidBrush(dark_backdrop ? RGB(0x1e, 0x23, 0x5a) : RGB(0xf3, 0xf4, 0xf6)));
  base::ScopedGdiObject dark(
      ::CreateSolidBrush(dark_backdrop ? RGB(0x16, 0x1a, 0x48) : RGB(0xd9, 0xdc, 0xe1)));
  constexpr int kCell = 8;
  for (int y = rect.top; y < rect.bottom; y += kCell) {
    for (int x = rect.left; x < rect.right; x += kCell) {
      const RECT cell = {x, y, std::min<int>(x + kCell, rect.right),
                         std::min<int>(y + kCell, rect.bottom)};
      const bool odd = ((x - rect.left) / kCell + (y - rect.top) / kCell) % 2 != 0;
      ::FillRect(dc, &cell, static_cast<HBRUSH>(odd ? dark.Get() : light.Get()));
    }
  }
}

class Sheet {
 public:
  Sheet() : heading_(L"Arial", 26), label_(L"Arial", 12) {}

  // Lays out (dc == null: measures) the whole sheet; returns its height.
  int Draw(HDC dc) {
    int y = kMargin;
    y = Title(dc, y, L"Velmar installer pictures \x2014 scale 1");
    y = Pictures(dc, y, 1.0);
    y = Title(dc, y, L"Scale 2");
    y = Pictures(dc, y, 0.5);
    y = Title(dc, y, L"Drop shadow, composed from its eight pieces");
    y = Shadow(dc, y);
    y = Title(dc, y, L"First slide: heading 414 and text 427");
    y = Slides(dc, y);
    return y + kMargin;
  }

 private:
  int Title(HDC dc, int y, const std::wstring& text) {
    if (dc) Text(dc, heading_, kInk, text, {kMargin, y, kSheetWidth, y + 36}, DT_LEFT | DT_TOP);
    return y + 44;
  }

  int Pictures(HDC dc, int y, double design_scale) {
    int x = kMargin;
    int row_height = 0;
    for (int id : kPictureIds) {
      const ui::ResourceBitmap picture = ui::ResourceBitmap::Load(id, design_scale);
      const int width = std::max(picture.width(), 64);
      if (x + width > kSheetWidth - kMargin && x > kMargin) {
        x = kMargin;
        y += row_height + kGap;
        row_height = 0;
      }
      if (dc) {
        Checkerboard(dc, {x, y, x + picture.width(), y + picture.height()},
                     IsForDarkBackground(id));
        picture.Draw(dc, x, y);
        wchar_t label[64];
        std::swprintf(label, 64, L"%d  %d\x00d7%d", id, picture.image_width(),
                      picture.image_height());
        Text(dc, label_, kMutedInk, label,
             {x, y + picture.height() + 4, x + 200, y + picture.height() + kLabelHeight},
             DT_LEFT | DT_TOP | DT_SINGLELINE);
      }
      row_height = std::max(row_height, picture.height() + kLabelHeight);
      x += width + kGap;
    }
    return y + row_height + kGap * 2;
  }

  int Shadow(HDC dc, int y) {
    constexpr SIZE kCard = {360, 180};
    const int margin = ui::kShadowMargin;
    const int width = kCard.cx + 2 * margin;
    const int height = kCard.cy + 2 * margin;
    if (dc) {
      const RECT backdrop = {kMargin, y, kMargin + width + 2 * kGap, y + height + 2 * kGap};
      base::ScopedGdiObject grey(::CreateSolidBrush(RGB(0xe5, 0xe7, 0xeb)));
      ::FillRect(dc, &backdrop, static_cast<HBRUSH>(grey.Get()));
      std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
      ui::ShadowPiece pieces[8];
      ui::LayoutShadowPieces(width, height, 1.0, pieces);
      for (const ui::ShadowPiece& piece : pieces) {
        const ui::ResourceBitmap part = ui::ResourceBitmap::Load(piece.picture_id, 1.0);
        part.DrawOnPixels(pixels.data(), width, height, piece.target,
                          {0, 0, part.image_width(), part.image_height()});
      }
      BlendPixels(dc, pixels, width, height, kMargin + kGap, y + kGap);
      const RECT card = {kMargin + kGap + margin, y + kGap + margin,
                         kMargin + kGap + margin + kCard.cx, y + kGap + margin + kCard.cy};
      ::FillRect(dc, &card, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    return y + height + 2 * kGap + kGap * 2;
  }

  static void BlendPixels(HDC dc, const std::vector<uint32_t>& pixels, int width, int height, int x,
                          int y) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    base::ScopedGdiObject bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.IsValid()) return;
    std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
    const HDC memory = ::CreateCompatibleDC(dc);
    const HGDIOBJ old = ::SelectObject(memory, bitmap.Get());
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, x, y, width, height, memory, 0, 0, width, height, blend);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }

  int Slides(HDC dc, int y) {
    const char* languages[] = {"en", "ru", "ja", "tr", "kk", "zh-CN"};
    constexpr int kCount = sizeof(languages) / sizeof(languages[0]);
    for (int i = 0; i < kCount; ++i) {
      const int x = kMargin + (i % 2) * (kSlideFrame.cx + kGap);
      const int top = y + (i / 2) * (kSlideFrame.cy + kLabelHeight + kGap);
      if (dc) Slide(dc, x, top, languages[i]);
    }
    return y + (kCount + 1) / 2 * (kSlideFrame.cy + kLabelHeight + kGap);
  }

  // The progress screen's frame as the window fills it on the first slide.
  void Slide(HDC dc, int x, int y, const char* language) {
    const uint16_t lang_id = ui::LangIdFromLanguage(language);
    const ui::ResourceBitmap slide = ui::ResourceBitmap::Load(
        lang_id == ui::kRussianLangId ? ui::kPictureFirstSlideRussian : ui::kPictureFirstSlide,
        ui::kPictureDesignScale);
    const RECT frame = {x, y, x + kSlideFrame.cx, y + kSlideFrame.cy};
    ::FillRect(dc, &frame, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, frame.left, frame.top, frame.right, frame.bottom);
    const POINT at = ui::SlidePosition(kSlideFrame.cy, slide.height());
    slide.Draw(dc, x + at.x, y + at.y);
    ::RestoreDC(dc, saved);
    const RECT area = {x + kSlideTextArea.left, y + kSlideTextArea.top, x + kSlideTextArea.right,
                       y + kSlideTextArea.bottom};
    Text(dc, title_, kHeadingInk, ui::LoadLocalizedString(ui::kStringFirstSlideHeading, lang_id),
         {area.left, area.top, area.right, area.top + 44}, DT_CENTER | DT_TOP | DT_SINGLELINE);
    Text(dc, body_, kBodyInk, ui::LoadLocalizedString(ui::kStringFirstSlideText, lang_id),
         {area.left, area.top + 52, area.right, area.bottom},
         DT_CENTER | DT_TOP | DT_WORDBREAK | DT_EDITCONTROL);
    const std::string name(language);
    const std::wstring caption = L"language " + std::wstring(name.begin(), name.end());
    Text(dc, label_, kMutedInk, caption,
         {x, frame.bottom + 4, x + 300, frame.bottom + kLabelHeight}, DT_LEFT | DT_TOP);
  }

  Font heading_;
  Font label_;
  Font title_{L"Arial", 32};
  Font body_{L"SegoeUI", 15};
};

base::ScopedGdiObject g_scene;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window, &paint);
    const HDC memory = ::CreateCompatibleDC(dc);
    const HGDIOBJ old = ::SelectObject(memory, g_scene.Get());
    RECT client;
    ::GetClientRect(window, &client);
    ::BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 2 && std::wstring(argv[1]) == L"measure") {
    const ui::ResourceBitmap picture =
        ui::ResourceBitmap::Load(std::wcstol(argv[2], nullptr, 10), ui::kPictureDesignScale);
    std::printf("size=%dx%d\n", picture.width(), picture.height());
    return 0;
  }
  Sheet sheet;
  const int height = sheet.Draw(nullptr);
  const HDC screen = ::GetDC(nullptr);
  g_scene.Reset(::CreateCompatibleBitmap(screen, kSheetWidth, height));
  const HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  const HGDIOBJ old = ::SelectObject(dc, g_scene.Get());
  const RECT all = {0, 0, kSheetWidth, height};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  sheet.Draw(dc);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);

  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"VelmarContactSheet";
  ::RegisterClassW(&window_class);
  const HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"Velmar contact sheet",
                                        WS_POPUP | WS_VISIBLE, 0, 0, kSheetWidth, height, nullptr,
                                        nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  ::UpdateWindow(window);
  std::printf("sheet=%dx%d\n", kSheetWidth, height);
  std::fflush(stdout);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}

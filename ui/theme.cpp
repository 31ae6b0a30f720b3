#include "ui/theme.h"

#include "config/languages.h"
#include "ui/language.h"
#include "ui/scale_factor.h"

namespace ui {
namespace {

struct FontSpec {
  const wchar_t* face;
  int size;
  bool underline;
};

constexpr FontSpec kFonts[] = {
    {L"Arial", 32, false}, {L"SegoeUI", 15, false}, {L"Arial", 12, false}, {L"Arial", 12, true},
    {L"Arial", 28, false}, {L"Arial", 15, false},   {L"Arial", 11, false}, {L"Arial", 11, true},
};
static_assert(std::size(kFonts) == static_cast<size_t>(FontRole::kCount));

}  // namespace

int ImageResourceId(ImageRole role, uint16_t lang_id) {
  const bool russian = lang_id == config::kRussianLangId;
  switch (role) {
    case ImageRole::kBackground:
      return 307;
    case ImageRole::kWelcomeLogo:
      return russian ? 1065 : 301;
    case ImageRole::kProgressLogo:
      return russian ? 1066 : 304;
    case ImageRole::kFirstSlide:
      return russian ? 321 : 303;
    case ImageRole::kProgressTrack:
      return 313;
    case ImageRole::kProgressFill:
      return 314;
    case ImageRole::kInstallButton:
      return 309;
    case ImageRole::kCheckBox:
      return 299;
    case ImageRole::kWelcomeClose:
      return 302;
    case ImageRole::kProgressClose:
      return 298;
    case ImageRole::kDialogPicture:
      return 315;
    case ImageRole::kCount:
      break;
  }
  return 0;
}

int ImageFrameCount(ImageRole role) {
  switch (role) {
    case ImageRole::kInstallButton:
    case ImageRole::kWelcomeClose:
    case ImageRole::kProgressClose:
      return 3;
    case ImageRole::kCheckBox:
      return 6;
    default:
      return 1;
  }
}

Theme::Theme(uint16_t lang_id)
    : lang_id_(lang_id), scale_(GetScaleFactor()), white_brush_(::CreateSolidBrush(kTextColor)) {
  for (int role = 0; role < static_cast<int>(FontRole::kCount); ++role) {
    const FontSpec& spec = kFonts[role];
    fonts_[role].Reset(::CreateFontW(-static_cast<int>(spec.size * scale_), 0, 0, 0, FW_NORMAL,
                                     FALSE, spec.underline, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, spec.face));
  }
}

Theme::~Theme() = default;

const ResourceBitmap& Theme::image(ImageRole role) const {
  const int index = static_cast<int>(role);
  if (!images_loaded_[index]) {
    images_loaded_[index] = true;
    // Slides are drawn at half their size, like the downloaded ones.
    const int resource_id = ImageResourceId(role, lang_id_);
    images_[index] = role == ImageRole::kFirstSlide ? ResourceBitmap(resource_id, 2.0)
                                                    : ResourceBitmap::LoadForScale(resource_id);
  }
  return images_[index];
}

std::wstring Theme::String(uint32_t id) const { return LoadLocalizedString(id, lang_id_); }

SIZE Theme::FrameSize(ImageRole role) const {
  const ResourceBitmap& picture = image(role);
  return {picture.width() / ImageFrameCount(role), picture.height()};
}

void Theme::DrawFrame(HDC dc, ImageRole role, int frame, int x, int y) const {
  const ResourceBitmap& picture = image(role);
  const SIZE size = FrameSize(role);
  picture.DrawPart(dc, x, y, {frame * size.cx, 0, (frame + 1) * size.cx, size.cy});
}

void Theme::DrawLeftPart(HDC dc, ImageRole role, int x, int y, int width) const {
  const ResourceBitmap& picture = image(role);
  if (width > 0) picture.DrawPart(dc, x, y, {0, 0, width, picture.height()});
}

}  // namespace ui

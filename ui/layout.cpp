#include "ui/layout.h"

namespace ui {

LayoutVariant LayoutVariantFor(bool has_def, bool has_stat) {
  if (has_def && !has_stat) return LayoutVariant::kStatisticsOnly;
  if (!has_def && has_stat) return LayoutVariant::kDefaultBrowserOnly;
  return LayoutVariant::kBoth;
}

RECT Layout::StatisticsCheckBox() const {
  if (variant_ == LayoutVariant::kStatisticsOnly) return {60, 305, 525, 400};
  return {60, 305, 308, 400};
}

RECT Layout::DefaultBrowserCheckBox() const {
  if (variant_ == LayoutVariant::kDefaultBrowserOnly) return {60, 305, 525, 400};
  return {314, 305, 537, 400};
}

RECT ScaleRect(const RECT& rect, double scale) {
  return {static_cast<LONG>(rect.left * scale), static_cast<LONG>(rect.top * scale),
          static_cast<LONG>(rect.right * scale), static_cast<LONG>(rect.bottom * scale)};
}

RECT PlaceAt(const RECT& area, int width, int height) {
  return {area.left, area.top, area.left + width, area.top + height};
}

}  // namespace ui

#pragma once

#include <windows.h>

namespace ui {

// Which check boxes the welcome screen offers, from the distribution
// parameters: the one not fixed by a parameter takes the whole row.
enum class LayoutVariant : int {
  kBoth = 0,               // both check boxes side by side
  kStatisticsOnly = 1,     // "def" given, so only the statistics choice is asked
  kDefaultBrowserOnly = 2  // "stat"/"statpromo" given, so only the default choice
};

LayoutVariant LayoutVariantFor(bool has_def, bool has_stat);

// Rectangles of the install window in logical pixels (728 x 400).
class Layout {
 public:
  explicit Layout(LayoutVariant variant) : variant_(variant) {}

  LayoutVariant variant() const { return variant_; }

  RECT Client() const { return {0, 0, 728, 400}; }
  RECT TaglineBand() const { return {0, 182, 728, 250}; }
  RECT StatisticsCheckBox() const;
  RECT DefaultBrowserCheckBox() const;
  RECT PrivacyLinkArea() const { return {84, 0, 310, 400}; }
  RECT InstallButtonArea() const { return {557, 305, 728, 400}; }
  RECT CloseGlyphArea() const { return {698, 18, 728, 400}; }
  RECT SlideTextArea() const { return {400, 38, 667, 400}; }
  RECT PercentageArea() const { return {424, 350, 666, 400}; }

 private:
  LayoutVariant variant_;
};

// A logical rectangle in device pixels; every edge is truncated separately.
RECT ScaleRect(const RECT& rect, double scale);
// The rectangle of a width x height item at the top-left corner of an area.
RECT PlaceAt(const RECT& area, int width, int height);

}  // namespace ui

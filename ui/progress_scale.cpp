#include "ui/progress_scale.h"

namespace ui {
namespace {

// The point `fraction` of the way from `from` to `to`, truncated.
int Interpolate(float fraction, float from, float to) {
  return static_cast<int>(fraction * to + (1.0f - fraction) * from);
}

}  // namespace

int DownloadPercent(float fraction) { return Interpolate(fraction, 5.0f, 40.0f); }

int InstallStagePercent(int stage) {
  if (stage == 5) return 75;
  if (stage == 7) return 79;
  return 0;
}

int ImportPercent(int import_percent) {
  return Interpolate(static_cast<float>(import_percent) / 100.0f, 80.0f, 100.0f);
}

}  // namespace ui

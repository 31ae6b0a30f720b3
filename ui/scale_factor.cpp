#include "ui/scale_factor.h"

#include <windows.h>

#include <charconv>
#include <cmath>
#include <string>

#include "base/command_line.h"
#include "base/log.h"

namespace ui {
namespace {

double ComputeScaleFactor() {
  const base::CommandLine& command_line = base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kForceScaleFactorSwitch)) {
    const std::string value = command_line.GetSwitchValueASCII(kForceScaleFactorSwitch);
    double scale = 0.0;
    if (ParseScaleFactor(value, &scale)) return scale;
    LOG_WARNING << "Ignored scale factor switch value " << value;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi / kDefaultDpi : 1.0;
}

}  // namespace

bool ParseScaleFactor(std::string_view text, double* scale) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value) || value <= 0.0) return false;
  *scale = value;
  return true;
}

double GetScaleFactor() {
  static const double scale = ComputeScaleFactor();
  return scale;
}

}  // namespace ui

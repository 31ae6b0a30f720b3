#include "ui/scale_factor.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>
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

// The C library's strtod, which jansson links anyway (the C++ library's
// from_chars for floating point brings its exception machinery along). The
// switch is plain decimal: strtod alone would also take leading blanks, a
// leading plus sign and hexadecimal.
bool ParseScaleFactor(std::string_view text, double* scale) {
  if (text.empty() || text.front() == '+' ||
      text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
    return false;
  }
  const std::string digits(text);
  char* stop = nullptr;
  const double value = std::strtod(digits.c_str(), &stop);
  if (stop != digits.c_str() + digits.size() || !std::isfinite(value) || value <= 0.0) {
    return false;
  }
  *scale = value;
  return true;
}

double GetScaleFactor() {
  static const double scale = ComputeScaleFactor();
  return scale;
}

}  // namespace ui

#include "ui/scale_factor.h"

#include <windows.h>

#include <cmath>
#include <cstdint>
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

// Plain decimal only: digits with at most one point, then an optional exponent
// ("15e-1"); no blanks, signs or hexadecimal. Read here rather than by strtod,
// whose C99 version in the static runtime links about 20 KB of conversion code.
bool ParseScaleFactor(std::string_view text, double* scale) {
  // Digits past the 18th cannot change a scale factor: they only move the exponent.
  constexpr uint64_t kMantissaLimit = 100000000000000000ULL;
  constexpr int kExponentLimit = 100000;
  uint64_t mantissa = 0;
  int exponent = 0;
  bool any_digit = false;
  bool point = false;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      any_digit = true;
      if (mantissa < kMantissaLimit) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
        if (point) --exponent;
      } else if (!point) {
        ++exponent;
      }
    } else {
      break;
    }
  }
  if (!any_digit) return false;
  if (i < text.size()) {
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i == text.size()) return false;
    int written = 0;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      if (written < kExponentLimit) written = written * 10 + (text[i] - '0');
    }
    exponent += negative ? -written : written;
  }
  double power = 1.0;
  for (int n = exponent < 0 ? -exponent : exponent; n > 0 && std::isfinite(power); --n) {
    power *= 10.0;
  }
  const double value =
      exponent < 0 ? static_cast<double>(mantissa) / power : static_cast<double>(mantissa) * power;
  if (!std::isfinite(value) || value <= 0.0) return false;
  *scale = value;
  return true;
}

double GetScaleFactor() {
  static const double scale = ComputeScaleFactor();
  return scale;
}

}  // namespace ui

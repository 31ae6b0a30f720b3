#pragma once

#include <string_view>

namespace ui {

inline constexpr char kForceScaleFactorSwitch[] = "force-device-scale-factor";
inline constexpr double kDefaultDpi = 96.0;

// A scale switch value: a decimal number that is finite and above zero.
bool ParseScaleFactor(std::string_view text, double* scale);

// The process-wide scale factor, computed once: the "force-device-scale-factor"
// switch when it holds a usable number, else the screen's LOGPIXELSX / 96.
double GetScaleFactor();

}  // namespace ui

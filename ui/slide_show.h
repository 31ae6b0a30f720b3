#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/resource_bitmap.h"
#include "ui/slide_loader.h"

namespace ui {

inline constexpr float kSlideDisplayMs = 10000.0f;
inline constexpr size_t kRotationStartIndex = 1;  // the slide after the built-in one

// Milliseconds of a steady clock.
using SlideClock = std::function<uint64_t()>;
uint64_t SteadyClockMs();

// Whether a slide shown since `start_ms` has had its time at `now_ms`.
bool IsSlideTimeOver(uint64_t start_ms, uint64_t now_ms, float display_ms);
// The index after `on_screen`: the rotation start after the built-in slide,
// else the next one, wrapped to the list.
size_t NextSlideIndex(size_t on_screen, size_t slide_count);
// Where a slide of `slide_height` sits in a frame: on the frame's bottom edge.
POINT SlidePosition(int frame_height, int slide_height);

// The progress screen's slides: the built-in one first, then each downloaded
// one for 10 seconds in turn.
class SlideShow {
 public:
  SlideShow(SIZE frame, ResourceBitmap first_slide, std::string base_url,
            SlideClock clock = SteadyClockMs);

  // Called by the window's timer; true once for every new slide on screen.
  bool Tick();
  void Paint(HDC dc) const;
  bool IsOnFirstSlide() const { return index_ == 0; }
  bool IsPastFirstSlide() const { return past_first_slide_; }
  size_t index() const { return index_; }
  const SlideLoader& loader() const { return loader_; }
  SlideLoader& loader() { return loader_; }

 private:
  // What is on screen, and since when.
  struct Display {
    ResourceBitmap slide;
    POINT position = {0, 0};
    float display_ms = kSlideDisplayMs;
    uint64_t start_ms = 0;
    bool changed = false;
  };
  void Show(size_t index);

  const SIZE frame_;
  SlideClock clock_;
  SlideLoader loader_;
  size_t index_ = 0;
  bool past_first_slide_ = false;
  Display display_;
};

}  // namespace ui

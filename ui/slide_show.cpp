#include "ui/slide_show.h"

#include <utility>

namespace ui {

uint64_t SteadyClockMs() { return ::GetTickCount64(); }

bool IsSlideTimeOver(uint64_t start_ms, uint64_t now_ms, float display_ms) {
  return now_ms >= start_ms && static_cast<float>(now_ms - start_ms) >= display_ms;
}

size_t NextSlideIndex(size_t on_screen, size_t slide_count) {
  if (slide_count == 0) return 0;
  const size_t next = on_screen == 0 ? kRotationStartIndex : on_screen + 1;
  return next % slide_count;
}

POINT SlidePosition(int frame_height, int slide_height) { return {0, frame_height - slide_height}; }

SlideShow::SlideShow(SIZE frame, ResourceBitmap first_slide, std::string base_url, SlideClock clock)
    : frame_(frame),
      clock_(std::move(clock)),
      loader_(std::move(first_slide), std::move(base_url)) {
  Show(0);
}

void SlideShow::Show(size_t index) {
  index_ = index;
  if (index != 0) past_first_slide_ = true;
  display_.slide = loader_.GetSlide(index);
  display_.position = SlidePosition(frame_.cy, display_.slide.height());
  display_.start_ms = clock_();
  display_.changed = true;
}

bool SlideShow::Tick() {
  if (IsSlideTimeOver(display_.start_ms, clock_(), display_.display_ms)) {
    Show(NextSlideIndex(index_, loader_.GetSlideCount()));
  }
  return std::exchange(display_.changed, false);
}

void SlideShow::Paint(HDC dc) const {
  const RECT frame = {0, 0, frame_.cx, frame_.cy};
  ::FillRect(dc, &frame, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  display_.slide.Draw(dc, display_.position.x, display_.position.y);
}

}  // namespace ui

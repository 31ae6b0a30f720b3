#pragma once

namespace ui {

// One 0-100 figure for the whole installation: the download fills 5-40, the
// setup's stages 75 and 79, the data import 80-100. Single-precision float,
// truncated, so the figures match what the setup expects to see.
int DownloadPercent(float fraction);
// 75 for stage 5, 79 for stage 7, 0 (ignore) for any other stage code.
int InstallStagePercent(int stage);
int ImportPercent(int import_percent);

}  // namespace ui

#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ui {

// String IDs of the tables in resources/strings/, one table per language.
enum StringId : uint32_t {
  kStringFatalCaption = 401,  // also the progress bar's name for screen readers
  kStringDownloadDialogTitle = 402,
  kStringDiskSpaceText = 403,
  kStringInstall = 404,
  kStringNewerVersionTitle = 406,
  kStringOldWindowsText = 407,  // no entry: the dialog has no body text
  kStringLicense = 410,
  kStringDiskSpaceTitle = 411,
  kStringResume = 412,
  kStringFirstSlideHeading = 414,
  kStringTagline = 415,
  kStringOldWindowsTitle = 417,
  kStringConfirmTitle = 418,
  kStringDownload = 420,
  kStringConfirmCancel = 421,
  kStringOldComponentText = 422,
  kStringOk = 423,
  kStringDownloadDialogText = 424,
  kStringOldComponentCancel = 425,
  kStringPrivacyPolicy = 426,
  kStringFirstSlideText = 427,
  kStringMoreInfo = 428,
  kStringNewerVersionText = 429,
  kStringClose = 431,
  kStringDownloadDialogCancel = 432,
  kStringNoSse2 = 434,
  kStringWindowTitle = 435,
  kStringSendStatistics = 437,
  kStringMakeDefault = 438,
  kStringFatalText = 439,
  kStringOldComponentTitle = 440,
};

// String `id` of the table for exactly `lang_id`, from `module` (null: this
// program); empty when the table or the entry is absent.
std::wstring LoadLocalizedString(uint32_t id, uint16_t lang_id, HMODULE module = nullptr);
// Entry `index` (0-15) of one RT_STRING block of `size` bytes: 16 strings,
// each a 16-bit length in characters and that many UTF-16 characters. Empty
// when the entry is empty or the block ends before it.
std::wstring StringFromBlock(const void* block, size_t size, uint32_t index);

}  // namespace ui

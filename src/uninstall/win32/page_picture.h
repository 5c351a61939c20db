// The small page picture: image file bytes (JPEG, BMP or GIF, as the package carries them) decoded
// into a bitmap through the system's picture loader, and resampled for a screen of another DPI.
#pragma once

#include <string>

#include "platform/win32/windows_include.h"

namespace qmb {

// A bitmap the caller owns; nullptr when the bytes are empty or do not decode.
HBITMAP DecodePicture(const std::string& bytes);

// A copy of bitmap resampled to width x height with the system's smoothing filter, which the
// caller owns; nullptr when it already has that size or no copy can be made.
HBITMAP ScaleBitmap(HBITMAP bitmap, int width, int height);

}  // namespace qmb

// The small page picture: image file bytes (JPEG, BMP or GIF, as the package carries them) decoded
// into a bitmap through the system's picture loader.
#pragma once

#include <string>

#include "platform/win32/windows_include.h"

namespace qmb {

// A bitmap the caller owns; nullptr when the bytes are empty or do not decode.
HBITMAP DecodePicture(const std::string& bytes);

}  // namespace qmb

// Picture boxes that draw an image themselves through GDI+: a PNG's alpha is blended over the
// colour of the frame the box stands on, other images are drawn as they are. The box keeps its
// state in window properties so that its window procedure finds it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/windows_include.h"

namespace qmb {

// How the image sits in the box.
enum class ImagePlacement : int { kOwnSize = 0, kStretched = 1, kFitted = 2 };

bool IsPngImage(const std::string& bytes);

// Starts GDI+ for the process's lifetime of the object; images decode only while one exists.
class ImageModule {
 public:
  ImageModule();
  ~ImageModule();
  ImageModule(const ImageModule&) = delete;
  ImageModule& operator=(const ImageModule&) = delete;
  bool started() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

// Binds box to the image bytes (nothing when they are empty or cannot be decoded; false then).
// back is the colour beneath the box (COLORREF), which transparent pixels show. A box already
// bound gets the new image.
bool BindImage(HWND box, const std::string& bytes, ImagePlacement placement, uint32_t back);

// The colour transparent pixels show, e.g. after the frame beneath changed its colour.
void SetImageBackColour(HWND box, uint32_t back);

// Drops the image and the subclassing; called before the box is destroyed.
void UnbindImage(HWND box);

}  // namespace qmb

// Picture boxes that draw an image themselves through GDI+: a PNG's alpha is blended over what
// lies beneath the box (its parent's background and the sibling windows made before it), other
// images are drawn as they are. The box keeps its state in window properties so that its window
// procedure finds it. The image module also provides the window class "CometLoadDialog" for the
// windows of support DLLs.
#pragma once

#include <string>

#include "platform/win32/windows_include.h"

namespace qmb {

// How the image sits in the box.
enum class ImagePlacement : int { kOwnSize = 0, kStretched = 1, kFitted = 2 };

bool IsPngImage(const std::string& bytes);

// Starts GDI+ and registers "CometLoadDialog" for the lifetime of the object; images decode only
// while one exists. A "CometLoadDialog" window ends the thread in its property "Comet_Thread",
// disposes the GDI+ image "Comet_Image" and releases the stream "Comet_Stream" when it is
// destroyed; with "CometHitMove" = 1 a left-button drag anywhere on it moves it.
class ImageModule {
 public:
  ImageModule();
  ~ImageModule();
  ImageModule(const ImageModule&) = delete;
  ImageModule& operator=(const ImageModule&) = delete;
  bool started() const { return token_ != 0; }
  bool class_registered() const { return registered_; }

 private:
  ULONG_PTR token_ = 0;
  bool registered_ = false;
};

extern const wchar_t kLoadDialogClass[];

// Binds box to the image bytes (nothing when they are empty or cannot be decoded; false then).
// A box already bound gets the new image. What lies beneath is taken again on every paint, so a
// new colour or picture beneath shows at the box's next repaint.
bool BindImage(HWND box, const std::string& bytes, ImagePlacement placement);

// Drops the image and the subclassing; called before the box is destroyed.
void UnbindImage(HWND box);

}  // namespace qmb

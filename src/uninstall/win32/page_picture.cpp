// Picture decoding through OleLoadPicture over a memory stream.
#include "uninstall/win32/page_picture.h"

#include <cstring>

#include <ocidl.h>
#include <olectl.h>

#include "platform/win32/com.h"

namespace qmb {

HBITMAP DecodePicture(const std::string& bytes) {
  if (bytes.empty()) return nullptr;
  ComScope com;  // the decoders behind the picture loader are COM objects
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (memory == nullptr) return nullptr;
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  ComRef<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.put()))) {
    GlobalFree(memory);
    return nullptr;
  }
  ComRef<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes.size()), FALSE,
                            IID_IPicture, picture.put_void())))
    return nullptr;
  OLE_HANDLE handle = 0;
  SHORT type = PICTYPE_UNINITIALIZED;
  if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture->get_Handle(&handle)))
    return nullptr;
  // The picture owns its bitmap; the window keeps a copy of its own.
  return static_cast<HBITMAP>(CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

HBITMAP ScaleBitmap(HBITMAP bitmap, int width, int height) {
  BITMAP info = {};
  if (GetObjectW(bitmap, sizeof(info), &info) == 0 || width <= 0 || height <= 0 ||
      (info.bmWidth == width && info.bmHeight == height))
    return nullptr;
  HDC screen = GetDC(nullptr);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
  if (from != nullptr && to != nullptr && scaled != nullptr) {
    HGDIOBJ old_from = SelectObject(from, bitmap);
    HGDIOBJ old_to = SelectObject(to, scaled);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(to, old_to);
    SelectObject(from, old_from);
  }
  if (to != nullptr) DeleteDC(to);
  if (from != nullptr) DeleteDC(from);
  ReleaseDC(nullptr, screen);
  return scaled;
}

}  // namespace qmb

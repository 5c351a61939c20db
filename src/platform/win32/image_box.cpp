// GDI+ picture boxes: one off-screen surface and one block transfer per paint, erase swallowed,
// so a transparent image never flickers.
#include "platform/win32/image_box.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

namespace qmb {

namespace {

using namespace Gdiplus;

constexpr wchar_t kTypeProp[] = L"PngControl_Type";
constexpr wchar_t kProcProp[] = L"PngControl_WndProc";
constexpr wchar_t kImageProp[] = L"PngControl_BackImage";
constexpr wchar_t kPlacementProp[] = L"PngControl_BackType";
constexpr wchar_t kBackProp[] = L"PngControl_BackColor";
constexpr intptr_t kPictureType = 2;

GpImage* ImageOf(HWND box) { return static_cast<GpImage*>(GetPropW(box, kImageProp)); }

// Where the image goes inside a w x h box.
RECT Placement(HWND box, UINT width, UINT height, int w, int h) {
  const auto placement = static_cast<ImagePlacement>(reinterpret_cast<intptr_t>(GetPropW(box, kPlacementProp)));
  switch (placement) {
    case ImagePlacement::kStretched: return {0, 0, w, h};
    case ImagePlacement::kFitted: {
      if (width == 0 || height == 0) return {0, 0, 0, 0};
      const double scale = std::min(static_cast<double>(w) / width, static_cast<double>(h) / height);
      const int sw = static_cast<int>(width * scale), sh = static_cast<int>(height * scale);
      return {(w - sw) / 2, (h - sh) / 2, (w - sw) / 2 + sw, (h - sh) / 2 + sh};
    }
    case ImagePlacement::kOwnSize: break;
  }
  return {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

void Paint(HWND box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(box, &ps);
  RECT client;
  GetClientRect(box, &client);
  const int w = client.right, h = client.bottom;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP surface = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(memory, surface);
  const auto back = static_cast<COLORREF>(reinterpret_cast<uintptr_t>(GetPropW(box, kBackProp)));
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(memory, &client, brush);
  DeleteObject(brush);
  if (GpImage* image = ImageOf(box)) {
    UINT width = 0, height = 0;
    DllExports::GdipGetImageWidth(image, &width);
    DllExports::GdipGetImageHeight(image, &height);
    const RECT at = Placement(box, width, height, w, h);
    GpGraphics* graphics = nullptr;
    if (DllExports::GdipCreateFromHDC(memory, &graphics) == Ok) {
      DllExports::GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
      DllExports::GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
      DllExports::GdipDrawImageRectI(graphics, image, at.left, at.top, at.right - at.left,
                                     at.bottom - at.top);
      DllExports::GdipDeleteGraphics(graphics);
    }
  }
  BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
  EndPaint(box, &ps);
}

LRESULT CALLBACK PictureProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  const auto saved = reinterpret_cast<WNDPROC>(GetPropW(box, kProcProp));
  switch (message) {
    case WM_PAINT:
      Paint(box);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      UnbindImage(box);
      break;
    default:
      break;
  }
  return saved != nullptr ? CallWindowProcW(saved, box, message, w, l) : DefWindowProcW(box, message, w, l);
}

GpImage* Decode(const std::string& bytes) {
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                      static_cast<UINT>(bytes.size()));
  if (stream == nullptr) return nullptr;
  GpImage* image = nullptr;
  if (DllExports::GdipLoadImageFromStream(stream, &image) != Ok) image = nullptr;
  // A GDI+ image reads its stream lazily: it keeps its own reference until it is disposed.
  stream->Release();
  if (image != nullptr) {
    // The first frame of an animated image.
    GUID time = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
    DllExports::GdipImageSelectActiveFrame(image, &time, 0);
  }
  return image;
}

}  // namespace

bool IsPngImage(const std::string& bytes) { return bytes.compare(0, 4, "\x89PNG") == 0; }

ImageModule::ImageModule() {
  GdiplusStartupInput input;
  if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
}

ImageModule::~ImageModule() {
  if (token_ != 0) GdiplusShutdown(token_);
}

bool BindImage(HWND box, const std::string& bytes, ImagePlacement placement, uint32_t back) {
  if (!IsWindow(box) || bytes.empty()) return false;
  GpImage* image = Decode(bytes);
  if (image == nullptr) return false;
  if (GpImage* previous = ImageOf(box)) DllExports::GdipDisposeImage(previous);
  SetPropW(box, kImageProp, image);
  SetPropW(box, kPlacementProp, reinterpret_cast<HANDLE>(static_cast<intptr_t>(placement)));
  SetPropW(box, kBackProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(back)));
  if (GetPropW(box, kProcProp) == nullptr) {
    SetPropW(box, kTypeProp, reinterpret_cast<HANDLE>(kPictureType));
    SetPropW(box, kProcProp,
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureProc))));
  }
  InvalidateRect(box, nullptr, FALSE);
  return true;
}

void SetImageBackColour(HWND box, uint32_t back) {
  if (GetPropW(box, kProcProp) == nullptr) return;
  SetPropW(box, kBackProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(back)));
  InvalidateRect(box, nullptr, FALSE);
}

void UnbindImage(HWND box) {
  if (GpImage* image = ImageOf(box)) DllExports::GdipDisposeImage(image);
  RemovePropW(box, kImageProp);
  if (HANDLE saved = RemovePropW(box, kProcProp))
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
  RemovePropW(box, kTypeProp);
  RemovePropW(box, kPlacementProp);
  RemovePropW(box, kBackProp);
}

}  // namespace qmb

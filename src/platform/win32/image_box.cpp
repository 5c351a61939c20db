// GDI+ picture boxes: one off-screen surface and one block transfer per paint, erase swallowed,
// so a transparent image never flickers. What lies beneath is drawn into the off-screen surface
// by the windows that own it rather than read back from the screen: read-back pixels would hold
// the box's own last drawing after a repaint of the box alone, and every repaint would blend the
// half-transparent pixels once more.
#include "platform/win32/image_box.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <windowsx.h>

#include "platform/win32/dpi.h"

namespace qmb {

namespace {

using namespace Gdiplus;

constexpr wchar_t kTypeProp[] = L"PngControl_Type";
constexpr wchar_t kProcProp[] = L"PngControl_WndProc";
constexpr wchar_t kImageProp[] = L"PngControl_BackImage";
constexpr wchar_t kPlacementProp[] = L"PngControl_BackType";
constexpr wchar_t kScaledProp[] = L"QmbScaledImage";      // the image at the size it is drawn
constexpr wchar_t kScaledSizeProp[] = L"QmbScaledSize";   // that size, MAKELONG(width, height)
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
  // Its own size in pixels of the 96-DPI layout, like every other length of the window.
  const int dpi = WindowDpi(box);
  return {0, 0, ScaleToDpi(static_cast<int>(width), dpi), ScaleToDpi(static_cast<int>(height), dpi)};
}

void DropScaled(HWND box) {
  if (auto* scaled = static_cast<GpImage*>(RemovePropW(box, kScaledProp))) DllExports::GdipDisposeImage(scaled);
  RemovePropW(box, kScaledSizeProp);
}

// The image resampled once, with a good filter, to the size it is drawn at; repaints then copy
// its pixels as they are. Null when GDI+ cannot make it (the caller draws the image itself).
GpImage* ScaledImage(HWND box, GpImage* image, int w, int h) {
  const auto size = reinterpret_cast<HANDLE>(static_cast<intptr_t>(MAKELONG(w, h)));
  if (auto* scaled = static_cast<GpImage*>(GetPropW(box, kScaledProp))) {
    if (GetPropW(box, kScaledSizeProp) == size) return scaled;
    DropScaled(box);
  }
  if (w <= 0 || h <= 0) return nullptr;
  GpBitmap* bitmap = nullptr;
  if (DllExports::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppPARGB, nullptr, &bitmap) != Ok)
    return nullptr;
  GpGraphics* graphics = nullptr;
  if (DllExports::GdipGetImageGraphicsContext(bitmap, &graphics) != Ok) {
    DllExports::GdipDisposeImage(bitmap);
    return nullptr;
  }
  DllExports::GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
  DllExports::GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
  DllExports::GdipDrawImageRectI(graphics, image, 0, 0, w, h);
  DllExports::GdipDeleteGraphics(graphics);
  SetPropW(box, kScaledProp, bitmap);
  SetPropW(box, kScaledSizeProp, size);
  return bitmap;
}

// The rectangle of window in its parent's client coordinates.
RECT RectInParent(HWND window, HWND parent) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Draws into dc, whose origin stands for the box's top-left corner, what the box covers: the
// parent's background, then every visible sibling made before the box that overlaps it, in the
// order they were made (child windows are listed in that order from the top).
void DrawBeneath(HWND box, HDC dc) {
  HWND parent = GetParent(box);
  if (parent == nullptr) return;
  const RECT at = RectInParent(box, parent);
  POINT origin;
  SetViewportOrgEx(dc, -at.left, -at.top, &origin);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  for (HWND sibling = GetWindow(box, GW_HWNDFIRST); sibling != nullptr && sibling != box;
       sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    const RECT rect = RectInParent(sibling, parent);
    RECT overlap;
    if (!IsWindowVisible(sibling) || !IntersectRect(&overlap, &rect, &at)) continue;
    SetViewportOrgEx(dc, origin.x + rect.left - at.left, origin.y + rect.top - at.top, nullptr);
    SendMessageW(sibling, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  }
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

// The box's whole client area on target: what lies beneath and the image over it, composed off
// screen and copied in one block transfer.
void Render(HWND box, HDC target) {
  RECT client;
  GetClientRect(box, &client);
  const int w = client.right, h = client.bottom;
  HDC memory = CreateCompatibleDC(target);
  HBITMAP surface = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ old = SelectObject(memory, surface);
  DrawBeneath(box, memory);
  if (GpImage* image = ImageOf(box)) {
    UINT width = 0, height = 0;
    DllExports::GdipGetImageWidth(image, &width);
    DllExports::GdipGetImageHeight(image, &height);
    const RECT at = Placement(box, width, height, w, h);
    const int draw_w = at.right - at.left, draw_h = at.bottom - at.top;
    GpImage* scaled = ScaledImage(box, image, draw_w, draw_h);
    GpGraphics* graphics = nullptr;
    if (DllExports::GdipCreateFromHDC(memory, &graphics) == Ok) {
      DllExports::GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
      if (scaled != nullptr) {
        DllExports::GdipSetInterpolationMode(graphics, InterpolationModeNearestNeighbor);
        DllExports::GdipDrawImageRectI(graphics, scaled, at.left, at.top, draw_w, draw_h);
      } else {
        DllExports::GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
        DllExports::GdipDrawImageRectI(graphics, image, at.left, at.top, draw_w, draw_h);
      }
      DllExports::GdipDeleteGraphics(graphics);
    }
  }
  BitBlt(target, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(surface);
  DeleteDC(memory);
}

LRESULT CALLBACK PictureProc(HWND box, UINT message, WPARAM w, LPARAM l) {
  const auto saved = reinterpret_cast<WNDPROC>(GetPropW(box, kProcProp));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(box, &ps);
      Render(box, dc);
      EndPaint(box, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:  // a box made later that this one lies beneath asks for its pixels
      Render(box, reinterpret_cast<HDC>(w));
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

// Windows of support DLLs: what they leave in the properties dies with the window.
LRESULT CALLBACK LoadDialogProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_DESTROY:
      // The thread belongs to the window alone (it loads what the window shows); nothing else
      // waits for it, and the window that fed it is going.
      if (HANDLE thread = RemovePropW(window, L"Comet_Thread")) {
        TerminateThread(thread, 0);
        CloseHandle(thread);
      }
      if (auto* image = static_cast<GpImage*>(RemovePropW(window, L"Comet_Image")))
        DllExports::GdipDisposeImage(image);
      if (auto* stream = static_cast<IStream*>(RemovePropW(window, L"Comet_Stream"))) stream->Release();
      break;
    case WM_LBUTTONDOWN: {
      const LRESULT result = DefWindowProcW(window, message, w, l);
      if (reinterpret_cast<intptr_t>(GetPropW(window, L"CometHitMove")) == 1) {
        // The system's caption drag, wherever the window was grabbed.
        POINT at = {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        ClientToScreen(window, &at);
        ReleaseCapture();
        SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
      }
      return result;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

const wchar_t kLoadDialogClass[] = L"CometLoadDialog";

bool IsPngImage(const std::string& bytes) { return bytes.compare(0, 4, "\x89PNG") == 0; }

ImageModule::ImageModule() {
  GdiplusStartupInput input;
  if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
  WNDCLASSEXW cls = {};
  cls.cbSize = sizeof(cls);
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = LoadDialogProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kLoadDialogClass;
  registered_ = RegisterClassExW(&cls) != 0;
}

ImageModule::~ImageModule() {
  if (registered_) UnregisterClassW(kLoadDialogClass, GetModuleHandleW(nullptr));
  if (token_ != 0) GdiplusShutdown(token_);
}

bool BindImage(HWND box, const std::string& bytes, ImagePlacement placement) {
  if (!IsWindow(box) || bytes.empty()) return false;
  GpImage* image = Decode(bytes);
  if (image == nullptr) return false;
  if (GpImage* previous = ImageOf(box)) DllExports::GdipDisposeImage(previous);
  DropScaled(box);
  SetPropW(box, kImageProp, image);
  SetPropW(box, kPlacementProp, reinterpret_cast<HANDLE>(static_cast<intptr_t>(placement)));
  if (GetPropW(box, kProcProp) == nullptr) {
    SetPropW(box, kTypeProp, reinterpret_cast<HANDLE>(kPictureType));
    SetPropW(box, kProcProp,
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureProc))));
  }
  InvalidateRect(box, nullptr, FALSE);
  return true;
}

void UnbindImage(HWND box) {
  if (GpImage* image = ImageOf(box)) DllExports::GdipDisposeImage(image);
  RemovePropW(box, kImageProp);
  DropScaled(box);
  if (HANDLE saved = RemovePropW(box, kProcProp))
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved));
  RemovePropW(box, kTypeProp);
  RemovePropW(box, kPlacementProp);
}

}  // namespace qmb

// Checks the image module in a window of its own, as the windows of support DLLs use it:
//   image_box_check comet
//       a window of the class "CometLoadDialog" made by name: it moves when dragged only with
//       "CometHitMove" = 1, and its destruction ends its "Comet_Thread" and releases its
//       "Comet_Stream" (and disposes its "Comet_Image")
//   image_box_check beneath PNG PICTURE
//       a PNG box over a picture box (PICTURE, any other format) and a striped background: its
//       transparent, opaque and half-transparent pixels show what lies beneath, blended once, also
//       after repaints of the PNG box alone
// Prints "ok: ..." lines; a failing check prints "FAIL: ..." and ends with exit code 1.
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/image_box.h"

namespace {

using namespace Gdiplus;

int failures = 0;

void Check(bool good, const std::string& what) {
  std::printf("%s: %s\n", good ? "ok" : "FAIL", what.c_str());
  if (!good) ++failures;
}

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (GetTickCount() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
}

// ---- "CometLoadDialog"

DWORD WINAPI SleepForever(void*) {
  Sleep(INFINITE);
  return 0;
}

void SendMouse(DWORD flags, POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(input));
}

struct Drag {
  POINT from;
  POINT by;
};

// The rest of a drag, while the window thread may sit in the system's move loop.
DWORD WINAPI FinishDrag(void* data) {
  const Drag& drag = *static_cast<Drag*>(data);
  for (int step = 1; step <= 4; ++step) {
    Sleep(100);
    SendMouse(0, {drag.from.x + drag.by.x * step / 4, drag.from.y + drag.by.y * step / 4});
  }
  Sleep(100);
  SendMouse(MOUSEEVENTF_LEFTUP, {drag.from.x + drag.by.x, drag.from.y + drag.by.y});
  return 0;
}

// Drags the window by (dx, dy) from a point inside it; returns how far it moved.
POINT DragWindow(HWND window, int dx, int dy) {
  RECT before, after;
  GetWindowRect(window, &before);
  SetForegroundWindow(window);
  Drag drag = {{before.left + 30, before.top + 30}, {dx, dy}};
  SendMouse(0, drag.from);
  Pump(100);
  SendMouse(MOUSEEVENTF_LEFTDOWN, drag.from);
  HANDLE rest = CreateThread(nullptr, 0, FinishDrag, &drag, 0, nullptr);
  while (WaitForSingleObject(rest, 0) == WAIT_TIMEOUT) Pump(20);
  CloseHandle(rest);
  Pump(200);
  GetWindowRect(window, &after);
  return {after.left - before.left, after.top - before.top};
}

int CheckLoadDialog() {
  qmb::ImageModule module;
  Check(module.class_registered(), "the image module registers CometLoadDialog");
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"CometLoadDialog", L"comet", WS_POPUP | WS_VISIBLE, 200,
                                150, 240, 160, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Check(window != nullptr && IsWindow(window), "a window of the class is made by its name");
  if (window == nullptr) return 1;
  Pump(300);

  POINT moved = DragWindow(window, 60, 40);
  Check(moved.x == 0 && moved.y == 0,
        "without CometHitMove a drag leaves it (moved " + std::to_string(moved.x) + "," +
            std::to_string(moved.y) + ")");
  SetPropW(window, L"CometHitMove", reinterpret_cast<HANDLE>(1));
  moved = DragWindow(window, 60, 40);
  Check(moved.x == 60 && moved.y == 40,
        "with CometHitMove = 1 a drag on its client area moves it by 60,40 (moved " +
            std::to_string(moved.x) + "," + std::to_string(moved.y) + ")");

  HANDLE thread = CreateThread(nullptr, 0, SleepForever, nullptr, 0, nullptr);
  HANDLE watch = nullptr;
  DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0);
  SetPropW(window, L"Comet_Thread", thread);
  const BYTE bytes[] = {1, 2, 3};
  IStream* stream = SHCreateMemStream(bytes, sizeof(bytes));
  stream->AddRef();  // our own reference, to see the window's go
  SetPropW(window, L"Comet_Stream", stream);
  GpBitmap* image = nullptr;
  DllExports::GdipCreateBitmapFromScan0(4, 4, 0, PixelFormat32bppARGB, nullptr, &image);
  SetPropW(window, L"Comet_Image", image);
  Check(WaitForSingleObject(watch, 0) == WAIT_TIMEOUT, "its thread runs while the window lives");

  DestroyWindow(window);
  Check(!IsWindow(window), "the window is destroyed");
  Check(WaitForSingleObject(watch, 2000) == WAIT_OBJECT_0, "destroying it ends its Comet_Thread");
  Check(stream->Release() == 0, "destroying it releases its Comet_Stream");
  CloseHandle(watch);
  return failures == 0 ? 0 : 1;
}

// ---- What a PNG box shows beneath it

constexpr int kStripe = 8;
constexpr COLORREF kStripeColours[2] = {RGB(200, 40, 40), RGB(40, 160, 40)};
constexpr POINT kLogoAt = {60, 10};      // the PNG box in the parent, at the image's own size
constexpr SIZE kPictureSize = {120, 320};  // the picture box at the parent's corner

LRESULT CALLBACK StripedProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_ERASEBKGND) return DefWindowProcW(window, message, w, l);
  RECT client;
  GetClientRect(window, &client);
  for (int x = 0; x < client.right; x += kStripe) {
    HBRUSH brush = CreateSolidBrush(kStripeColours[(x / kStripe) % 2]);
    RECT stripe = {x, 0, x + kStripe, client.bottom};
    FillRect(reinterpret_cast<HDC>(w), &stripe, brush);
    DeleteObject(brush);
  }
  return 1;
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

HWND MakeBox(HWND parent, int x, int y, int w, int h) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, x, y, w, h, parent,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

struct Sample {
  POINT logo;   // in the image
  ARGB colour;  // the image's pixel there
};

// Beneath (in the parent) is a flat colour at p: the picture box's, or one stripe's.
bool FlatBeneath(POINT p) {
  if (p.x < kPictureSize.cx) return p.x < kPictureSize.cx - 2;
  return p.x % kStripe >= 2 && p.x % kStripe <= kStripe - 3;
}

// A point of the image whose neighbours are the same pixel and whose place in the parent has
// a flat colour beneath, with an alpha in [low, high]; beneath the picture box or not.
bool FindSample(GpBitmap* image, BYTE low, BYTE high, bool over_picture, Sample* found) {
  UINT width = 0, height = 0;
  DllExports::GdipGetImageWidth(image, &width);
  DllExports::GdipGetImageHeight(image, &height);
  for (UINT y = 2; y + 2 < height; ++y) {
    for (UINT x = 2; x + 2 < width; ++x) {
      const POINT at = {kLogoAt.x + static_cast<LONG>(x), kLogoAt.y + static_cast<LONG>(y)};
      if ((at.x < kPictureSize.cx) != over_picture || !FlatBeneath(at)) continue;
      ARGB colour = 0;
      DllExports::GdipBitmapGetPixel(image, x, y, &colour);
      const BYTE alpha = colour >> 24;
      if (alpha < low || alpha > high) continue;
      bool flat = true;
      for (int dy = -1; dy <= 1 && flat; ++dy)
        for (int dx = -1; dx <= 1 && flat; ++dx) {
          ARGB next = 0;
          DllExports::GdipBitmapGetPixel(image, x + dx, y + dy, &next);
          flat = next == colour;
        }
      if (!flat) continue;
      *found = {{static_cast<LONG>(x), static_cast<LONG>(y)}, colour};
      return true;
    }
  }
  return false;
}

COLORREF Blend(ARGB over, COLORREF beneath) {
  const int a = over >> 24;
  auto mix = [a](int top, int bottom) { return (top * a + bottom * (255 - a) + 127) / 255; };
  return RGB(mix((over >> 16) & 0xff, GetRValue(beneath)), mix((over >> 8) & 0xff, GetGValue(beneath)),
             mix(over & 0xff, GetBValue(beneath)));
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 12 && std::abs(GetGValue(a) - GetGValue(b)) <= 12 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 12;
}

std::string Rgb(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," + std::to_string(GetBValue(c));
}

int CheckBeneath(const char* png_path, const char* picture_path) {
  qmb::ImageModule module;
  const std::string png = ReadFile(png_path), picture = ReadFile(picture_path);
  WNDCLASSW cls = {};
  cls.lpfnWndProc = StripedProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"ImageBoxCheckStripes";
  RegisterClassW(&cls);
  HWND parent = CreateWindowExW(WS_EX_TOPMOST, cls.lpszClassName, L"beneath", WS_POPUP | WS_VISIBLE, 40, 40,
                                400, 320, nullptr, nullptr, cls.hInstance, nullptr);
  // Made in this order, the picture box lies beneath the PNG box.
  HWND picture_box = MakeBox(parent, 0, 0, kPictureSize.cx, kPictureSize.cy);
  HWND png_box = MakeBox(parent, kLogoAt.x, kLogoAt.y, 164, 290);
  Check(qmb::BindImage(picture_box, picture, qmb::ImagePlacement::kOwnSize), "the picture decodes");
  Check(qmb::BindImage(png_box, png, qmb::ImagePlacement::kOwnSize), "the PNG decodes");
  Check(!qmb::BindImage(reinterpret_cast<HWND>(0x1234), png, qmb::ImagePlacement::kOwnSize),
        "a handle that is no window binds nothing");
  UpdateWindow(parent);
  Pump(300);

  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()));
  GpBitmap* image = nullptr;
  DllExports::GdipCreateBitmapFromStream(stream, &image);
  IStream* picture_stream =
      SHCreateMemStream(reinterpret_cast<const BYTE*>(picture.data()), static_cast<UINT>(picture.size()));
  GpBitmap* picture_image = nullptr;
  DllExports::GdipCreateBitmapFromStream(picture_stream, &picture_image);
  if (image == nullptr || picture_image == nullptr) {
    Check(false, "the test images decode");
    return 1;
  }
  HDC dc = GetDC(parent);
  auto beneath = [&](POINT at) {
    if (at.x >= kPictureSize.cx) return kStripeColours[(at.x / kStripe) % 2];
    ARGB colour = 0;
    DllExports::GdipBitmapGetPixel(picture_image, at.x, at.y, &colour);
    return RGB((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
  };
  auto expect = [&](const char* what, BYTE low, BYTE high, bool over_picture) {
    Sample sample;
    if (!FindSample(image, low, high, over_picture, &sample)) {
      Check(false, std::string("the PNG has a ") + what + " point to sample");
      return;
    }
    const POINT at = {kLogoAt.x + sample.logo.x, kLogoAt.y + sample.logo.y};
    const COLORREF wanted = Blend(sample.colour, beneath(at)), got = GetPixel(dc, at.x, at.y);
    Check(Near(got, wanted), std::string(what) + " pixel at " + std::to_string(at.x) + "," +
                                 std::to_string(at.y) + " is " + Rgb(got) + ", wanted about " + Rgb(wanted));
  };
  expect("transparent (over the picture)", 0, 0, true);
  expect("transparent (over the stripes)", 0, 0, false);
  expect("opaque", 255, 255, false);
  expect("half-transparent (over the stripes)", 64, 192, false);
  // Repainting the PNG box alone must not blend its pixels over its own last drawing.
  for (int i = 0; i < 3; ++i) {
    InvalidateRect(png_box, nullptr, FALSE);
    UpdateWindow(png_box);
  }
  Pump(200);
  expect("half-transparent after three repaints of the box alone", 64, 192, false);
  ReleaseDC(parent, dc);
  DllExports::GdipDisposeImage(image);
  DllExports::GdipDisposeImage(picture_image);
  stream->Release();
  picture_stream->Release();
  DestroyWindow(parent);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "comet") return CheckLoadDialog();
  if (mode == "beneath" && argc == 4) return CheckBeneath(argv[2], argv[3]);
  std::fprintf(stderr, "usage: image_box_check comet | beneath PNG PICTURE\n");
  return 2;
}

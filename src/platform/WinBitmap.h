// Bitmaps: HBITMAP is a handle to an in-memory picture of 32-bit pixels 0xAARRGGBB (the
// layout of Qt's QRgb, rows top to bottom), unique in the process and never 0. Bitmaps are
// made from pixels or read from .bmp files (uncompressed 24- and 32-bit; the file is checked
// as it is read: a damaged, truncated or oversized file gives 0 and a log line, never a
// partial picture). Safe from any thread.
#pragma once

#include "platform/WinChildren.h"

#include <string>
#include <vector>

namespace win {

using HBITMAP = std::uint32_t;
using HANDLE_OBJECT = std::uint32_t; // what LoadImage answers; cast to HBITMAP

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// The largest width or height a bitmap may have.
constexpr int BITMAP_MAX_SIDE = 16384;

struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height, row by row from the top
};

// A bitmap holding a copy of the pixels; 0 when the size is out of range or does not match.
HBITMAP CreateBitmapFromPixels(const BitmapPixels& pixels);
// Copies the bitmap's pixels; false when the handle is unknown.
bool GetBitmapPixels(HBITMAP bitmap, BitmapPixels* out);
// Frees a bitmap; false when unknown.
bool DeleteObject(HBITMAP bitmap);

// Reads a .bmp file (`name` is its path; only IMAGE_BITMAP with LR_LOADFROMFILE is
// supported; cx, cy must be 0: no scaling). 0 on any failure.
HANDLE_OBJECT LoadImage(HINSTANCE instance, const std::string& name, UINT type, int cx, int cy,
                        UINT flags);
// Decodes the bytes of a .bmp file; false (with a reason) when they are not a valid
// uncompressed 24- or 32-bit bitmap.
bool DecodeBmp(const std::string& bytes, BitmapPixels* out, std::string* error);

} // namespace win

// Image lists: HIMAGELIST is a handle to a row of equally sized images (cx by cy pixels,
// 0xAARRGGBB), unique in the process and never 0. Adding a bitmap splits it into
// width / cx images from the left (a rest narrower than cx is dropped; rows past cy are
// cut, missing rows are transparent). Safe from any thread.
#pragma once

#include "platform/WinBitmap.h"

namespace win {

using HIMAGELIST = std::uint32_t;

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;
// The colour AddMasked treats as transparent in the bitmaps of toolbar buttons.
constexpr COLORREF CLR_MAGENTA = RGB(255, 0, 255);

// 0 when cx or cy is not in 1..BITMAP_MAX_SIDE. `initial` and `grow` are capacity hints.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
bool ImageList_Destroy(HIMAGELIST list);
// Appends the images of `image`; `mask` (0: none) is a bitmap of the same size whose black
// pixels keep the image pixel and others make it transparent. Index of the first new image,
// -1 on failure (also when the bitmap is narrower than one image).
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add, with every pixel of colour `transparent` made transparent.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF transparent);
// -1 removes every image.
bool ImageList_Remove(HIMAGELIST list, int index);
// Cuts the list to `count` images or extends it with transparent ones.
bool ImageList_SetImageCount(HIMAGELIST list, UINT count);
// 0 when the list is unknown.
int ImageList_GetImageCount(HIMAGELIST list);
bool ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// The pixels of one image (cx by cy); false when absent.
bool ImageList_GetImagePixels(HIMAGELIST list, int index, BitmapPixels* out);

} // namespace win

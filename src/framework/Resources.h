#pragma once
#include <windows.h>
#include <string>
#include "framework/Handles.h"

namespace fw {

std::string loadString(UINT id);
// A picture stored as RCDATA in JPEG form, as a 32-bit DIB section; empty when it can't be had.
Bitmap loadJpegResource(int id);
// A picture stored as RCDATA in BMP file form, as a DIB section; empty when it can't be had.
Bitmap loadBmpResource(int id);
SIZE bitmapSize(HBITMAP bitmap);
// Copies the whole bitmap to the DC at (x, y) in its own size.
void drawBitmap(HDC dc, HBITMAP bitmap, int x, int y);

} // namespace fw

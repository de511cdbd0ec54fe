#pragma once
#include <windows.h>
#include <string>
#include "framework/Handles.h"

namespace fw {

std::string loadString(UINT id);
// A picture stored as RCDATA in JPEG form, as a 32-bit DIB section; empty when it can't be had.
Bitmap loadJpegResource(int id);
// A picture stored as RCDATA in BMP file form; empty when it can't be had.
Bitmap loadBitmapResource(int id);
SIZE bitmapSize(HBITMAP bitmap);

} // namespace fw

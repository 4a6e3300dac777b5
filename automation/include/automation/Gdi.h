// Bitmap objects of the graphics layer that the plug-in and the host share: a handle made by
// one side can be read by the other, as with the platform's device-independent bitmaps.
#pragma once

#include "automation/Runtime.h"

extern "C" {

typedef uint32_t HBITMAP;
typedef uint32_t HGDIOBJ;

typedef struct tagBITMAP {
  int32_t bmType;
  int32_t bmWidth;
  int32_t bmHeight;
  int32_t bmWidthBytes;
  uint16_t bmPlanes;
  uint16_t bmBitsPixel;
  void* bmBits;
} BITMAP;

// 32 bits per pixel (0x00RRGGBB), rows top-down; other formats answer 0.
MORVEL_AUTOMATION_API HBITMAP CreateBitmap(int32_t nWidth, int32_t nHeight, UINT nPlanes,
                                           UINT nBitCount, const void* lpBits);
// Fills a BITMAP (bmBits is null); answers the bytes written, 0 for an unknown handle.
MORVEL_AUTOMATION_API int GetObject(HGDIOBJ h, int c, void* pv);
// Copies up to cb bytes of the pixels; answers the bytes copied.
MORVEL_AUTOMATION_API int32_t GetBitmapBits(HBITMAP hbit, int32_t cb, void* lpvBits);
MORVEL_AUTOMATION_API int DeleteObject(HGDIOBJ ho);
}

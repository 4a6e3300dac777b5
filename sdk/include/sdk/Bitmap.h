// Pictures: a small BMP reader and writer, drawing one picture onto another, and handing a
// picture over as a shared bitmap handle.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "automation/Gdi.h"

namespace morvel {

struct TBitmap {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint32_t> Pixels;  // 0x00RRGGBB, rows top-down

  // Reads a 24- or 32-bit uncompressed, or an 8-bit palette BMP file; nothing for a missing
  // file or one that is not such a bitmap.
  static std::optional<TBitmap> Load(const std::string& path);
  static std::optional<TBitmap> FromHandle(HBITMAP handle);
  // Writes a 24-bit BMP file; false when the file cannot be written.
  bool Save(const std::string& path) const;
  // Draws the other picture with its top-left corner at (x, y), clipped to this one.
  void Draw(const TBitmap& other, int32_t x, int32_t y);
  // A new shared handle holding a copy of the pixels; the caller deletes it.
  HBITMAP CreateHandle() const;
};

}  // namespace morvel

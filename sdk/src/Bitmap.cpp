// BMP files and shared bitmap handles.
#include "sdk/Bitmap.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace morvel {

namespace {

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8 |
         static_cast<uint32_t>(d[at + 2]) << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}
void Put32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& d, uint16_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}

constexpr int32_t kMaxSide = 16384;

}  // namespace

std::optional<TBitmap> TBitmap::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return std::nullopt;
  const uint32_t offset = U32(d, 10);
  const uint32_t headerSize = U32(d, 14);
  if (headerSize < 40 || 14 + static_cast<size_t>(headerSize) > d.size()) return std::nullopt;
  const auto width = static_cast<int32_t>(U32(d, 18));
  const auto rawHeight = static_cast<int32_t>(U32(d, 22));
  const uint16_t bits = U16(d, 28);
  const uint32_t compression = U32(d, 30);
  uint32_t colours = U32(d, 46);
  if (width <= 0 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide ||
      rawHeight > kMaxSide)
    return std::nullopt;
  if (!(compression == 0 || (compression == 3 && bits == 32))) return std::nullopt;
  if (bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (offset > d.size() || stride * static_cast<size_t>(height) > d.size() - offset)
    return std::nullopt;
  std::vector<uint32_t> palette;
  if (bits == 8) {
    if (colours == 0 || colours > 256) colours = 256;
    const size_t at = 14 + headerSize;
    if (at + static_cast<size_t>(colours) * 4 > offset) return std::nullopt;
    for (uint32_t i = 0; i < colours; ++i)
      palette.push_back(U32(d, at + static_cast<size_t>(i) * 4) & 0xFFFFFFu);
  }
  TBitmap b;
  b.Width = width;
  b.Height = height;
  b.Pixels.resize(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      uint32_t p = 0;
      if (bits == 8) {
        const uint8_t index = d[row + x];
        if (index >= palette.size()) return std::nullopt;
        p = palette[index];
      } else {
        const size_t at = row + static_cast<size_t>(x) * (bits / 8);
        p = static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8 |
            static_cast<uint32_t>(d[at + 2]) << 16;
      }
      b.Pixels[static_cast<size_t>(y) * width + x] = p;
    }
  }
  return b;
}

std::optional<TBitmap> TBitmap::FromHandle(HBITMAP handle) {
  BITMAP info{};
  if (GetObject(handle, sizeof info, &info) == 0) return std::nullopt;
  TBitmap b;
  b.Width = info.bmWidth;
  b.Height = info.bmHeight;
  b.Pixels.resize(static_cast<size_t>(b.Width) * b.Height);
  GetBitmapBits(handle, static_cast<int32_t>(b.Pixels.size() * 4), b.Pixels.data());
  return b;
}

bool TBitmap::Save(const std::string& path) const {
  const size_t stride = ((static_cast<size_t>(Width) * 24 + 31) / 32) * 4;
  const size_t imageSize = stride * static_cast<size_t>(Height);
  std::vector<uint8_t> d;
  d.reserve(54 + imageSize);
  d.push_back('B');
  d.push_back('M');
  Put32(d, static_cast<uint32_t>(54 + imageSize));
  Put32(d, 0);
  Put32(d, 54);
  Put32(d, 40);
  Put32(d, static_cast<uint32_t>(Width));
  Put32(d, static_cast<uint32_t>(Height));
  Put16(d, 1);
  Put16(d, 24);
  Put32(d, 0);
  Put32(d, static_cast<uint32_t>(imageSize));
  Put32(d, 2835);
  Put32(d, 2835);
  Put32(d, 0);
  Put32(d, 0);
  for (int32_t y = Height - 1; y >= 0; --y) {
    size_t written = 0;
    for (int32_t x = 0; x < Width; ++x) {
      const uint32_t p = Pixels[static_cast<size_t>(y) * Width + x];
      d.push_back(static_cast<uint8_t>(p));
      d.push_back(static_cast<uint8_t>(p >> 8));
      d.push_back(static_cast<uint8_t>(p >> 16));
      written += 3;
    }
    for (; written < stride; ++written) d.push_back(0);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(d.data()), static_cast<std::streamsize>(d.size()));
  return static_cast<bool>(out);
}

void TBitmap::Draw(const TBitmap& other, int32_t x, int32_t y) {
  for (int32_t sy = 0; sy < other.Height; ++sy) {
    const int32_t dy = y + sy;
    if (dy < 0 || dy >= Height) continue;
    for (int32_t sx = 0; sx < other.Width; ++sx) {
      const int32_t dx = x + sx;
      if (dx < 0 || dx >= Width) continue;
      Pixels[static_cast<size_t>(dy) * Width + dx] =
          other.Pixels[static_cast<size_t>(sy) * other.Width + sx];
    }
  }
}

HBITMAP TBitmap::CreateHandle() const {
  return CreateBitmap(Width, Height, 1, 32, Pixels.data());
}

}  // namespace morvel

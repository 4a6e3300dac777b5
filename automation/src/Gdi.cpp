// A process-wide table of bitmap objects behind small integer handles.
#include "automation/Gdi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct Bitmap {
  int32_t width;
  int32_t height;
  std::vector<uint32_t> pixels;
};

struct Table {
  std::mutex lock;
  std::map<HBITMAP, Bitmap> objects;
  HBITMAP next = 1;
};

Table& Objects() {
  static Table table;
  return table;
}

}  // namespace

extern "C" {

HBITMAP CreateBitmap(int32_t nWidth, int32_t nHeight, UINT nPlanes, UINT nBitCount,
                     const void* lpBits) {
  if (nWidth <= 0 || nHeight <= 0 || nPlanes != 1 || nBitCount != 32) return 0;
  if (static_cast<int64_t>(nWidth) * nHeight > (int64_t{1} << 26)) return 0;
  Bitmap b{nWidth, nHeight, std::vector<uint32_t>(static_cast<size_t>(nWidth) * nHeight)};
  if (lpBits != nullptr) std::memcpy(b.pixels.data(), lpBits, b.pixels.size() * 4);
  Table& t = Objects();
  const std::lock_guard<std::mutex> guard(t.lock);
  const HBITMAP handle = t.next++;
  t.objects.emplace(handle, std::move(b));
  return handle;
}

int GetObject(HGDIOBJ h, int c, void* pv) {
  Table& t = Objects();
  const std::lock_guard<std::mutex> guard(t.lock);
  const auto it = t.objects.find(h);
  if (it == t.objects.end() || pv == nullptr || c < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP info{0, it->second.width, it->second.height, it->second.width * 4, 1, 32, nullptr};
  std::memcpy(pv, &info, sizeof info);
  return sizeof info;
}

int32_t GetBitmapBits(HBITMAP hbit, int32_t cb, void* lpvBits) {
  Table& t = Objects();
  const std::lock_guard<std::mutex> guard(t.lock);
  const auto it = t.objects.find(hbit);
  if (it == t.objects.end() || lpvBits == nullptr || cb <= 0) return 0;
  const size_t bytes = std::min(static_cast<size_t>(cb), it->second.pixels.size() * 4);
  std::memcpy(lpvBits, it->second.pixels.data(), bytes);
  return static_cast<int32_t>(bytes);
}

int DeleteObject(HGDIOBJ ho) {
  Table& t = Objects();
  const std::lock_guard<std::mutex> guard(t.lock);
  return t.objects.erase(ho) > 0 ? 1 : 0;
}
}

// Raw bit files with a user-code header, and the device-side reader of a configuration stream.
#include "jtag/ConfigStream.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace morvel::host::jtag {

namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

// Table 0 is the byte-at-a-time table; table k advances a byte through k more zero bytes, so
// that eight bytes go in one step (slicing by eight).
constexpr CrcTables BuildCrcTables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (size_t k = 1; k < 8; ++k)
    for (size_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr CrcTables kCrc = BuildCrcTables();
constexpr const std::array<uint32_t, 256>& kCrcTable = kCrc[0];

uint32_t CrcEightBytes(uint32_t crc, uint64_t bytes) {
  const uint32_t lo = crc ^ static_cast<uint32_t>(bytes);
  const auto hi = static_cast<uint32_t>(bytes >> 32);
  return kCrc[7][lo & 0xFF] ^ kCrc[6][(lo >> 8) & 0xFF] ^ kCrc[5][(lo >> 16) & 0xFF] ^
         kCrc[4][lo >> 24] ^ kCrc[3][hi & 0xFF] ^ kCrc[2][(hi >> 8) & 0xFF] ^
         kCrc[1][(hi >> 16) & 0xFF] ^ kCrc[0][hi >> 24];
}
constexpr uint64_t kHeadBits = kConfigStreamHeadBytes * 8;
constexpr uint64_t kHeaderBits = kRawBitHeaderBytes * 8;

constexpr uint64_t LowBits(unsigned count) {
  return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
}

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetLe32(std::span<const uint8_t> in, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
  return v;
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
  crc = ~crc;
  for (const uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<uint8_t> BuildRawBitFile(uint32_t userCode, std::span<const uint8_t> payload) {
  if (payload.size() > 0xFFFFFFFFu)
    throw std::length_error("a raw bit file payload is limited to 4 GiB");
  std::vector<uint8_t> file(kRawBitPayloadOffset + payload.size(), 0);
  std::fill_n(file.begin(), kRawBitPaddingBytes, 0xFF);
  const size_t h = kRawBitPaddingBytes;
  PutLe32(file, h, kRawBitSync);
  file[h + 4] = kRawBitVersion;
  PutLe32(file, h + 8, userCode);
  PutLe32(file, h + 12, static_cast<uint32_t>(payload.size()));
  PutLe32(file, h + 16, Crc32(payload));
  PutLe32(file, h + 20, Crc32(std::span(file).subspan(h, 20)));
  std::copy(payload.begin(), payload.end(), file.begin() + kRawBitPayloadOffset);
  return file;
}

void WriteRawBitFile(const std::filesystem::path& file, uint32_t userCode,
                     std::span<const uint8_t> payload) {
  const std::vector<uint8_t> bytes = BuildRawBitFile(userCode, payload);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (out) out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (out) out.close();
  if (!out)
    throw std::runtime_error("cannot write raw bit file " + file.string() + ": " +
                             std::strerror(errno));
}

std::optional<RawBitHeader> ReadRawBitHeader(std::span<const uint8_t> file) {
  const size_t h = kRawBitPaddingBytes;
  if (file.size() < kRawBitPayloadOffset || GetLe32(file, h) != kRawBitSync ||
      file[h + 4] != kRawBitVersion || GetLe32(file, h + 20) != Crc32(file.subspan(h, 20)))
    return std::nullopt;
  return RawBitHeader{GetLe32(file, h + 8), GetLe32(file, h + 12), GetLe32(file, h + 16)};
}

void ConfigStreamSink::CrcFeed::Feed(uint64_t bits, unsigned count) {
  if (count == 64) {
    // The common case: eight whole bytes, with the fewer than eight bits held back before.
    Crc = CrcEightBytes(Crc, Acc | (bits << AccBits));
    Acc = AccBits == 0 ? 0 : bits >> (64 - AccBits);
    Bytes += 8;
    return;
  }
  // Half words at a time keep the accumulator below 40 bits.
  while (count > 0) {
    const unsigned m = count < 32 ? count : 32;
    Acc |= (bits & LowBits(m)) << AccBits;
    AccBits += m;
    bits >>= m;
    count -= m;
    while (AccBits >= 8) {
      Crc = kCrcTable[(Crc ^ Acc) & 0xFF] ^ (Crc >> 8);
      Acc >>= 8;
      AccBits -= 8;
      ++Bytes;
    }
  }
}

void ConfigStreamSink::Clear() {
  *this = ConfigStreamSink();
}

void ConfigStreamSink::Flush() {
  if (FFill == 0) return;
  const uint64_t word = FWord;
  const unsigned fill = FFill;
  FWord = 0;
  FFill = 0;
  Take(word, fill);
}

void ConfigStreamSink::Take(uint64_t bits, unsigned count) {
  const uint64_t start = FBits;
  if (start < kHeadBits) {
    const uint64_t keep = std::min<uint64_t>(count, kHeadBits - start);
    const uint64_t kept = bits & LowBits(static_cast<unsigned>(keep));
    FHead.resize((start + keep + 63) / 64, 0);
    FHead[start / 64] |= kept << (start % 64);
    if (start % 64 + keep > 64) FHead[start / 64 + 1] |= kept >> (64 - start % 64);
  }
  FStream.Feed(bits, count);
  FBits += count;
  if (!FHeader && start < kHeadBits) SearchHeader();
  if (FHeader) FeedPayload(start, bits, count);
}

bool ConfigStreamSink::HeadBit(uint64_t offset) const {
  return ((FHead[offset / 64] >> (offset % 64)) & 1) != 0;
}

uint32_t ConfigStreamSink::HeadField(uint64_t offset) const {
  uint32_t v = 0;
  for (unsigned i = 0; i < 32; ++i) v |= static_cast<uint32_t>(HeadBit(offset + i)) << i;
  return v;
}

void ConfigStreamSink::SearchHeader() {
  const uint64_t available = std::min(FBits, kHeadBits);
  for (; FSearchFrom + kHeaderBits <= available; ++FSearchFrom) {
    const uint64_t at = FSearchFrom;
    if (HeadField(at) != kRawBitSync) continue;
    std::array<uint8_t, 20> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
      for (unsigned j = 0; j < 8; ++j)
        bytes[i] |= static_cast<uint8_t>(HeadBit(at + 8 * i + j) << j);
    if (bytes[4] != kRawBitVersion || HeadField(at + 160) != Crc32(bytes)) continue;
    FHeader = RawBitHeader{HeadField(at + 64), HeadField(at + 96), HeadField(at + 128)};
    FHeaderOffset = at;
    FPayloadStart = at + kHeaderBits;
    FPayloadFed = FPayloadStart;
    return;
  }
}

void ConfigStreamSink::FeedPayload(uint64_t chunkStart, uint64_t bits, unsigned count) {
  const uint64_t end = std::min(FBits, FPayloadStart + uint64_t{8} * FHeader->PayloadLength);
  while (FPayloadFed < end) {
    if (FPayloadFed < chunkStart) {
      // Payload that went by before the header was complete lies in the head.
      const auto n = static_cast<unsigned>(std::min<uint64_t>(chunkStart, end) - FPayloadFed);
      const unsigned take = n < 32 ? n : 32;
      uint64_t part = 0;
      for (unsigned i = 0; i < take; ++i)
        part |= static_cast<uint64_t>(HeadBit(FPayloadFed + i)) << i;
      FPayload.Feed(part, take);
      FPayloadFed += take;
    } else {
      const auto offset = static_cast<unsigned>(FPayloadFed - chunkStart);
      const auto take =
          static_cast<unsigned>(std::min<uint64_t>(count - offset, end - FPayloadFed));
      FPayload.Feed(bits >> offset, take);
      FPayloadFed += take;
    }
  }
}

std::vector<uint8_t> ConfigStreamSink::HeadBytes() const {
  const uint64_t bits = std::min(FBits, kHeadBits);
  std::vector<uint8_t> bytes((bits + 7) / 8, 0);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(FHead[i / 8] >> (8 * (i % 8)));
  return bytes;
}

uint32_t ConfigStreamSink::StreamCrc() const {
  CrcFeed f = FStream;
  if (f.AccBits > 0) f.Feed(0, 8 - f.AccBits);
  return ~f.Crc;
}

bool ConfigStreamSink::PayloadIntact() const {
  return FHeader && FPayload.Bytes == FHeader->PayloadLength && FPayload.AccBits == 0 &&
         ~FPayload.Crc == FHeader->PayloadCrc;
}

}  // namespace morvel::host::jtag

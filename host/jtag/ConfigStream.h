// The raw bit files that this project's vendor-tool stand-ins write, and how a simulated device
// reads the configuration stream that carries one.
//
// A raw bit file is sent byte by byte in file order, each byte least significant bit first,
// after a preamble of ones. Its layout (multi-byte fields little-endian):
//
//   offset  bytes  content
//        0     32  0xFF padding, as raw bit files start; a family may leave leading bytes out
//       32      4  sync word "MRBF"
//       36      1  format version, 1
//       37      3  reserved, 0
//       40      4  user code: what USERCODE reads once the device has started up
//       44      4  payload length in bytes
//       48      4  CRC-32 of the payload (the common reflected 0xEDB88320 polynomial)
//       52      4  CRC-32 of bytes 32 to 51
//       56         payload
//
// The device finds the sync word at any bit offset within the first 8 KiB of its stream, so any
// preamble shorter than that, bits of bypassed devices ahead of it and up to 32 left-out
// padding bytes do not matter. The sync word cannot be mistaken for a run of zeros followed by
// ones and the start of itself, which is what precedes it in a stream. A stream without a
// valid header configures the device all the same and leaves its user code all ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace morvel::host::jtag {

inline constexpr size_t kRawBitPaddingBytes = 32;
inline constexpr uint32_t kRawBitSync = 0x4642524D;  // "MRBF" in file order
inline constexpr uint8_t kRawBitVersion = 1;
inline constexpr size_t kRawBitHeaderBytes = 24;  // from the sync word to the payload
inline constexpr size_t kRawBitPayloadOffset = kRawBitPaddingBytes + kRawBitHeaderBytes;
// The part of a stream a device keeps, and within which it looks for the header.
inline constexpr size_t kConfigStreamHeadBytes = 8192;

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

// A raw bit file: padding, header, payload.
std::vector<uint8_t> BuildRawBitFile(uint32_t userCode, std::span<const uint8_t> payload);
// Writes one; raises std::runtime_error naming the file when that fails.
void WriteRawBitFile(const std::filesystem::path& file, uint32_t userCode,
                     std::span<const uint8_t> payload);

struct RawBitHeader {
  uint32_t UserCode;
  uint32_t PayloadLength;
  uint32_t PayloadCrc;
};

// The header of a file laid out as above, at its usual place; none when the file has none.
std::optional<RawBitHeader> ReadRawBitHeader(std::span<const uint8_t> file);

// What a device in configuration mode makes of the bits shifted into it: a bit count, the first
// kConfigStreamHeadBytes, a CRC-32 of the whole stream, and once the header has gone by, its
// fields and a running check of the payload. Bit() is the hot path: a shift and an add, with
// the rest done once per 64 bits.
class ConfigStreamSink {
 public:
  void Clear();
  void Bit(bool level) {
    FWord |= static_cast<uint64_t>(level) << FFill;
    if (++FFill == 64) Flush();
  }
  // Takes in the bits of an unfinished word; the device calls it where a stream may end.
  void Flush();

  // The figures below count what has been flushed.
  uint64_t BitCount() const { return FBits; }
  // The stream packed into bytes, first bit in bit 0 of the first byte; a last partial byte
  // is padded with zeros.
  std::vector<uint8_t> HeadBytes() const;
  // CRC-32 of the stream packed as HeadBytes packs it, partial last byte included.
  uint32_t StreamCrc() const;

  const std::optional<RawBitHeader>& Header() const { return FHeader; }
  // The header's bit offset in the stream (where its sync word starts).
  uint64_t HeaderOffset() const { return FHeaderOffset; }
  uint64_t PayloadBytesReceived() const { return FPayload.Bytes; }
  // Every payload byte the header announced has arrived and their CRC-32 matches.
  bool PayloadIntact() const;

 private:
  struct CrcFeed {
    uint32_t Crc = 0xFFFFFFFFu;
    uint64_t Acc = 0;
    unsigned AccBits = 0;
    uint64_t Bytes = 0;
    void Feed(uint64_t bits, unsigned count);
  };

  void Take(uint64_t bits, unsigned count);
  bool HeadBit(uint64_t offset) const;
  uint32_t HeadField(uint64_t offset) const;
  void SearchHeader();
  void FeedPayload(uint64_t chunkStart, uint64_t bits, unsigned count);

  uint64_t FWord = 0;
  unsigned FFill = 0;
  uint64_t FBits = 0;
  std::vector<uint64_t> FHead;
  CrcFeed FStream;
  uint64_t FSearchFrom = 0;
  std::optional<RawBitHeader> FHeader;
  uint64_t FHeaderOffset = 0;
  uint64_t FPayloadStart = 0;
  uint64_t FPayloadFed = 0;
  CrcFeed FPayload;
};

}  // namespace morvel::host::jtag

// Raw bit files with a user-code header, and what a device's stream reader makes of them
// wherever they sit in the stream.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "jtag/ConfigStream.h"

namespace morvel::host::jtag {
namespace {

std::vector<uint8_t> Payload(size_t size, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Feeds `lead` bits of `leadLevel`, then the file least significant bit first, then 128 ones;
// with `flushEvery` the sink is flushed at odd places, as instruction changes would.
void Feed(ConfigStreamSink& sink, const std::vector<uint8_t>& file, size_t lead,
          bool leadLevel = true, size_t flushEvery = 0) {
  size_t n = 0;
  const auto bit = [&](bool level) {
    sink.Bit(level);
    if (flushEvery != 0 && ++n % flushEvery == 0) sink.Flush();
  };
  for (size_t i = 0; i < lead; ++i) bit(leadLevel);
  for (const uint8_t byte : file)
    for (int j = 0; j < 8; ++j) bit(((byte >> j) & 1) != 0);
  for (int i = 0; i < 128; ++i) bit(true);
  sink.Flush();
}

TEST(ConfigStream, FileLayoutAndChecksum) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32(check), 0xCBF43926u);  // the polynomial's published check value

  const std::vector<uint8_t> payload = Payload(1000);
  const std::vector<uint8_t> file = BuildRawBitFile(0x12345678, payload);
  ASSERT_EQ(file.size(), 56u + payload.size());
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(file[i], 0xFF);
  EXPECT_EQ(std::string(file.begin() + 32, file.begin() + 36), "MRBF");
  EXPECT_EQ(file[36], 1);
  EXPECT_EQ(file[40], 0x78);  // little-endian user code
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), file.begin() + 56));
  const auto header = ReadRawBitHeader(file);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->UserCode, 0x12345678u);
  EXPECT_EQ(header->PayloadLength, 1000u);
  EXPECT_EQ(header->PayloadCrc, Crc32(payload));

  std::vector<uint8_t> damaged = file;
  damaged[41] ^= 1;
  EXPECT_FALSE(ReadRawBitHeader(damaged));
  EXPECT_FALSE(ReadRawBitHeader(std::span(file).first(55)));
}

TEST(ConfigStream, WrittenFileReadsBack) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("jtag-test-" + std::to_string(getpid()) + ".rbf");
  WriteRawBitFile(file, 0xCAFE0001, Payload(64));
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  std::filesystem::remove(file);
  ASSERT_TRUE(ReadRawBitHeader(bytes));
  EXPECT_EQ(ReadRawBitHeader(bytes)->UserCode, 0xCAFE0001u);
  EXPECT_THROW(WriteRawBitFile("/nonexistent-folder/x.rbf", 0, {}), std::runtime_error);
}

TEST(ConfigStream, HeaderIsFoundAtAnyBitOffset) {
  const std::vector<uint8_t> payload = Payload(3000);
  const std::vector<uint8_t> file = BuildRawBitFile(0xA5A50001, payload);
  struct Case {
    size_t Lead;
    bool LeadLevel;
    size_t SkipBytes;
    size_t FlushEvery;
  };
  const Case cases[] = {{0, true, 0, 0},  {1, true, 0, 0},    {7, true, 0, 0},   {63, true, 0, 0},
                        {64, true, 0, 0}, {175, true, 0, 0},  {2, false, 0, 0},  {175, true, 4, 0},
                        {0, true, 32, 0}, {175, true, 0, 13}, {9, false, 31, 77}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.Lead) + " lead, skip " + std::to_string(c.SkipBytes) +
                 ", flush every " + std::to_string(c.FlushEvery));
    ConfigStreamSink sink;
    const std::vector<uint8_t> sent(file.begin() + static_cast<ptrdiff_t>(c.SkipBytes), file.end());
    Feed(sink, sent, c.Lead, c.LeadLevel, c.FlushEvery);
    EXPECT_EQ(sink.BitCount(), c.Lead + sent.size() * 8 + 128);
    ASSERT_TRUE(sink.Header());
    EXPECT_EQ(sink.HeaderOffset(), c.Lead + (32 - c.SkipBytes) * 8);
    EXPECT_EQ(sink.Header()->UserCode, 0xA5A50001u);
    EXPECT_EQ(sink.PayloadBytesReceived(), payload.size());
    EXPECT_TRUE(sink.PayloadIntact());
  }
}

TEST(ConfigStream, StreamChecksumAndHeadDoNotDependOnFlushes) {
  const std::vector<uint8_t> file = BuildRawBitFile(7, Payload(20000));
  ConfigStreamSink whole;
  ConfigStreamSink pieces;
  Feed(whole, file, 175);
  Feed(pieces, file, 175, true, 61);
  EXPECT_EQ(whole.StreamCrc(), pieces.StreamCrc());
  EXPECT_EQ(whole.HeadBytes(), pieces.HeadBytes());
  EXPECT_EQ(whole.HeadBytes().size(), kConfigStreamHeadBytes);

  // Without lead bits the stream is the file and its trailer, byte for byte.
  ConfigStreamSink plain;
  Feed(plain, file, 0);
  std::vector<uint8_t> expected = file;
  expected.insert(expected.end(), 16, 0xFF);
  EXPECT_EQ(plain.StreamCrc(), Crc32(expected));
  const std::vector<uint8_t> head = plain.HeadBytes();
  EXPECT_TRUE(std::equal(head.begin(), head.end(), expected.begin()));
}

TEST(ConfigStream, DamageAndMissingHeadersAreSeen) {
  const std::vector<uint8_t> payload = Payload(500);
  const std::vector<uint8_t> file = BuildRawBitFile(0x11, payload);

  std::vector<uint8_t> damagedPayload = file;
  damagedPayload[300] ^= 0x10;
  ConfigStreamSink sink;
  Feed(sink, damagedPayload, 175);
  ASSERT_TRUE(sink.Header());
  EXPECT_FALSE(sink.PayloadIntact());

  // A file cut short: the header announces more than arrives.
  sink.Clear();
  Feed(sink, std::vector<uint8_t>(file.begin(), file.end() - 100), 175);
  ASSERT_TRUE(sink.Header());
  EXPECT_FALSE(sink.PayloadIntact());

  std::vector<uint8_t> damagedHeader = file;
  damagedHeader[45] ^= 1;
  sink.Clear();
  Feed(sink, damagedHeader, 175);
  EXPECT_FALSE(sink.Header());

  sink.Clear();
  Feed(sink, payload, 175);  // no header at all
  EXPECT_FALSE(sink.Header());
  EXPECT_FALSE(sink.PayloadIntact());

  // Skipping past the padding into the sync word loses the header.
  sink.Clear();
  Feed(sink, std::vector<uint8_t>(file.begin() + 34, file.end()), 175);
  EXPECT_FALSE(sink.Header());

  // A header beyond the part of the stream a device keeps is not looked for.
  sink.Clear();
  Feed(sink, file, kConfigStreamHeadBytes * 8);
  EXPECT_FALSE(sink.Header());
}

}  // namespace
}  // namespace morvel::host::jtag
